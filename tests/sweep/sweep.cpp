// The fault sweep: plays the sample workflow and, for each of its tool runs, plays
// the run again with one host call failing, then checks what the run left. Every
// planned run is checked, and the summary says so ("checked N of M planned"):
// - always: no crash, no sanitizer report (text or exit code), the tool unloaded;
// - a run that ends out of step with its script (exit 1) leaves the session, the
//   drives and the run folder byte for byte as they were;
// - a run that ends (exit 0): the reporter line carrying the injected code in the log
//   (but for the calls of the table below, which the tools leave unreported), none of
//   the host's diagnostics in the transcript (NX Open left started, object lists not
//   deleted, files left open), and what must hold whatever failed (every rivet once,
//   process attributes of the chosen fastener, a machine file that passes the check, a
//   session that loads).
//
// Each run starts from the run folder and the session the clean workflow left before
// it, as an engineer's would. Which calls fail: every call of a run under
// SWEEP_EVERY_BELOW calls (100, so that CI plays it under the sanitizers in minutes;
// 2000 for the long sweep); in longer runs the first, second and last call of each
// host function the run makes. SWEEP_FULL=1 fails every call of every run; SWEEP_RUNS=3,12
// plays only those runs (1-based, as the workflow counts them); SWEEP_JOBS sets how
// many runs play at once (2).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "child_process.h"
#include "common/catalogue.h"
#include "sanitizer.h"
#include "session_file.h"

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

// A code no host call answers by itself, so its reporter line is unmistakable.
constexpr int FAULT_CODE = 999001;

