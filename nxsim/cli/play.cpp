// `nxsim play`: a workflow is one session and a list of tool runs, played in order
// as an engineer would, on one session kept in memory.
#include <algorithm>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <map>
#include <optional>
#include <set>
#include <sstream>

#include "cp1251.h"
#include "engineer.h"
#include "files.h"
#include "host.h"
#include "log.h"
#include "references.h"
#include "run.h"
#include "run_tool.h"
#include "session_file.h"
#include "summary.h"

namespace nxsim {
namespace {

namespace fs = std::filesystem;

// The session is written when the workflow ends, after the runs' files are in place:
// a target that can never be saved is refused before the first run, not after the last.
void refuse_unsavable(const fs::path &session_file) {
    std::error_code ec;
    if (fs::is_directory(session_file, ec))
        throw InputError(session_file.string() + ": is a folder: the session cannot be saved there");
    fs::path folder = session_file.parent_path().empty() ? fs::path(".") : session_file.parent_path();
    if (fs::exists(folder, ec) && (!fs::is_directory(folder, ec) || !folder_writable(folder)))
        throw InputError(session_file.string() + ": the session cannot be saved in " + folder.string());
}

struct PlannedRun {
    bool reopen = false;    // not a tool: the engineer opens the displayed assembly again
    bool move = false;      // not a tool: the engineer drags a component
    std::string reference;  // of the component dragged, as the host holds names
    std::string shown;      // the same as written, for people
    Vec3 by{0, 0, 0};       // in the displayed part's absolute coordinates
    std::string where;      // of the step in the workflow, for its error
    std::string tool;
    fs::path script_path;
    Script script;
    fs::path module;
};

// Opening an assembly loads every part below it, such as parts a tool closed.
size_t reopen_assembly(Session &s) {
    size_t loaded = 0;
    if (s.display == nullptr) return 0;
    std::vector<Part *> todo{s.display};
    std::set<Part *> seen{s.display};
    while (!todo.empty()) {
        Part *p = todo.back();
        todo.pop_back();
        for (const Instance *i : p->components) {
            Part *child = s.find_part(i->part_name);
            if (child == nullptr || !seen.insert(child).second) continue;
            if (!child->loaded) {
                child->loaded = true;
                ++loaded;
            }
            todo.push_back(child);
        }
    }
    return loaded;
}

// The engineer drags one component by a vector of the displayed part's absolute
// coordinates, as a designer corrects a rivet's place. Answers why it cannot, or "".
std::string move_component(Session &s, const std::string &reference, const Vec3 &by) {
    std::vector<tag_t> found = resolve(s, reference);
    if (found.size() != 1)
        return found.empty() ? "names nothing" : "names " + std::to_string(found.size()) + " objects, not one";
    const Occurrence *occ = s.occurrence(found[0]);
    if (occ == nullptr) return "names no component";
    // The instance's place is in its parent part's coordinates.
    const Occurrence *parent = occ->parent != NULL_TAG ? s.occurrence(occ->parent) : nullptr;
    Vec3 local = parent != nullptr ? s.absolute(*parent).dir_from_parent(by) : by;
    s.touch(occ->instance);
    occ->instance->place.origin = occ->instance->place.origin + local;
    return "";
}

std::string two_digits(size_t n) {
    std::ostringstream s;
    s << std::setw(2) << std::setfill('0') << n;
    return s.str();
}

}  // namespace

int play_command(const PlayOptions &o, std::ostream &out, std::ostream &err) {
    std::unique_ptr<Session> session;
    std::vector<PlannedRun> plan;
    fs::path session_file;
    std::optional<SessionLock> lock;
    try {
        Json json = read_json_file(o.workflow, "workflow");
        Place top(o.workflow.string(), json);
        top.only({"session", "runs"});
        fs::path base = o.workflow.parent_path();
        fs::path source = o.session.empty() ? base / top["session"].text() : o.session;
        session_file = o.session.empty() ? o.run_dir / "session.json" : o.session;
        // Taken before the session is read: a second run would save over this one's work.
        refuse_read_only(session_file);
        refuse_unsavable(session_file);
        lock.emplace(session_file);
        finish_cut_commits(session_file, o.run_dir, err);
        session = load_session(source);
        Place runs = top["runs"];
        if (runs.array().empty()) runs.fail("a workflow needs at least one run");
        // Everything is checked before the first run changes anything.
        for (size_t i = 0; i < runs.value().size(); ++i) {
            Place r = runs[i];
            PlannedRun run;
            if (r.has("reopen")) {
                r.only({"reopen"});
                if (!r["reopen"].boolean()) r["reopen"].fail("only true has a meaning");
                run.reopen = true;
                run.tool = "reopen";
                plan.push_back(std::move(run));
                continue;
            }
            if (r.has("move")) {
                r.only({"move", "by"});
                run.move = true;
                run.tool = "move";
                run.reference = r["move"].cp1251();
                run.shown = r["move"].text();
                run.where = r["move"].located();
                Place by = r["by"];
                if (by.array().size() != 3) by.fail("a move is three numbers: x, y, z");
                for (size_t i = 0; i < 3; ++i) run.by[i] = by[i].number();
                plan.push_back(std::move(run));
                continue;
            }
            r.only({"tool", "script"});
            run.tool = r["tool"].text();
            try {
                run.module = tool_module(o.tools_dir, run.tool);
            } catch (const InputError &e) {
                // The module's message ends with the tools there are.
                std::string what = e.what();
                size_t known = what.rfind(" (");
                r["tool"].fail("unknown tool '" + run.tool + "'" +
                               (known == std::string::npos ? "" : what.substr(known)));
            }
            run.script_path = base / r["script"].text();
            run.script = load_script(run.script_path);
            plan.push_back(std::move(run));
        }
    } catch (const InputError &e) {
        err << e.what() << "\n";
        return kExitBadInput;
    }

    std::error_code ec;
    fs::create_directories(o.run_dir / "transcripts", ec);
    fs::create_directories(o.run_dir / "logs", ec);
    // A session in a run folder made just now is locked now.
    if (!lock->held()) try {
            lock.reset();
            lock.emplace(session_file);
        } catch (const InputError &e) {
            err << e.what() << "\n";
            return kExitBadInput;
        }
    fs::path drives = o.run_dir / "drives";
    // The session stays in memory from run to run and is written at the end, or when a
    // run fails (without that run: its changes are taken back), or after every run
    // with --save-each.
    bool unsaved = false;
    auto save = [&]() {
        try {
            // The lock goes with the new file: a save in the middle does not free the session.
            FileSet file;
            lock->carry_to(file.write(session_file, session_text(*session)));
            file.commit();
            unsaved = false;
            return true;
        } catch (const std::exception &e) {
            err << e.what() << "\n";
            return false;
        }
    };
    // What the session holds is said once it is saved: one that cannot be saved holds
    // none of the runs.
    auto stop = [&](int code, const std::string &said = "") {
        bool saved = !unsaved || save();
        if (!said.empty())
            err << said
                << (saved
                        ? "the session holds the runs before it: " + session_file.string()
                        : "the session is not saved: " + session_file.string() + " holds none of this workflow's runs")
                << "\n";
        return code;
    };
    for (size_t k = 0; k < plan.size(); ++k) {
        PlannedRun &run = plan[k];
        std::string label = two_digits(k + 1) + "_" + run.tool;
        if (run.reopen) {
            size_t loaded = reopen_assembly(*session);
            unsaved = true;
            if (o.save_each && !save()) return kExitRunFailed;
            out << two_digits(k + 1) << " " << std::left << std::setw(19) << "reopen"
                << " the engineer opens the displayed assembly again: " << loaded << " part" << (loaded == 1 ? "" : "s")
                << " loaded\n";
            continue;
        }
        if (run.move) {
            std::string why = move_component(*session, run.reference, run.by);
            if (!why.empty()) {
                err << run.where << ": " << run.shown << " " << why << "\n";
                return stop(kExitBadInput, "nxsim: ");
            }
            unsaved = true;
            if (o.save_each && !save()) return kExitRunFailed;
            std::ostringstream by;
            by << run.by[0] << ", " << run.by[1] << ", " << run.by[2];
            out << two_digits(k + 1) << " " << std::left << std::setw(19) << "move"
                << " the engineer moves " << run.shown << " by (" << by.str() << ")\n";
            continue;
        }
        try {
            prepare_run_dir(drives, run.script.missing, o.dialogs_dir);
        } catch (const InputError &e) {
            err << e.what() << "\n";
            return stop(kExitBadInput);
        }
        ScriptEngineer engineer(run.script);
        session->begin_journal();
        ToolOutcome result = run_tool(*session, run.script, engineer, run.module, drives, run.tool);
        if (!result.ok) {
            session->rollback_journal();
            err << "nxsim: run " << (k + 1) << " (" << run.tool << ", " << run.script_path.string()
                << ") failed: " << result.error << "\n";
            size_t from = result.transcript.size() > 12 ? result.transcript.size() - 12 : 0;
            for (size_t i = from; i < result.transcript.size(); ++i) err << "  " << result.transcript[i] << "\n";
            return stop(kExitRunFailed, "nxsim: ");
        }
        std::string text;
        for (const auto &line : result.transcript) text += line + "\n";
        // All or nothing: the tool's files, the transcript, the log and the session.
        FileSet files({session_file, o.run_dir});
        for (const auto &[temp, final_path] : result.files) files.adopt(temp, final_path);
        for (const auto &gone : result.removed) files.remove(gone);
        fs::path log;
        try {
            files.write(o.run_dir / "transcripts" / (label + ".txt"), text);
            // The log this run wrote: one left on the drive by an earlier run is not its.
            const fs::path drive_log = drives / "D" / "prterr.txt";
            bool logged = std::any_of(result.files.begin(), result.files.end(),
                                      [&](const auto &f) { return f.second == drive_log; });
            if (auto bytes = logged ? files.bytes_for(drive_log) : std::nullopt) {
                log = o.run_dir / "logs" / (label + ".prterr.txt");
                files.write(log, *bytes);
                // Beside the tool's Windows-1251 bytes, a copy a terminal shows as it is.
                files.write(o.run_dir / "logs" / (label + ".prterr.utf8.txt"), log_as_utf8(*bytes));
            }
            // With --save-each the session goes in place with the run's files, all or nothing.
            if (o.save_each) lock->carry_to(files.write(session_file, session_text(*session)));
            files.commit();
        } catch (const std::exception &e) {
            if (files.cut()) {
                // Recorded: the run is wholly in place once the next run completes it, so
                // the session keeps it.
                session->commit_journal();
                unsaved = !o.save_each;
                bool saved = !unsaved || save();
                err << e.what() << "\n"
                    << "nxsim: run " << (k + 1) << " (" << run.tool
                    << ") was cut off while it was put in place: the next run on " << session_file.string() << " or in "
                    << o.run_dir.string() << " completes it" << (saved ? "" : "; the session is not saved") << "\n";
                return kExitRunFailed;
            }
            // The run's files cannot all be put in place: the run is taken back.
            session->rollback_journal();
            err << e.what() << "\n";
            return stop(kExitRunFailed, "nxsim: run " + std::to_string(k + 1) + " (" + run.tool + ") not saved; ");
        }
        std::string summary = run_summary(run.tool, result, *session->journal(), log);
        session->commit_journal();
        unsaved = !o.save_each;  // with --save-each it went in place with the run's files
        out << two_digits(k + 1) << " " << std::left << std::setw(19) << run.tool << " " << summary << "\n";
    }
    if (unsaved && !save()) return kExitRunFailed;
    return kExitOk;
}

}  // namespace nxsim
