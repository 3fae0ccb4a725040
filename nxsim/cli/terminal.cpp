#include "terminal.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <set>
#include <sstream>
#include <utility>

#include "calendar.h"
#include "cp1251.h"
#include "host.h"
#include "platform.h"

namespace nxsim {
namespace {

constexpr size_t kListShown = 60;  // candidates listed when a selection opens; "list" shows all

std::string trim(const std::string &s) {
    size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return "";
    size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

std::string lower(std::string s) {
    for (char &c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The first word and the rest of the line, both trimmed.
std::pair<std::string, std::string> split_first(const std::string &line) {
    std::string t = trim(line);
    size_t blank = t.find_first_of(" \t");
    if (blank == std::string::npos) return {t, ""};
    return {t.substr(0, blank), trim(t.substr(blank))};
}

std::vector<std::string> words(const std::string &line) {
    std::vector<std::string> out;
    std::string rest = trim(line);
    while (!rest.empty()) {
        auto [w, r] = split_first(rest);
        out.push_back(w);
        rest = r;
    }
    return out;
}

bool parse_integer(const std::string &s, long long &value) {
    if (s.empty() || s.size() > 12) return false;
    size_t i = s[0] == '-' || s[0] == '+' ? 1 : 0;
    if (i == s.size()) return false;
    for (size_t k = i; k < s.size(); ++k)
        if (!std::isdigit(static_cast<unsigned char>(s[k]))) return false;
    value = std::strtoll(s.c_str(), nullptr, 10);
    return true;
}

bool parse_number(const std::string &s, double &value) {
    if (s.empty()) return false;
    char *end = nullptr;
    value = std::strtod(s.c_str(), &end);
    return end == s.c_str() + s.size() && std::isfinite(value);
}

// A text as typed: a JSON string when it starts with a quote (for blanks at the ends,
// an empty text or a text that would read as a word of the dialog), else as it stands.
std::optional<std::string> typed_text(const std::string &raw) {
    if (raw.empty() || raw[0] != '"') return raw;
    try {
        Json j = Json::parse(raw);
        if (j.is_string()) return j.get<std::string>();
    } catch (const Json::exception &) {
    }
    return std::nullopt;
}

std::string utf8(const std::string &cp1251) { return cp1251_to_utf8(cp1251); }

// Columns a Windows-1251 text takes on the terminal: one per character.
size_t utf8_width(const std::string &cp1251) { return cp1251.size(); }

// One answer as the script would carry it, read back through the script's own rules,
// so that the run and its replay see the very same answer.
Action parsed(const Json &action, const std::string &where) {
    Json doc = Json::object();
    doc["actions"] = Json::array({action});
    Action a = script_from_json(doc, "terminal").actions.at(0);
    a.where = where;
    return a;
}

// The message of a refused answer without the place in the one-answer document.
std::string reason(const InputError &e) {
    std::string m = e.what();
    size_t colon = m.rfind(": ");
    return colon == std::string::npos ? m : m.substr(colon + 2);
}

const char *kind_word(ItemKind kind) {
    switch (kind) {
    case ItemKind::Text: return "text";
    case ItemKind::Integer: return "integer";
    case ItemKind::Real: return "real";
    case ItemKind::List: return "list";
    case ItemKind::Toggle: return "toggle";
    }
    return "?";
}

std::string item_value(const DialogItem &item) { return item_value_text(item, "none selected"); }

const DialogItem *find_item(const Dialog &d, const std::string &name, std::string &problem) {
    const DialogItem *found = nullptr;
    for (const auto &i : d.layout.items)
        if (i.id == name) return &i;
    for (const auto &i : d.layout.items) {
        if (lower(i.id) != lower(name)) continue;
        if (found != nullptr) {
            problem = "item " + name + " is ambiguous";
            return nullptr;
        }
        found = &i;
    }
    if (found == nullptr) problem = "the dialog has no item " + name;
    return found;
}

const char *const kSelectionHelp =
    "   Answers: numbers from the list (3, 1 4 7, 2-9), a reference (SUB1/R*, R7[2], SKIN/#0, pick NAME),\n"
    "            ok, back, cancel, respond N; list [PATTERN], tree, help\n";
const char *const kDialogHelp =
    "   Steps: type ITEM VALUE (not confirmed), enter ITEM VALUE, pick ITEM ENTRY|TEXT,\n"
    "          ok, apply, cancel, back, respond N; show, help. \"...\" quotes a text.\n";

}  // namespace

std::time_t local_clock_now() {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    platform::local_fields(now, tm);
    tm.tm_isdst = 0;
    if (tm.tm_year + 1900 < 1980 || tm.tm_year + 1900 > 2099) return default_clock();
    return utc_seconds(tm);
}

TerminalEngineer::TerminalEngineer(std::istream &in, std::ostream &out, std::time_t clock, Elapsed elapsed)
    : in_(in),
      out_(out),
      // Piped answers are shown after their prompt, so the screen reads like a session.
      echo_(&in != &std::cin || !platform::stdin_is_terminal()),
      clock_(clock),
      elapsed_(std::move(elapsed)) {
    if (!elapsed_)
        elapsed_ = [started = std::chrono::steady_clock::now()] {
            return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        };
}

void TerminalEngineer::show_transcript() { show_transcript(Host::get().transcript); }

void TerminalEngineer::show_transcript(const std::vector<std::string> &lines) {
    for (; transcript_shown_ < lines.size(); ++transcript_shown_) out_ << "  | " << lines[transcript_shown_] << "\n";
    out_.flush();
}

bool TerminalEngineer::read_line(const std::string &prompt, std::string &line) {
    show_transcript();
    out_ << prompt << "> " << std::flush;
    if (!std::getline(in_, line)) {
        out_ << "\n";
        return false;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (echo_) out_ << line << "\n";
    line = trim(line);
    return true;
}

void TerminalEngineer::stop(const std::string &dialog) {
    Host::get().fail_script("end of input at the terminal while the tool shows " + dialog +
                            ": Cancel from here on, nothing is saved");
}

// The engineer's time at the terminal passes on the run's clock in whole seconds. As in
// a script, it is a wait before the answer: once the dialog has its answer, the wait goes
// just after the dialog's first transcript line and before the answer in the recording.
void TerminalEngineer::settle() {
    Answer *answer = pending_;
    pending_ = nullptr;
    if (answer == nullptr) return;
    long long elapsed = std::llround(elapsed_());
    if (elapsed <= waited_) return;
    long long seconds = elapsed - waited_;
    waited_ = elapsed;
    Host &h = Host::get();
    h.advance(static_cast<double>(seconds), 0);
    std::string line = "wait " + std::to_string(seconds);
    size_t at = std::min(pending_transcript_, h.transcript.size());
    h.transcript.insert(h.transcript.begin() + static_cast<std::ptrdiff_t>(at), line);
    if (at < transcript_shown_) {
        ++transcript_shown_;
        out_ << "  | " << line << "\n";
    }
    size_t slot = answer->record_at;
    record_.insert(record_.begin() + static_cast<std::ptrdiff_t>(slot), Json{{"wait", seconds}});
    for (auto &a : answers_)
        if (a.record_at >= slot) ++a.record_at;
}

void TerminalEngineer::closed(const Action &a) {
    if (pending_ != nullptr && &pending_->action == &a) settle();
}

TerminalEngineer::Answer &TerminalEngineer::answer_of(const Action &a) {
    auto it = std::find_if(answers_.rbegin(), answers_.rend(), [&](const Answer &x) { return &x.action == &a; });
    if (it != answers_.rend()) return *it;
    throw std::logic_error("an answer the terminal never gave");
}

TerminalEngineer::Answer &TerminalEngineer::open(ActionKind kind, Json record) {
    Answer answer;
    answer.action.kind = kind;
    answer.action.where = "answer " + std::to_string(answers_.size() + 1);
    answer.record_at = record_.size();
    record_.push_back(std::move(record));
    answers_.push_back(std::move(answer));
    return answers_.back();
}

const Action *TerminalEngineer::next(const DialogView &view) {
    Host &h = Host::get();
    if (h.aborted()) {
        h.count_aborted_dialog();
        return nullptr;
    }
    // A dialog opened from inside another one: the outer dialog's time so far is its wait.
    settle();
    pending_transcript_ = h.transcript.size();
    show_transcript();
    if (!answers_.empty() && !answers_.back().queued.empty()) {
        out_ << "   the selection closed; not picked:";
        for (const auto &r : answers_.back().queued) out_ << " " << utf8(r);
        out_ << "\n";
        answers_.back().queued.clear();
    }
    switch (view.kind) {
    case ActionKind::Select:
        pending_ = &open(ActionKind::Select, Json{{"select", Json::array()}});
        return &pending_->action;
    case ActionKind::Styler:
        pending_ = &open(ActionKind::Styler, Json{{"styler", Json::array()}});
        return &pending_->action;
    case ActionKind::Choice: return ask_choice(view);
    case ActionKind::MessageDialog: return ask_question(view);
    case ActionKind::PartName:
    case ActionKind::NewPart:
    case ActionKind::OpenPart: return ask_part(view);
    case ActionKind::Wait: break;
    }
    return nullptr;
}

const std::string *TerminalEngineer::next_pick(const Action &a, size_t, const DialogView &view) {
    Host &h = Host::get();
    Answer &answer = answer_of(a);
    Json &record = record_[answer.record_at];
    auto take = [&](const std::string &ref) {
        answer.action.picks.push_back(ref);
        record["select"].push_back(utf8(ref));
        return &answer.action.picks.back();
    };
    auto press = [&](Press p, int code) -> const std::string * {
        answer.action.press = p;
        answer.action.code = code;
        if (p == Press::Code)
            record["press"] = code;
        else if (p != Press::Ok)
            record["press"] = p == Press::Back ? "back" : "cancel";
        return nullptr;
    };
    if (h.aborted()) {
        answer.queued.clear();
        answer.action.press = Press::Cancel;
        return nullptr;
    }
    if (!answer.queued.empty()) {
        std::string ref = answer.queued.front();
        answer.queued.erase(answer.queued.begin());
        return take(ref);
    }
    show_transcript();
    if (!answer.shown) {
        out_ << "\n== " << (view.single ? "Select one object: " : "Select objects: ") << utf8(view.title) << "\n";
        out_ << "   " << utf8(view.cue) << "\n";
        if (view.single) out_ << "   The first object picked closes the dialog.\n";
        show_selection(answer, view, "", kListShown);
        out_ << kSelectionHelp;
        answer.shown = true;
    } else {
        size_t n = view.selection != nullptr ? view.selection->selected.size() : 0;
        out_ << "   selected: " << n << (n == 1 ? " object\n" : " objects\n");
    }
    for (;;) {
        std::string line;
        if (!read_line(view.single ? "select one" : "select", line)) {
            stop(view.line);
            answer.action.press = Press::Cancel;
            return nullptr;
        }
        if (line.empty()) continue;
        auto [verb, rest] = split_first(line);
        std::string word = lower(verb);
        if (lower(line) == "help") {
            out_ << kSelectionHelp;
            continue;
        }
        if (word == "list") {
            auto pattern = utf8_to_cp1251(rest);
            if (!pattern) {
                out_ << "   not a Windows-1251 text\n";
                continue;
            }
            show_selection(answer, view, *pattern, SIZE_MAX);
            continue;
        }
        if (lower(line) == "tree") {
            show_tree(view);
            continue;
        }
        if (lower(line) == "ok") return press(Press::Ok, 0);
        if (lower(line) == "back") return press(Press::Back, 0);
        if (lower(line) == "cancel") return press(Press::Cancel, 0);
        long long code = 0;
        if (word == "respond" && parse_integer(rest, code) && code >= INT_MIN && code <= INT_MAX)
            return press(Press::Code, static_cast<int>(code));
        if (word == "respond") {
            out_ << "   respond needs a response number\n";
            continue;
        }

        // Numbers and ranges of the last list, or else one reference.
        std::vector<std::string> refs;
        bool numbers = true, in_range = true;
        for (const auto &w : words(line)) {
            long long from = 0, to = 0;
            size_t dash = w.find('-', 1);
            bool number = w[0] != '+' && w[0] != '-' &&
                          (dash == std::string::npos
                               ? parse_integer(w, from) && (to = from, true)
                               : parse_integer(w.substr(0, dash), from) && parse_integer(w.substr(dash + 1), to));
            if (!number) {
                numbers = false;
                break;
            }
            if (from < 1 || to < from || to > static_cast<long long>(answer.numbered.size())) {
                in_range = false;
                out_ << "   " << w << ": "
                     << (answer.numbered.empty() ? std::string("nothing is listed")
                                                 : "the list runs from 1 to " + std::to_string(answer.numbered.size()))
                     << "\n";
                break;
            }
            for (long long n = from; n <= to; ++n) refs.push_back(answer.numbered[static_cast<size_t>(n - 1)]);
        }
        if (numbers && !in_range) continue;
        if (numbers && view.single && refs.size() > 1) {
            out_ << "   the dialog takes one object\n";
            continue;
        }
        if (!numbers) {
            refs.clear();
            auto text = typed_text(word == "pick" ? rest : line);
            auto ref = text ? utf8_to_cp1251(*text) : std::nullopt;
            if (!ref || ref->empty()) {
                out_ << "   not a reference; help lists the answers\n";
                continue;
            }
            if (h.session->resolve(*ref).empty()) {
                out_ << "   \"" << utf8(*ref) << "\" names no object below the displayed part\n";
                continue;
            }
            refs.push_back(*ref);
        } else {
            // A listed object goes into the script by its path, which must name it alone.
            bool named = true;
            for (const auto &r : refs)
                if (h.session->resolve(r).size() != 1) {
                    out_ << "   " << utf8(r)
                         << " cannot be named alone by its path (its name holds * or ?): give a reference\n";
                    named = false;
                    break;
                }
            if (!named) continue;
        }
        answer.queued.assign(refs.begin() + 1, refs.end());
        return take(refs.front());
    }
}

void TerminalEngineer::show_selection(Answer &answer, const DialogView &view, const std::string &pattern,
                                      size_t limit) {
    Host &h = Host::get();
    std::vector<tag_t> found = view.candidates ? view.candidates() : std::vector<tag_t>();
    std::set<tag_t> selected;
    if (view.selection != nullptr) selected.insert(view.selection->selected.begin(), view.selection->selected.end());
    answer.numbered.clear();
    std::vector<tag_t> listed;
    for (tag_t t : found) {
        std::string path = h.session->describe(t);
        if (!pattern.empty() && !glob_match(pattern, path) && !glob_match(pattern + "/*", path)) continue;
        answer.numbered.push_back(path);
        listed.push_back(t);
    }
    if (listed.empty()) {
        out_ << (pattern.empty() ? "   Nothing below the displayed part can be picked.\n"
                                 : "   Nothing that can be picked matches " + utf8(pattern) + ".\n");
        return;
    }
    out_ << "   Objects that can be picked (" << listed.size() << "):\n";
    size_t width = 0;
    for (size_t i = 0; i < listed.size() && i < limit; ++i) width = std::max(width, utf8_width(answer.numbered[i]));
    for (size_t i = 0; i < listed.size() && i < limit; ++i) {
        tag_t t = listed[i];
        std::string part;
        if (const Occurrence *occ = h.session->occurrence(t))
            part = occ->instance->part_name;
        else if (h.session->body(t) != nullptr)
            part = "solid body";
        out_ << "   "
             << (i + 1 < 10     ? "   "
                 : i + 1 < 100  ? "  "
                 : i + 1 < 1000 ? " "
                                : "")
             << i + 1 << "  " << utf8(answer.numbered[i])
             << std::string(width - utf8_width(answer.numbered[i]) + 3, ' ') << utf8(part)
             << (selected.contains(t) ? "   (selected)" : "") << "\n";
    }
    if (listed.size() > limit)
        out_ << "   ... " << listed.size() - limit << " more: \"list\" shows them all, \"list PATTERN\" some\n";
}

void TerminalEngineer::show_tree(const DialogView &view) {
    Host &h = Host::get();
    Session &s = *h.session;
    if (s.display == nullptr) return;
    std::vector<tag_t> found = view.candidates ? view.candidates() : std::vector<tag_t>();
    std::set<tag_t> pickable(found.begin(), found.end());
    out_ << "   " << utf8(s.display->name) << "\n";
    std::function<void(tag_t, int)> walk = [&](tag_t from, int depth) {
        for (tag_t child : s.children(from)) {
            const Occurrence *occ = s.occurrence(child);
            std::string path = s.describe(child);
            size_t slash = path.rfind('/');
            out_ << "   " << std::string(static_cast<size_t>(depth) * 2 + 2, ' ')
                 << utf8(slash == std::string::npos ? path : path.substr(slash + 1)) << "   "
                 << utf8(occ->instance->part_name) << (pickable.contains(child) ? "   (can be picked)" : "") << "\n";
            walk(child, depth + 1);
        }
    };
    walk(s.display->tag, 0);
}

const Action *TerminalEngineer::ask_choice(const DialogView &view) {
    out_ << "\n== Choice: " << utf8(view.title) << "\n";
    for (size_t i = 0; i < view.options.size(); ++i) out_ << "   " << 5 + i << "  " << utf8(view.options[i]) << "\n";
    out_ << "   Answers: an option's number or text, back, cancel\n";
    const int last = 4 + static_cast<int>(view.options.size());
    for (;;) {
        std::string line;
        if (!read_line("choice", line)) {
            stop(view.line);
            return nullptr;
        }
        if (line.empty()) continue;
        if (line == "help") {
            out_ << "   Answers: an option's number or text, back, cancel\n";
            continue;
        }
        int code = 0;
        auto text = typed_text(line);
        auto bytes = text ? utf8_to_cp1251(*text) : std::nullopt;
        for (size_t i = 0; bytes && i < view.options.size() && code == 0; ++i)
            if (view.options[i] == *bytes) code = 5 + static_cast<int>(i);
        long long n = 0;
        if (code == 0 && line[0] != '"') {
            if (parse_integer(line, n) && (n == 1 || n == 2 || n == 19 || (n >= 5 && n <= last)))
                code = static_cast<int>(n);
            else if (line == "back")
                code = 1;
            else if (line == "cancel")
                code = 2;
        }
        if (code == 0) {
            out_ << "   no such option: give 5 to " << last << ", an option's text, back or cancel\n";
            continue;
        }
        Answer &answer = open(ActionKind::Choice, Json{{"choice", code}});
        answer.action = parsed(record_[answer.record_at], answer.action.where);
        pending_ = &answer;
        settle();
        return &answer.action;
    }
}

const Action *TerminalEngineer::ask_question(const DialogView &view) {
    out_ << "\n== Question: " << utf8(view.title) << "\n";
    for (const auto &l : view.lines) out_ << "   " << utf8(l) << "\n";
    out_ << "   Buttons:";
    for (size_t i = 0; i < view.options.size(); ++i)
        out_ << (i ? ", " : " ") << utf8(view.options[i]) << " (" << view.responses[i] << ")";
    out_ << "\n   Answers: a button's label or number\n";
    for (;;) {
        std::string line;
        if (!read_line("question", line)) {
            stop(view.line);
            return nullptr;
        }
        if (line.empty()) continue;
        auto text = typed_text(line);
        auto bytes = text ? utf8_to_cp1251(*text) : std::nullopt;
        std::optional<int> response;
        bool exact = false;
        for (size_t i = 0; bytes && i < view.options.size(); ++i) exact = exact || view.options[i] == *bytes;
        if (line == "help" && !exact) {
            out_ << "   Answers: a button's label or number\n";
            continue;
        }
        for (size_t i = 0; bytes && i < view.options.size() && !response; ++i)
            if (view.options[i] == *bytes) response = view.responses[i];
        for (size_t i = 0; bytes && i < view.options.size() && !response; ++i)
            if (lower(view.options[i]) == lower(*bytes)) response = view.responses[i];
        long long n = 0;
        if (!response && line[0] != '"' && parse_integer(line, n))
            for (int r : view.responses)
                if (r == n) response = r;
        if (!response) {
            out_ << "   no such button\n";
            continue;
        }
        Answer &answer = open(ActionKind::MessageDialog, Json{{"message_dialog", *response}});
        answer.action = parsed(record_[answer.record_at], answer.action.where);
        pending_ = &answer;
        settle();
        return &answer.action;
    }
}

const Action *TerminalEngineer::ask_part(const DialogView &view) {
    const char *key = view.kind == ActionKind::PartName  ? "part_name"
                      : view.kind == ActionKind::NewPart ? "new_part"
                                                         : "open_part";
    out_ << "\n== "
         << (view.kind == ActionKind::PartName  ? "Part name"
             : view.kind == ActionKind::NewPart ? "New part"
                                                : "Open part")
         << (view.title.empty() ? "" : ": " + utf8(view.title)) << "\n";
    if (view.kind == ActionKind::NewPart)
        out_ << "   Units offered: " << (view.units == 2 ? "inch (2)" : "metric (1)") << "\n"
             << "   Answers: a part name [units 1|2], cancel\n";
    else
        out_ << "   Answers: a part name, cancel\n";
    for (;;) {
        std::string line;
        if (!read_line(view.kind == ActionKind::PartName  ? "part name"
                       : view.kind == ActionKind::NewPart ? "new part"
                                                          : "open part",
                       line)) {
            stop(view.line);
            return nullptr;
        }
        if (line.empty()) continue;
        if (line == "help") {
            out_ << (view.kind == ActionKind::NewPart ? "   Answers: a part name [units 1|2], cancel\n"
                                                      : "   Answers: a part name, cancel\n")
                 << "   (\"help\" or \"cancel\" in quotes is a name)\n";
            continue;
        }
        Json record = Json::object();
        if (line == "cancel") {
            record[key] = nullptr;
        } else {
            std::string name = line;
            int units = 0;
            auto w = words(line);
            if (view.kind == ActionKind::NewPart && w.size() >= 3 && w[w.size() - 2] == "units" &&
                (w.back() == "1" || w.back() == "2")) {
                units = w.back()[0] - '0';
                name = trim(line.substr(0, line.rfind("units")));
            }
            auto text = typed_text(name);
            if (!text) {
                out_ << "   a quoted name must be one JSON string\n";
                continue;
            }
            if (!utf8_to_cp1251(*text)) {
                out_ << "   the name holds a character Windows-1251 lacks\n";
                continue;
            }
            record[key] = *text;
            if (units != 0) record["units"] = units;
        }
        try {
            Action a = parsed(record, "");
            Answer &answer = open(view.kind, record);
            a.where = answer.action.where;
            answer.action = std::move(a);
            pending_ = &answer;
            settle();
            return &answer.action;
        } catch (const InputError &e) {
            out_ << "   " << reason(e) << "\n";
        }
    }
}

const StylerStep *TerminalEngineer::next_step(const Action &a, size_t k, const Dialog &dialog) {
    Host &h = Host::get();
    Answer &answer = answer_of(a);
    if (h.aborted()) return nullptr;
    show_transcript();
    show_dialog(dialog, !answer.shown);
    if (!answer.shown) out_ << kDialogHelp;
    answer.shown = true;
    for (;;) {
        std::string line;
        if (!read_line("dialog", line)) {
            stop("styler " + quote(dialog.path));
            return nullptr;
        }
        if (line.empty()) continue;
        if (line == "help") {
            out_ << kDialogHelp;
            continue;
        }
        if (line == "show") {
            show_dialog(dialog, true);
            continue;
        }
        std::optional<Json> step = styler_step(dialog, line);
        if (!step) continue;
        StylerStep s;
        try {
            s = parsed(Json{{"styler", Json::array({*step})}}, "").steps.at(0);
        } catch (const InputError &e) {
            out_ << "   " << reason(e) << "\n";
            continue;
        }
        s.where = a.where + " step " + std::to_string(k + 1);
        record_[answer.record_at]["styler"].push_back(*step);
        answer.action.steps.push_back(s);
        return &answer.action.steps.back();
    }
}

std::optional<Json> TerminalEngineer::styler_step(const Dialog &dialog, const std::string &line) {
    auto [verb, rest] = split_first(line);
    std::string word = lower(verb);
    if (rest.empty() && (word == "ok" || word == "apply" || word == "cancel" || word == "back")) {
        if (std::find(dialog.layout.buttons.begin(), dialog.layout.buttons.end(), word) ==
            dialog.layout.buttons.end()) {
            out_ << "   the dialog has no " << word << " button\n";
            return std::nullopt;
        }
        return Json(word);
    }
    if (word == "respond") {
        long long code = 0;
        if (!parse_integer(rest, code) || code < INT_MIN || code > INT_MAX) {
            out_ << "   respond needs a response number\n";
            return std::nullopt;
        }
        return Json{{"respond", code}};
    }
    if (word != "type" && word != "enter" && word != "pick") {
        out_ << "   not a step; help lists them\n";
        return std::nullopt;
    }
    auto [name, value] = split_first(rest);
    if (name.empty()) {
        out_ << "   " << word << " needs an item\n";
        return std::nullopt;
    }
    std::string problem;
    const DialogItem *item = find_item(dialog, name, problem);
    if (item == nullptr) {
        out_ << "   " << problem << "\n";
        return std::nullopt;
    }
    if (!item->sensitive) {
        out_ << "   " << item->id << " is greyed: it cannot be changed now\n";
        return std::nullopt;
    }
    Json step = Json::object();
    if (word == "pick") {
        if (item->kind != ItemKind::List) {
            out_ << "   " << item->id << " is not a list\n";
            return std::nullopt;
        }
        step["pick"] = item->id;
        long long entry = 0;
        if (!value.empty() && value[0] != '"' && parse_integer(value, entry)) {
            if (entry < 0 || entry >= static_cast<long long>(item->entries.size())) {
                out_ << "   " << item->id << " has entries 0 to " << static_cast<long long>(item->entries.size()) - 1
                     << "\n";
                return std::nullopt;
            }
            step["entry"] = entry;
            return step;
        }
        auto text = typed_text(value);
        auto bytes = text ? utf8_to_cp1251(*text) : std::nullopt;
        if (!bytes || std::find(item->entries.begin(), item->entries.end(), *bytes) == item->entries.end()) {
            out_ << "   " << item->id << " has no such entry\n";
            return std::nullopt;
        }
        step["text"] = *text;
        return step;
    }
    step[word] = item->id;
    switch (item->kind) {
    case ItemKind::List: out_ << "   " << item->id << " is a list: pick an entry\n"; return std::nullopt;
    case ItemKind::Text: {
        auto text = typed_text(value);
        if (!text || !utf8_to_cp1251(*text)) {
            out_ << "   not a text the dialog can hold (Windows-1251; a quoted text is one JSON string)\n";
            return std::nullopt;
        }
        step["value"] = *text;
        return step;
    }
    case ItemKind::Integer:
    case ItemKind::Toggle: {
        double n = 0;
        if (!parse_number(value, n) || n != std::floor(n) || n < INT_MIN || n > INT_MAX ||
            (item->kind == ItemKind::Toggle && n != 0 && n != 1)) {
            out_ << "   " << item->id
                 << (item->kind == ItemKind::Toggle ? " takes 0 or 1\n" : " takes a whole number\n");
            return std::nullopt;
        }
        step["value"] = static_cast<long long>(n);
        return step;
    }
    case ItemKind::Real: {
        double n = 0;
        if (!parse_number(value, n)) {
            out_ << "   " << item->id << " takes a number\n";
            return std::nullopt;
        }
        step["value"] = n;
        return step;
    }
    }
    return std::nullopt;
}

void TerminalEngineer::show_dialog(const Dialog &dialog, bool all_entries) {
    if (all_entries) out_ << "\n== Dialog: " << utf8(dialog.layout.title) << "   (" << utf8(dialog.path) << ")\n";
    size_t width = 4;
    for (const auto &item : dialog.layout.items) width = std::max(width, item.id.size());
    for (const auto &item : dialog.layout.items) {
        out_ << "   " << item.id << std::string(width - item.id.size() + 2, ' ') << kind_word(item.kind)
             << std::string(9 - std::string(kind_word(item.kind)).size(), ' ') << item_value(item)
             << (item.sensitive ? "" : "   (greyed)") << "\n";
        if (item.kind != ItemKind::List) continue;
        std::string key = std::to_string(dialog.id) + "/" + item.id;
        auto seen = entries_seen_.find(key);
        if (!all_entries && seen != entries_seen_.end() && seen->second == item.entries) continue;
        entries_seen_[key] = item.entries;
        if (item.entries.empty()) out_ << "   " << std::string(width + 4, ' ') << "(no entries)\n";
        for (size_t i = 0; i < item.entries.size(); ++i)
            out_ << "   " << std::string(width + 4, ' ') << (i < 10 ? " " : "") << i << "  " << utf8(item.entries[i])
                 << (static_cast<int>(i) == item.selected ? "   <" : "") << "\n";
    }
    out_ << "   Buttons:";
    for (size_t i = 0; i < dialog.layout.buttons.size(); ++i) out_ << (i ? ", " : " ") << dialog.layout.buttons[i];
    out_ << "\n";
}

std::string TerminalEngineer::recording() const {
    std::string out = "{\n \"clock\": \"" + clock_text(clock_) + "\",\n \"actions\": [";
    for (size_t i = 0; i < record_.size(); ++i) out += (i == 0 ? "\n  " : ",\n  ") + record_[i].dump();
    out += record_.empty() ? "]\n}\n" : "\n ]\n}\n";
    return out;
}

}  // namespace nxsim