std::string read_file(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void write_file(const fs::path &path, const std::string &text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

long env_number(const char *name, long fallback) {
    const char *v = std::getenv(name);
    return v != nullptr && *v != '\0' ? std::atol(v) : fallback;
}

struct process_result {
    int exit_code = 0;  // 128 + signal when killed
    bool signalled = false;
    std::string out;
    std::string err;
};

process_result run_program(const std::vector<std::string> &argv, const std::vector<std::string> &environment = {}) {
    scenario::child_options options;
    options.environment = environment;
    scenario::child_result c = scenario::run_child(argv, options);
    return {c.exit_code, c.signalled, c.out, c.err};
}

// The files of a run folder with their bytes: what an engineer finds there. The dialog
// files nxsim lays in are the suite's own and left out.
using folder_state = std::map<std::string, std::string>;

folder_state state_of(const fs::path &dir) {
    folder_state files;
    if (!fs::is_directory(dir)) return files;
    for (const auto &e : fs::recursive_directory_iterator(dir))
        if (e.is_regular_file() && e.path().extension() != ".dlg")
            files[fs::relative(e.path(), dir).generic_string()] = read_file(e.path());
    return files;
}

// What differs between two states of a folder, empty when nothing does.
std::string difference(const folder_state &before, const folder_state &after) {
    for (const auto &[rel, bytes] : after) {
        auto was = before.find(rel);
        if (was == before.end()) return rel + " was written";
        if (was->second != bytes) return rel + " was changed";
    }
    for (const auto &entry : before)
        if (after.count(entry.first) == 0) return entry.first + " was removed";
    return "";
}

// The files of a run that are new or changed against the folder it started from.
folder_state written(const folder_state &before, const folder_state &after) {
    folder_state files;
    for (const auto &[rel, bytes] : after) {
        auto was = before.find(rel);
        if (was == before.end() || was->second != bytes) files[rel] = bytes;
    }
    return files;
}

// The run's transcript and its error log (as the tool wrote it) among its files.
std::string transcript_of(const folder_state &files) {
    for (const auto &[rel, bytes] : files)
        if (rel.rfind("transcripts/", 0) == 0) return bytes;
    return "";
}
std::string log_of(const folder_state &files) {
    for (const auto &[rel, bytes] : files)
        if (rel.rfind("logs/", 0) == 0 && rel.find(".utf8.") == std::string::npos) return bytes;
    return "";
}

// Host calls whose failure the tools' description leaves without a reporter line
// carrying the failed call's code, with why; and the host's diagnostic that a failed
// release leaves by itself. `reported`: what the log holds instead.
enum class reported {
    code,   // the reporter line with the injected code, as for any call
    later,  // a reporter line for a later call that fails on what this one answered
    none,   // no reporter line: the tool's own message, or nothing at all
};
struct unreported_call {
    const char *call;
    const char *tool;  // "*": every tool
    reported log;
    const char *leaves;  // the host's diagnostic the failure leaves, or null
    const char *why;
};
const unreported_call kUnreported[] = {
    {"fopen", "*", reported::none, nullptr,
     "opens the error log itself: there is no log to report to (the frame shows its box and returns); "
     "in fpdf_export and fpdf_verify also the machine file, whose failure has a box and log line of its own"},
    {"UF_PART_ask_display_part", "*", reported::none, nullptr,
     "answers a tag: its failure is the null tag, which is 'no part displayed', with its own box and log line"},
    {"UF_UI_set_sel_mask", "*", reported::later, nullptr,
     "made in a selection's init procedure, which answers only 0 to the host; the selection dialog then fails"},
    {"UF_UI_set_sel_procs", "*", reported::later, nullptr,
     "made in a selection's init procedure, which answers only 0 to the host; the selection dialog then fails"},
    {"uc1601", "*", reported::none, nullptr,
     "a message box answers only that the engineer acknowledged it: the tools go on either way"},
    {"UF_ASSEM_ask_part_occ_of_inst", "route_edit", reported::none, nullptr,
     "answers a tag: a split that finds no component of its new route says so in a box, takes the route back "
     "and ends with 0; a moved rivet's null occurrence makes the next call fail, which is reported"},
    {"UF_ASSEM_ask_part_occ_of_inst", "*", reported::later, nullptr,
     "answers a tag and is not checked (flat assembly, transfer): the null occurrence makes the next call fail"},
    {"UF_ASSEM_ask_inst_of_part_occ", "rivet_transfer", reported::later, nullptr,
     "answers a tag: removing the null instance fails"},
    {"UF_PART_ask_part_tag", "rivet_transfer", reported::later, nullptr,
     "answers a tag: making the null part the work part fails"},
    {"UF_ASSEM_ask_child_of_instance", "route_create", reported::none, nullptr,
     "answers a tag: the null child part has its own message and ends the run with 0"},
    {"UF_ASSEM_ask_inst_of_part_occ", "route_edit", reported::later, nullptr,
     "answers a tag: removing the null instance fails"},
    {"UF_PART_ask_part_tag", "route_edit", reported::later, nullptr,
     "answers a tag: making the null part the work part fails"},
    {"UF_ASSEM_ask_child_of_instance", "route_edit", reported::none, nullptr,
     "answers a tag: the null child part of a split's new route has route creation's message, the route is taken "
     "back and the run ends with 0"},
    {"UF_terminate", "*", reported::code, "NX Open left started",
     "the call that ends NX Open failed, so the host still counts it started"},
    {"UF_MODL_delete_list", "*", reported::code, "object list(s) not deleted",
     "the call that deletes the list failed, so the host still holds it"},
};
constexpr size_t kUnreportedCount = sizeof kUnreported / sizeof kUnreported[0];

// The table's row for this call of this tool, or null.
const unreported_call *unreported(const std::string &tool, const std::string &call) {
    for (const unreported_call &u : kUnreported)
        if (call == u.call && (std::string(u.tool) == "*" || tool == u.tool)) return &u;
    return nullptr;
}

// What the host says in a transcript about what a tool left behind.
const char *const kHostDiagnostics[] = {"NX Open left started", "object list(s) not deleted", "file(s) left open",
                                        "the tool asks to stay loaded", "internal error in "};

struct tool_run {
    int number = 0;  // 1-based place in the workflow
    std::string tool;
    Json script;
    Json steps = Json::array();  // the engineer's own steps right before it (reopen, move)
};

// A rivet's process values, as the session holds them on the instance.
struct process_values {
    std::map<std::string, std::string> values;
    bool operator==(const process_values &o) const { return values == o.values; }
};

const char *const process_titles[] = {"rivet", "pr_code", "ad_code", "fast_code", "grip_lng"};

std::string attribute_text(const Json &attributes, const char *title) {
    if (!attributes.is_object() || !attributes.contains(title)) return "<none>";
    const Json &v = attributes[title];
    return v.is_string() ? v.get<std::string>() : v.dump();
}

struct session_view {
    bool loaded = false;
    std::string display;
    std::map<std::string, const Json *> parts;
    Json json;
    // Rivets under the displayed part by instance path, with their process values.
    std::map<std::string, process_values> rivets;
    std::map<std::string, int> rivet_names;  // instance name -> how often

    void walk(const std::string &part, const std::string &path, int depth) {
        auto it = parts.find(part);
        if (it == parts.end() || depth > 64) return;
        const Json &p = *it->second;
        if (!p.contains("components")) return;
        for (const Json &c : p["components"]) {
            std::string name = c.value("name", std::string());
            std::string child = c.value("part", std::string());
            std::string where = path.empty() ? name : path + "/" + name;
            const Json &attrs = c.contains("attributes") ? c["attributes"] : Json();
            bool rivet = attrs.is_object() && attrs.contains("RIVET");
            if (!rivet) {
                auto cp = parts.find(child);
                rivet = cp != parts.end() && cp->second->contains("attributes") &&
                        (*cp->second)["attributes"].contains("RIVET");
            }
            if (rivet) {
                process_values v;
                for (const char *t : process_titles) v.values[t] = attribute_text(attrs, t);
                rivets[where] = v;
                ++rivet_names[name];
            }
            walk(child, where, depth + 1);
        }
    }

    // from: the part to walk from instead of the displayed one (a failed run may have
    // left another part displayed; its rivets are still judged in the assembly).
    explicit session_view(const fs::path &file, const std::string &from = "") {
        try {
            json = Json::parse(read_file(file));
            display = from.empty() ? json.value("display", std::string()) : from;
            for (const Json &p : json["parts"]) parts[p.at("name").get<std::string>()] = &p;
            walk(display, "", 0);
            loaded = true;
        } catch (const std::exception &) {
            loaded = false;
        }
    }

    const Json *part(const std::string &name) const {
        auto it = parts.find(name);
        return it == parts.end() ? nullptr : it->second;
    }
};

struct tally {
    std::atomic<long> runs{0}, checked{0}, crashes{0}, sanitizer{0}, invariant{0}, unsaved{0}, diagnostics{0};
    std::atomic<long> needed[kUnreportedCount] = {};
    std::mutex lock;
    void note(const std::string &what) {
        std::lock_guard<std::mutex> g(lock);
        std::cerr << what << "\n";
    }
};

struct sweep {
    fs::path work;
    fs::path examples = fs::path(EXAMPLES_DIR) / "panel";
    std::vector<tool_run> runs;
    std::vector<fs::path> before;           // session before each run (index: run order), steps done
    std::vector<fs::path> after;            // session after the clean run
    std::vector<fs::path> start;            // run folder before each run (empty: none yet)
    std::vector<folder_state> start_files;  // its files
    std::vector<long> calls;                // host calls of the clean run
    std::vector<std::string> clean_logs;
    std::vector<std::unique_ptr<session_view>> views_before, views_after;
    tally t;

    std::vector<std::string> play_argv(const fs::path &workflow, const fs::path &run_dir, const fs::path &session) {
        return {NXSIM_EXE,        "play",        workflow.string(), "--run-dir",     run_dir.string(), "--session",
                session.string(), "--tools-dir", RIVET_TOOLS_DIR,   "--dialogs-dir", RIVET_DIALOGS_DIR};
    }

    // A one-run workflow: the run with this script.
    fs::path write_workflow(const fs::path &dir, const tool_run &r, const Json &script, const fs::path &session) {
        write_file(dir / "script.json", script.dump(1));
        Json wf;
        wf["session"] = session.string();
        wf["runs"] = Json::array({{{"tool", r.tool}, {"script", (dir / "script.json").string()}}});
        write_file(dir / "workflow.json", wf.dump(1));
        return dir / "workflow.json";
    }

    void read_workflow() {
        Json wf = Json::parse(read_file(examples / "workflow.json"));
        int number = 0;
        Json steps = Json::array();
        for (const Json &r : wf["runs"]) {
            ++number;
            if (!r.contains("tool")) {
                steps.push_back(r);
                continue;
            }
            tool_run run;
            run.number = number;
            run.tool = r["tool"].get<std::string>();
            run.script = Json::parse(read_file(examples / r["script"].get<std::string>()));
            run.steps = steps;
            steps = Json::array();
            runs.push_back(run);
        }
    }

    static long host_calls(const std::string &transcript) {
        size_t at = transcript.rfind("host calls ");
        return at == std::string::npos ? -1 : std::stol(transcript.substr(at + 11));
    }

    // The engineer's own steps before run k (opening the assembly again, dragging a
    // rivet): played on their own, so that the run itself starts from the session
    // they leave.
    void engineer_steps(size_t k, const fs::path &session) {
        fs::path dir = work / ("steps." + std::to_string(k + 1));
        fs::create_directories(dir);
        Json wf;
        wf["session"] = session.string();
        wf["runs"] = runs[k].steps;
        write_file(dir / "workflow.json", wf.dump(1));
        process_result r = run_program(play_argv(dir / "workflow.json", dir / "run", session));
        ASSERT_EQ(r.exit_code, 0) << "the steps before run " << runs[k].number << ": " << r.err;
    }

    // The clean chain: each run on the session and in the run folder the runs before
    // it left.
    void play_clean() {
        fs::path session = work / "session.0.json";
        fs::copy_file(examples / "design.json", session);
        fs::path folder;  // none before the first run
        for (size_t k = 0; k < runs.size(); ++k) {
            if (!runs[k].steps.empty()) {
                fs::path opened = work / ("session." + std::to_string(k) + ".stepped.json");
                fs::copy_file(session, opened);
                engineer_steps(k, opened);
                if (::testing::Test::HasFatalFailure()) return;
                session = opened;
            }
            fs::path dir = work / ("clean." + std::to_string(k + 1));
            fs::create_directories(dir);
            if (!folder.empty()) fs::copy(folder, dir / "run", fs::copy_options::recursive);
            folder_state was = state_of(dir / "run");
            fs::path next = work / ("session." + std::to_string(k + 1) + ".json");
            fs::copy_file(session, next);
            fs::path wf = write_workflow(dir, runs[k], runs[k].script, next);
            process_result r = run_program(play_argv(wf, dir / "run", next));
            ASSERT_EQ(r.exit_code, 0) << "clean run " << runs[k].number << ": " << r.err;
            ASSERT_EQ(scenario::sanitizer_finding(r.exit_code, r.err), "") << "clean run " << runs[k].number;
            folder_state wrote = written(was, state_of(dir / "run"));
            for (const char *diagnostic : kHostDiagnostics)
                EXPECT_EQ(transcript_of(wrote).find(diagnostic), std::string::npos)
                    << "clean run " << runs[k].number << ": the host says " << diagnostic;
            clean_logs.push_back(log_of(wrote));
            before.push_back(session);
            after.push_back(next);
            start.push_back(folder);
            start_files.push_back(state_of(folder));
            views_before.push_back(std::make_unique<session_view>(session));
            views_after.push_back(std::make_unique<session_view>(next));
            long n = host_calls(transcript_of(wrote));
            // Without it the run would plan no fault at all.
            ASSERT_GT(n, 0) << "clean run " << runs[k].number << ": its transcript gives no number of host calls";
            calls.push_back(n);
            session = next;
            folder = dir / "run";
        }
    }

    // Names of the host calls of run k in order, from the clean run's call log.
    std::vector<std::string> call_names(size_t k) {
        fs::path dir = work / ("names." + std::to_string(k + 1));
        fs::create_directories(dir);
        if (!start[k].empty()) fs::copy(start[k], dir / "run", fs::copy_options::recursive);
        fs::path session = dir / "session.json";
        fs::copy_file(before[k], session);
        fs::path wf = write_workflow(dir, runs[k], runs[k].script, session);
        fs::path log = dir / "calls.txt";
        run_program(play_argv(wf, dir / "run", session), {"NXSIM_CALL_LOG=" + log.string()});
        std::vector<std::string> names;
        std::istringstream in(read_file(log));
        for (std::string line; std::getline(in, line);)
            if (!line.empty()) names.push_back(line);
        return names;
    }

    // The host calls to fail in run k, by their running count.
    std::vector<long> plan(size_t k) {
        std::vector<long> ns;
        long total = calls[k];
        if (std::getenv("SWEEP_FULL") != nullptr || total < env_number("SWEEP_EVERY_BELOW", 100)) {
            for (long n = 1; n <= total; ++n) ns.push_back(n);
            return ns;
        }
        std::vector<std::string> names = call_names(k);
        EXPECT_EQ(static_cast<long>(names.size()), total)
            << "run " << runs[k].number << ": the call log does not name every host call the run made";
        std::map<std::string, std::vector<long>> at;
        for (size_t i = 0; i < names.size() && static_cast<long>(i) < total; ++i)
            at[names[i]].push_back(static_cast<long>(i + 1));
        std::set<long> chosen;
        for (const auto &[name, list] : at) {
            chosen.insert(list.front());
            if (list.size() > 1) chosen.insert(list[1]);
            chosen.insert(list.back());
        }
        ns.assign(chosen.begin(), chosen.end());
        return ns;
    }

    static int unused_actions(const std::string &err) {
        size_t at = err.find("the tool ended before these actions were used:");
        if (at == std::string::npos) return 0;
        std::string rest = err.substr(at, err.find('\n', at) - at);
        int count = 0;
        for (size_t p = rest.find(" ("); p != std::string::npos; p = rest.find(" (", p + 1)) ++count;
        return count;
    }

    static long reporter_lines(const std::string &log) {
        long n = 0;
        for (size_t at = log.find("errorCode="); at != std::string::npos; at = log.find("errorCode=", at + 1)) ++n;
        return n;
    }

    // What a run that ended (exit 0) leaves: its log reports the failure, its transcript
    // holds no diagnostic of the host, and what must hold whatever failed.
    void check_invariants(size_t k, const fs::path &dir, const fs::path &session, const std::string &label,
                          const std::string &failed, const folder_state &wrote) {
        const tool_run &r = runs[k];
        auto fail = [&](const std::string &what) {
            ++t.invariant;
            t.note(label + ": " + what);
        };
        fs::path run_dir = dir / "run";
        std::string log = log_of(wrote);
        std::string transcript = transcript_of(wrote);
        if (transcript.empty()) fail("the run left no transcript");
        const unreported_call *u = unreported(r.tool, failed);
        size_t row = u != nullptr ? static_cast<size_t>(u - kUnreported) : 0;
        reported want = u != nullptr ? u->log : reported::code;
        bool has_code = log.find("errorCode=" + std::to_string(FAULT_CODE)) != std::string::npos;
        if (u != nullptr && u->log != reported::code && !has_code) ++t.needed[row];
        if (want == reported::code && !has_code)
            fail("no reporter line with the failed call's code " + std::to_string(FAULT_CODE) + " in the log");
        if (want == reported::later && !has_code && reporter_lines(log) <= reporter_lines(clean_logs[k]))
            fail("no reporter line for the failure that the failed call led to");
        for (const char *diagnostic : kHostDiagnostics) {
            if (transcript.find(diagnostic) == std::string::npos) continue;
            if (u != nullptr && u->leaves != nullptr && std::string(diagnostic) == u->leaves) {
                ++t.needed[row];
                continue;
            }
            ++t.diagnostics;
            t.note(label + ": the host says: " + transcript.substr(transcript.find(diagnostic), 80));
        }

        try {
            nxsim::load_session(session);
        } catch (const std::exception &e) {
            fail(std::string("the session does not load: ") + e.what());
        }

        if (fs::is_directory(run_dir / "drives" / "D"))
            for (const auto &e : fs::directory_iterator(run_dir / "drives" / "D")) {
                if (e.path().extension() != ".fpdf") continue;
                process_result c = run_program({FPDF_CHECK_EXE, e.path().string()});
                if (c.exit_code != 0)
                    fail("the machine file " + e.path().filename().string() +
                         " does not pass the check: " + c.out.substr(0, 300) + c.err.substr(0, 300));
            }

        const session_view &was = *views_before[k], &clean = *views_after[k];
        session_view got(session, was.display);
        if (!got.loaded) {
            fail("the session cannot be read");
            return;
        }
        if (r.tool == "flat_assembly") {
            // The target holds copies of the clean run's leaves, each at most once and whole.
            const Json *want = clean.part(clean.display);
            const Json *have = got.part(clean.display);
            if (want != nullptr && have != nullptr && have->contains("components")) {
                std::map<std::string, int> left;
                for (const Json &c : (*want)["components"]) ++left[c.dump()];
                for (const Json &c : (*have)["components"])
                    if (--left[c.dump()] < 0)
                        fail("flat assembly: a component that the clean run has not, or twice: " +
                             c.dump().substr(0, 200));
            }
        } else if ((r.tool == "rivet_transfer" || r.tool == "route_edit") && got.rivet_names != was.rivet_names) {
            fail("rivets: not every rivet exists exactly once");
        } else if (r.tool == "fpdf_verify") {
            // It only reads: the session and the machine files stay as they were.
            if (got.json != was.json) fail("the verify changed the session");
            for (const auto &[rel, bytes] : wrote)
                if (rel.rfind("drives/", 0) == 0 && rel != "drives/D/prterr.txt") fail("the verify wrote " + rel);
        }
        for (const auto &[path, values] : got.rivets) {
            auto b = was.rivets.find(path);
            auto c = clean.rivets.find(path);
            // Each value is the one it had or the one the engineer chose.
            for (const auto &[title, value] : values.values) {
                bool as_before = b != was.rivets.end() && b->second.values.at(title) == value;
                bool as_clean = c != clean.rivets.end() && c->second.values.at(title) == value;
                if (!as_before && !as_clean && (b != was.rivets.end() || c != clean.rivets.end()))
                    fail("rivet " + path + ": " + title + " " + value + " neither as before nor as chosen");
            }
            const std::string &fast = values.values.at("fast_code");
            const std::string &grip = values.values.at("grip_lng");
            int f = find_fast(fast.c_str());
            if (f != NOT_FOUND && grip != "<none>" && find_grip(f, grip.c_str()) == NOT_FOUND &&
                (b == was.rivets.end() || b->second.values.at("grip_lng") != grip ||
                 b->second.values.at("fast_code") != fast))
                fail("rivet " + path + ": grip " + grip + " is not one of fastener " + fast + "'s");
        }
    }

    void play_fault(size_t k, long n, int worker) {
        const tool_run &r = runs[k];
        std::string label = "run " + std::to_string(r.number) + " " + r.tool + ", call " + std::to_string(n);
        fs::path dir = work / ("w" + std::to_string(worker));
        Json script = r.script;
        if (!script.contains("faults")) script["faults"] = Json::array();
        script["faults"].push_back({{"at", n}, {"code", FAULT_CODE}});
        fs::path session = dir / "session.json";
        const std::string session_before = read_file(before[k]);
        process_result p;
        folder_state left;
        for (int attempt = 0; attempt < 2; ++attempt) {
            fs::remove_all(dir);
            fs::create_directories(dir);
            if (!start[k].empty()) fs::copy(start[k], dir / "run", fs::copy_options::recursive);
            fs::copy_file(before[k], session);
            fs::path wf = write_workflow(dir, r, script, session);
            p = run_program(play_argv(wf, dir / "run", session));
            left = state_of(dir / "run");
            if (p.exit_code == 1) {
                // Out of step with its script: the run is taken back whole.
                std::string changed = read_file(session) != session_before ? std::string("the session was saved")
                                                                           : difference(start_files[k], left);
                if (!changed.empty()) {
                    ++t.unsaved;
                    t.note(label + ": exit 1, yet " + changed);
                }
            }
            int unused = p.exit_code == 1 ? unused_actions(p.err) : 0;
            if (unused == 0) break;
            // The tool ended early, as it may after a failure: play it again with
            // only the actions it used, so that what it left can be checked.
            Json &actions = script["actions"];
            actions.erase(actions.end() - std::min<int>(unused, static_cast<int>(actions.size())), actions.end());
        }
        ++t.runs;
        std::string report = scenario::sanitizer_finding(p.exit_code, p.err);
        if (!report.empty()) {
            ++t.sanitizer;
            t.note(label + ": " + report);
        }
        if (p.signalled || p.exit_code >= 2 || p.err.find("stayed loaded") != std::string::npos) {
            ++t.crashes;
            t.note(label + ": exit " + std::to_string(p.exit_code) + " " + p.err.substr(0, 300));
        } else if (p.exit_code == 0) {
            folder_state wrote = written(start_files[k], left);
            // The failed call's name, from the transcript.
            std::string failed, transcript = transcript_of(wrote);
            size_t at = transcript.find("\nfault ");
            if (at != std::string::npos) failed = transcript.substr(at + 7, transcript.find(' ', at + 7) - at - 7);
            check_invariants(k, dir, session, label + " (" + failed + ")", failed, wrote);
        }
        ++t.checked;
    }
};

TEST(Sweep, EveryRunOfTheSampleWorkflowUnderHostFaults) {
    sweep s;
    s.work = scenario::make_temp_dir("rivet-sweep");
    auto started = std::chrono::steady_clock::now();
    s.read_workflow();
    s.play_clean();
    if (::testing::Test::HasFatalFailure()) return;

    std::set<int> only;
    if (const char *list = std::getenv("SWEEP_RUNS")) {
        std::istringstream in(list);
        for (std::string item; std::getline(in, item, ',');) only.insert(std::atoi(item.c_str()));
    }
    struct job {
        size_t run;
        long n;
    };
    std::vector<job> jobs;
    long clean_calls = 0;
    for (size_t k = 0; k < s.runs.size(); ++k) {
        clean_calls += s.calls[k];
        if (!only.empty() && only.count(s.runs[k].number) == 0) continue;
        std::vector<long> ns = s.plan(k);
        std::cerr << "run " << s.runs[k].number << " " << s.runs[k].tool << ": " << s.calls[k] << " host calls, "
                  << ns.size() << " failed in turn\n";
        for (long n : ns) jobs.push_back({k, n});
    }
    EXPECT_FALSE(jobs.empty()) << "no run planned";
    std::atomic<size_t> next{0};
    int workers = static_cast<int>(std::max(1L, env_number("SWEEP_JOBS", 2)));
    std::vector<std::thread> pool;
    for (int w = 0; w < workers; ++w)
        pool.emplace_back([&, w] {
            for (size_t i = next++; i < jobs.size(); i = next++) {
                try {
                    s.play_fault(jobs[i].run, jobs[i].n, w);
                } catch (const std::exception &e) {  // not checked: counted below
                    s.t.note("run " + std::to_string(s.runs[jobs[i].run].number) + ", call " +
                             std::to_string(jobs[i].n) + ": not checked: " + e.what());
                }
            }
        });
    for (auto &th : pool) th.join();

    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::cerr << "workflow: " << s.runs.size() << " tool runs, " << clean_calls << " host calls; " << seconds << " s\n";
    std::cout << "checked " << s.t.checked << " of " << jobs.size() << " planned; crashes " << s.t.crashes
              << ", sanitizer " << s.t.sanitizer << ", saved by a failed run " << s.t.unsaved << ", host diagnostics "
              << s.t.diagnostics << ", invariant " << s.t.invariant << std::endl;
    // The table holds only what the default sweep of the whole workflow needs.
    bool whole = only.empty() && std::getenv("SWEEP_FULL") == nullptr && std::getenv("SWEEP_EVERY_BELOW") == nullptr;
    for (size_t i = 0; i < kUnreportedCount; ++i) {
        if (s.t.needed[i] > 0) continue;
        std::cerr << "never needed: " << kUnreported[i].call << " (" << kUnreported[i].tool << ")\n";
        if (whole)
            ADD_FAILURE() << "the table's row for " << kUnreported[i].call << " (" << kUnreported[i].tool
                          << ") is not needed by any run: remove it";
    }
    EXPECT_EQ(s.t.checked, static_cast<long>(jobs.size()));
    EXPECT_EQ(s.t.crashes, 0);
    EXPECT_EQ(s.t.sanitizer, 0);
    EXPECT_EQ(s.t.unsaved, 0);
    EXPECT_EQ(s.t.diagnostics, 0);
    EXPECT_EQ(s.t.invariant, 0);
    if (!::testing::Test::HasFailure()) fs::remove_all(s.work);
}

}  // namespace
