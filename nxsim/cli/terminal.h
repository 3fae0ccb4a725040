// The engineer at the terminal: each dialog is shown with its own texts (terminal_view)
// and the answers are read line by line (terminal_grammar), one pick or one dialog step
// at a time, against what the desk shows of the run (terminal_desk). The answers given
// are kept as an engineer script that replays the run (terminal_recorder).
#pragma once

#include <chrono>
#include <ctime>
#include <deque>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "engineer.h"
#include "json_error.h"
#include "terminal_desk.h"
#include "terminal_grammar.h"
#include "terminal_recorder.h"
#include "terminal_view.h"

namespace nxsim {

class TerminalEngineer : public Engineer {
public:
    // Seconds since the engineer sat down at the terminal.
    using Elapsed = std::function<double()>;

    // `in` and `out` carry UTF-8; `clock` is the run's start time, which the script records.
    // `elapsed` is the steady clock unless given (a fuzzer gives its own, to play the same
    // input the same way every time).
    TerminalEngineer(std::istream &in, std::ostream &out, std::time_t clock, Elapsed elapsed = {});

    const Action *next(const DialogView &view) override;
    const std::string *next_pick(const Action &a, size_t k, const DialogView &view) override;
    const StylerStep *next_step(const Action &a, size_t k, const Dialog &dialog) override;
    void closed(const Action &a) override;
    std::vector<std::string> unused() const override { return {}; }

    // Transcript lines the engineer has not seen yet (the host's, or a finished run's).
    void show_transcript();
    void show_transcript(const std::vector<std::string> &lines);
    // The answers as an engineer script (UTF-8 JSON text).
    std::string recording() const;

private:
    struct Answer {
        Action action;
        terminal::Recorder::Entry record;   // its action in the recording
        std::vector<std::string> numbered;  // selection: the references last listed, by number - 1
        std::vector<std::string> queued;    // selection: picks given on one line, not yet made
        bool shown = false;
    };

    bool read_line(const std::string &prompt, std::string &line);
    void stop(const std::string &dialog);
    void settle();
    Answer &answer_of(const Action &a);
    Answer &open(ActionKind kind, Json record);
    const Action *ask_choice(const DialogView &view);
    const Action *ask_question(const DialogView &view);
    const Action *ask_part(const DialogView &view);
    void show_selection(Answer &answer, const DialogView &view, const std::string &pattern, size_t limit);
    // The references a selection line's numbers or reference stand for; empty (and the
    // engineer told why) when they cannot be picked.
    std::vector<std::string> picks_of(const Answer &answer, const terminal::SelectionLine &typed);

    std::istream &in_;
    std::ostream &out_;
    bool echo_;  // the input is not a terminal: show what was read
    std::time_t clock_;
    Elapsed elapsed_;
    long long waited_ = 0;
    Answer *pending_ = nullptr;      // the answer whose time has not passed on the clock yet
    size_t pending_transcript_ = 0;  // where its wait goes in the transcript
    size_t transcript_shown_ = 0;
    std::deque<Answer> answers_;
    terminal::Desk desk_;
    terminal::Recorder recorder_;
    terminal::EntriesSeen entries_seen_;
};

// The local time now, as a script's clock holds it.
std::time_t local_clock_now();

}  // namespace nxsim
