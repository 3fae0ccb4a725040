// `nxsim run`: one tool on one session, answered by a script or at the terminal.
#include "run.h"

#include <fstream>
#include <iomanip>
#include <iostream>
#include <optional>

#include "engineer.h"
#include "files.h"
#include "log.h"
#include "platform.h"
#include "run_tool.h"
#include "session_file.h"
#include "summary.h"
#include "terminal.h"

namespace nxsim {

namespace fs = std::filesystem;

fs::path default_tools_dir() {
    fs::path exe = platform::executable_path();
    if (exe.empty()) return "tools";
    return exe.parent_path().parent_path() / "tools";
}

namespace {

bool same_file(const fs::path &a, const fs::path &b) {
    auto spelled = [](const fs::path &p) {
        std::error_code ec;
        fs::path full = fs::weakly_canonical(p, ec);
        return ec ? fs::absolute(p, ec).lexically_normal() : full;
    };
    return spelled(a) == spelled(b);
}

}  // namespace

fs::path recorded_session(const fs::path &record) {
    return record.parent_path() / (record.stem().string() + ".session.json");
}

int run_command(const RunOptions &o, std::ostream &err) {
    const bool interactive = o.script.empty();
    std::unique_ptr<Session> session;
    Script script;
    fs::path module;
    std::string starting_session;
    const fs::path target = o.save_as.empty() ? o.session : o.save_as;
    std::optional<SessionLock> lock;
    try {
        // Taken before the session is read: a second run would save over this one's work.
        refuse_read_only(target);
        lock.emplace(target);
        finish_cut_commits(target, o.run_dir, err);
        session = load_session(o.session);
        if (interactive) {
            script.source = "terminal";
            script.clock = local_clock_now();
        } else {
            script = load_script(o.script);
        }
        module = tool_module(o.tools_dir, o.tool);
        // Known before the engineer starts answering, not after.
        if (!o.record.empty()) {
            fs::path folder = o.record.parent_path().empty() ? fs::path(".") : o.record.parent_path();
            if (!fs::is_directory(folder)) throw InputError(o.record.string() + ": no such folder for the recording");
            // Three files of their own: one name for two of them would keep only one.
            if (same_file(o.record, target) || same_file(recorded_session(o.record), target))
                throw InputError(o.record.string() + ": the recording and the session it starts from (" +
                                 recorded_session(o.record).string() + ") need names other than the session's");
            std::ifstream in(o.session, std::ios::binary);
            starting_session.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        prepare_run_dir(o.run_dir, script.missing, o.dialogs_dir);
    } catch (const InputError &e) {
        err << e.what() << "\n";
        return kExitBadInput;
    }
    std::ostream &out = o.out != nullptr ? *o.out : std::cout;
    std::unique_ptr<TerminalEngineer> terminal;
    std::unique_ptr<ScriptEngineer> scripted;
    if (interactive)
        terminal = std::make_unique<TerminalEngineer>(o.in != nullptr ? *o.in : std::cin, out, script.clock);
    else
        scripted = std::make_unique<ScriptEngineer>(script);
    Engineer &engineer = interactive ? static_cast<Engineer &>(*terminal) : *scripted;
    // What the run changes is journalled, as in a workflow: the summary reads the
    // journal, not two copies of the whole session.
    session->begin_journal();
    ToolOutcome outcome = run_tool(*session, script, engineer, module, o.run_dir, o.tool);
    if (terminal) terminal->show_transcript(outcome.transcript);
    if (!outcome.ok) {
        err << outcome.error << "\n";
        size_t from = outcome.transcript.size() > 12 ? outcome.transcript.size() - 12 : 0;
        err << "nxsim: last lines of the transcript:\n";
        for (size_t i = from; i < outcome.transcript.size(); ++i) err << "  " << outcome.transcript[i] << "\n";
        err << "nxsim: nothing saved\n";
        return kExitRunFailed;
    }
    // All or nothing: the tool's files, the transcript, the recording and the session.
    FileSet files({target, o.run_dir});
    for (const auto &[temp, final_path] : outcome.files) files.adopt(temp, final_path);
    for (const auto &gone : outcome.removed) files.remove(gone);
    try {
        std::string text;
        for (const auto &line : outcome.transcript) text += line + "\n";
        files.write(o.run_dir / "transcript.txt", text);
        if (terminal && !o.record.empty()) {
            // The session as it was before the run, beside the recording: the run saves
            // over the session, and the recording replays on what the run started from.
            files.write(recorded_session(o.record), starting_session);
            files.write(o.record, terminal->recording());
        }
        files.write(target, session_text(*session));
        files.commit();
    } catch (const InputError &e) {
        err << e.what() << "\n";
        if (files.cut())
            err << "nxsim: the run was cut off while it was put in place: the next run on " << target.string()
                << " or in " << o.run_dir.string() << " completes it\n";
        else
            err << "nxsim: nothing saved\n";
        return kExitRunFailed;
    }
    fs::path log;
    try {
        log = find_log({o.run_dir, ""});
    } catch (const InputError &) {
        // The tool wrote no log: the summary says nothing of one.
    }
    out << std::left << std::setw(19) << o.tool << " " << run_summary(o.tool, outcome, *session->journal(), log)
        << "\n";
    session->commit_journal();
    if (terminal)
        out << "nxsim: session saved to " << target.string()
            << (o.record.empty() ? std::string()
                                 : "; answers recorded in " + o.record.string() + ", the session they start from in " +
                                       recorded_session(o.record).string())
            << "\n";
    return kExitOk;
}

}  // namespace nxsim
