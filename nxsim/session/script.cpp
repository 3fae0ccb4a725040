#include "script.h"

#include "calendar.h"

#include <cstdio>

namespace nxsim {
namespace {

std::time_t parse_clock(const Place &p) {
    std::string s = p.text();
    int y, mo, d, h, mi, se;
    char tail;
    if (std::sscanf(s.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &y, &mo, &d, &h, &mi, &se, &tail) != 6 || y < 1980 ||
        y > 2099 || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || se > 59 || h < 0 || mi < 0 || se < 0)
        p.fail("expected a time as YYYY-MM-DD HH:MM:SS (1980 to 2099)");
    std::tm tm{};
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_sec = se;
    std::time_t t = utc_seconds(tm);
    std::tm check = utc_fields(t);
    if (check.tm_mday != d) p.fail("no such day");
    return t;
}

Press parse_press(const Place &p, int &code) {
    if (p.value().is_number_integer()) {
        code = static_cast<int>(p.integer());
        return Press::Code;
    }
    std::string s = p.text();
    if (s == "ok") return Press::Ok;
    if (s == "apply") return Press::Apply;
    if (s == "cancel") return Press::Cancel;
    if (s == "back") return Press::Back;
    p.fail("expected ok, apply, cancel, back or a response number");
}

StylerStep parse_step(const Place &p) {
    StylerStep step;
    step.where = p.located();
    if (p.value().is_string()) {
        step.kind = StylerStep::Kind::Button;
        step.press = parse_press(p, step.code);
        return step;
    }
    p.object();
    if (p.has("respond")) {
        p.only({"respond"});
        step.kind = StylerStep::Kind::Button;
        step.press = Press::Code;
        step.code = static_cast<int>(p["respond"].integer());
        return step;
    }
    auto value_of = [&](const Place &v) {
        if (v.value().is_number()) {
            step.number = v.number();
            const Json &j = v.value();
            step.text = j.is_number_integer() ? std::to_string(j.get<long long>()) : j.dump();
        } else {
            step.text = v.cp1251();
        }
    };
    if (p.has("type") || p.has("enter")) {
        const char *key = p.has("type") ? "type" : "enter";
        p.only({key, "value"});
        step.kind = p.has("type") ? StylerStep::Kind::Type : StylerStep::Kind::Enter;
        step.item = p[key].text();
        value_of(p["value"]);
        return step;
    }
    if (p.has("pick")) {
        step.kind = StylerStep::Kind::Pick;
        step.item = p["pick"].text();
        if (p.has("entry")) {
            p.only({"pick", "entry"});
            long long e = p["entry"].integer();
            if (e < 0) p["entry"].fail("entries count from 0");
            step.entry = static_cast<int>(e);
        } else {
            p.only({"pick", "text"});
            step.entry_text = p["text"].cp1251();
        }
        return step;
    }
    p.fail("expected type, enter, pick, respond, or ok/apply/cancel/back");
}

Action parse_action(const Place &p) {
    Action a;
    a.where = p.located();
    const Json &o = p.object();
    if (o.empty()) p.fail("empty action");
    std::string kind = o.begin().key();
    if (kind == "select") {
        a.kind = ActionKind::Select;
        p.only({"select", "press"});
        Place list = p["select"];
        list.array();
        for (size_t i = 0; i < list.value().size(); ++i) {
            std::string ref = list[i].cp1251();
            if (ref.empty()) list[i].fail("empty reference");
            a.picks.push_back(ref);
        }
        if (p.has("press")) a.press = parse_press(p["press"], a.code);
        if (a.press == Press::Apply) p["press"].fail("a selection has no Apply");
    } else if (kind == "styler") {
        a.kind = ActionKind::Styler;
        p.only({"styler"});
        Place steps = p["styler"];
        steps.array();
        for (size_t i = 0; i < steps.value().size(); ++i) a.steps.push_back(parse_step(steps[i]));
    } else if (kind == "choice" || kind == "message_dialog") {
        a.kind = kind == "choice" ? ActionKind::Choice : ActionKind::MessageDialog;
        p.only({kind.c_str()});
        Place v = p[kind.c_str()];
        if (v.value().is_number_integer())
            a.code = static_cast<int>(v.integer());
        else
            a.answer_text = v.cp1251();
    } else if (kind == "part_name" || kind == "new_part" || kind == "open_part") {
        a.kind = kind == "part_name"  ? ActionKind::PartName
                 : kind == "new_part" ? ActionKind::NewPart
                                      : ActionKind::OpenPart;
        if (a.kind == ActionKind::NewPart)
            p.only({"new_part", "units"});
        else
            p.only({kind.c_str()});
        Place v = p[kind.c_str()];
        if (!v.value().is_null()) {
            a.name = v.cp1251();
            if (a.name->empty() || a.name->size() > MAX_FSPEC_SIZE) v.fail("expected a name of 1 to 256 characters");
        }
        if (p.has("units")) {
            a.units = static_cast<int>(p["units"].integer());
            if (a.units != 1 && a.units != 2) p["units"].fail("units are 1 (metric) or 2 (inch)");
        }
    } else if (kind == "wait") {
        a.kind = ActionKind::Wait;
        p.only({"wait", "cpu"});
        a.seconds = p["wait"].number();
        if (a.seconds < 0 || a.seconds > 1e7) p["wait"].fail("expected 0 to 10000000 seconds");
        if (p.has("cpu")) {
            a.cpu = p["cpu"].number();
            if (a.cpu < 0 || a.cpu > 1e7) p["cpu"].fail("expected 0 to 10000000 seconds");
        }
    } else {
        p.fail("unknown action \"" + kind +
               "\" (select, styler, choice, message_dialog, part_name, new_part, open_part, wait)");
    }
    return a;
}

}  // namespace

const char *action_name(ActionKind kind) {
    switch (kind) {
    case ActionKind::Select: return "select";
    case ActionKind::Styler: return "styler";
    case ActionKind::Choice: return "choice";
    case ActionKind::MessageDialog: return "message_dialog";
    case ActionKind::PartName: return "part_name";
    case ActionKind::NewPart: return "new_part";
    case ActionKind::OpenPart: return "open_part";
    case ActionKind::Wait: return "wait";
    }
    return "?";
}

std::string clock_text(std::time_t t) {
    std::tm tm = utc_fields(t);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
    return buf;
}

std::time_t default_clock() {
    std::tm tm{};
    tm.tm_year = 2026 - 1900;
    tm.tm_mon = 11;
    tm.tm_mday = 7;
    tm.tm_hour = 9;
    tm.tm_min = 30;
    return utc_seconds(tm);
}

Script script_from_json(const Json &json, const std::string &source) {
    Script script;
    script.source = source;
    script.clock = default_clock();
    Place top(source, json);
    top.only({"clock", "missing", "faults", "actions"});
    if (top.has("clock")) script.clock = parse_clock(top["clock"]);
    if (top.has("missing")) {
        Place m = top["missing"];
        m.array();
        for (size_t i = 0; i < m.value().size(); ++i) script.missing.push_back({m[i].text(), m[i].located()});
    }
    if (top.has("faults")) {
        Place f = top["faults"];
        f.array();
        for (size_t i = 0; i < f.value().size(); ++i) {
            Place e = f[i];
            e.only({"call", "nth", "at", "code"});
            Fault fault;
            if (e.has("at")) {
                if (e.has("call") || e.has("nth")) e.fail(R"(give either "at" or "call" with "nth")");
                fault.at = static_cast<long>(e["at"].integer());
                if (fault.at < 1) e["at"].fail("calls count from 1");
            } else {
                fault.call = e["call"].text();
                fault.nth = e.has("nth") ? static_cast<long>(e["nth"].integer()) : 1;
                if (fault.nth < 1) e["nth"].fail("calls count from 1");
            }
            if (e.has("code")) fault.code = static_cast<int>(e["code"].integer());
            if (fault.code == 0) e.fail("a fault needs a non-zero code");
            script.faults.push_back(fault);
        }
    }
    if (top.has("actions")) {
        Place a = top["actions"];
        a.array();
        for (size_t i = 0; i < a.value().size(); ++i) script.actions.push_back(parse_action(a[i]));
    }
    return script;
}

Script load_script(const std::filesystem::path &path) {
    Json json = read_json_file(path, "engineer script");
    return script_from_json(json, path.string());
}

}  // namespace nxsim
