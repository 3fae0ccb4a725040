#include "terminal.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <optional>
#include <set>
#include <utility>

#include "calendar.h"
#include "cp1251.h"
#include "model.h"
#include "platform.h"
#include "references.h"

namespace nxsim {
using namespace terminal;
namespace {

constexpr size_t kListShown = 60;  // candidates listed when a selection opens; "list" shows all

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

void TerminalEngineer::show_transcript() { show_transcript(desk_.transcript()); }

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
    desk_.stop("end of input at the terminal while the tool shows " + dialog +
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
    size_t at = desk_.wait(seconds, pending_transcript_);
    if (at < transcript_shown_) {
        ++transcript_shown_;
        out_ << "  | " << desk_.transcript()[at] << "\n";
    }
    recorder_.wait_before(answer->record, seconds);
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
    answer.record = recorder_.add(std::move(record));
    answers_.push_back(std::move(answer));
    return answers_.back();
}

const Action *TerminalEngineer::next(const DialogView &view) {
    if (desk_.stopping()) {
        desk_.dialog_while_stopping();
        return nullptr;
    }
    // A dialog opened from inside another one: the outer dialog's time so far is its wait.
    settle();
    pending_transcript_ = desk_.transcript().size();
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
    Answer &answer = answer_of(a);
    Json &record = *answer.record;
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
    if (desk_.stopping()) {
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
        show_selection_heading(out_, view);
        show_selection(answer, view, "", kListShown);
        out_ << kSelectionHelp;
        answer.shown = true;
    } else {
        size_t n = desk_.selected(view).size();
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
        SelectionLine typed = read_selection(line, answer.numbered.size(), view.single);
        switch (typed.kind) {
        case SelectionLine::Kind::Help: out_ << kSelectionHelp; continue;
        case SelectionLine::Kind::List: show_selection(answer, view, typed.pattern, SIZE_MAX); continue;
        case SelectionLine::Kind::Tree: {
            std::optional<std::string> displayed = desk_.displayed();
            if (!displayed) continue;
            std::vector<tag_t> pickable = view.candidates ? view.candidates() : std::vector<tag_t>();
            show_tree(out_, *displayed, desk_.tree(), pickable);
            continue;
        }
        case SelectionLine::Kind::Press: return press(typed.press, typed.code);
        case SelectionLine::Kind::Problem: out_ << "   " << typed.problem << "\n"; continue;
        case SelectionLine::Kind::Numbers:
        case SelectionLine::Kind::Reference: break;
        }
        std::vector<std::string> refs = picks_of(answer, typed);
        if (refs.empty()) continue;
        answer.queued.assign(refs.begin() + 1, refs.end());
        return take(refs.front());
    }
}

std::vector<std::string> TerminalEngineer::picks_of(const Answer &answer, const SelectionLine &typed) {
    if (typed.kind == SelectionLine::Kind::Reference) {
        if (desk_.objects_named(typed.reference) == 0) {
            out_ << "   \"" << utf8(typed.reference) << "\" names no object below the displayed part\n";
            return {};
        }
        return {typed.reference};
    }
    // A listed object goes into the script by its path, which must name it alone.
    std::vector<std::string> refs;
    for (size_t n : typed.numbers) refs.push_back(answer.numbered[n - 1]);
    for (const auto &r : refs)
        if (desk_.objects_named(r) != 1) {
            out_ << "   " << utf8(r)
                 << " cannot be named alone by its path (its name holds * or ?): give a reference\n";
            return {};
        }
    return refs;
}

void TerminalEngineer::show_selection(Answer &answer, const DialogView &view, const std::string &pattern,
                                      size_t limit) {
    std::vector<tag_t> found = view.candidates ? view.candidates() : std::vector<tag_t>();
    std::set<tag_t> selected = desk_.selected(view);
    answer.numbered.clear();
    std::vector<Listed> listed;
    for (tag_t t : found) {
        std::string path = desk_.reference_of(t);
        if (!pattern.empty() && !glob_match(pattern, path) && !glob_match(pattern + "/*", path)) continue;
        answer.numbered.push_back(path);
        listed.push_back({path, desk_.part_of(t), selected.contains(t)});
    }
    show_candidates(out_, listed, pattern, limit);
}

const Action *TerminalEngineer::ask_choice(const DialogView &view) {
    show_choice(out_, view);
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
        std::optional<int> code = read_choice(line, view.options);
        if (!code) {
            out_ << "   no such option: give 5 to " << last << ", an option's text, back or cancel\n";
            continue;
        }
        Answer &answer = open(ActionKind::Choice, Json{{"choice", *code}});
        answer.action = parsed(*answer.record, answer.action.where);
        pending_ = &answer;
        settle();
        return &answer.action;
    }
}

const Action *TerminalEngineer::ask_question(const DialogView &view) {
    show_question(out_, view);
    for (;;) {
        std::string line;
        if (!read_line("question", line)) {
            stop(view.line);
            return nullptr;
        }
        if (line.empty()) continue;
        QuestionLine typed = read_question(line, view.options, view.responses);
        if (typed.help) {
            out_ << "   Answers: a button's label or number\n";
            continue;
        }
        if (!typed.response) {
            out_ << "   no such button\n";
            continue;
        }
        Answer &answer = open(ActionKind::MessageDialog, Json{{"message_dialog", *typed.response}});
        answer.action = parsed(*answer.record, answer.action.where);
        pending_ = &answer;
        settle();
        return &answer.action;
    }
}

const Action *TerminalEngineer::ask_part(const DialogView &view) {
    const char *key = view.kind == ActionKind::PartName  ? "part_name"
                      : view.kind == ActionKind::NewPart ? "new_part"
                                                         : "open_part";
    show_part_dialog(out_, view);
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
        PartLine typed = read_part(line, key, view.kind == ActionKind::NewPart);
        if (typed.help) {
            out_ << part_answers(view) << "   (\"help\" or \"cancel\" in quotes is a name)\n";
            continue;
        }
        if (!typed.record) {
            out_ << "   " << typed.problem << "\n";
            continue;
        }
        try {
            Action a = parsed(*typed.record, "");
            Answer &answer = open(view.kind, *typed.record);
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
    Answer &answer = answer_of(a);
    if (desk_.stopping()) return nullptr;
    show_transcript();
    show_dialog(out_, dialog, !answer.shown, entries_seen_);
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
            show_dialog(out_, dialog, true, entries_seen_);
            continue;
        }
        StepLine typed = read_step(dialog.layout, line);
        if (!typed.step) {
            out_ << "   " << typed.problem << "\n";
            continue;
        }
        StylerStep s;
        try {
            s = parsed(Json{{"styler", Json::array({*typed.step})}}, "").steps.at(0);
        } catch (const InputError &e) {
            out_ << "   " << reason(e) << "\n";
            continue;
        }
        s.where = a.where + " step " + std::to_string(k + 1);
        (*answer.record)["styler"].push_back(*typed.step);
        answer.action.steps.push_back(s);
        return &answer.action.steps.back();
    }
}

std::string TerminalEngineer::recording() const { return recorder_.script(clock_); }

}  // namespace nxsim
