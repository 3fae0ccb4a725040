// The fault sweep: plays the sample workflow and, for each of its tool runs, plays
// the run again with one host call failing, then checks what the run left: no
// crash, no sanitizer report, the tool unloaded, the reporter line in the log, and
// what must hold whatever failed (every rivet once, process attributes of the
// chosen fastener, a machine file that passes the check, a session that loads).
//
// Which calls fail: every call of a run under SWEEP_EVERY_BELOW calls (100, so that
// CI plays it under the sanitizers in minutes; 2000 for the long sweep);
// in longer runs the first, second and last call of each host function the run
// makes. SWEEP_FULL=1 fails every call of every run; SWEEP_RUNS=3,12 plays only
// those runs (1-based, as the workflow counts them); SWEEP_JOBS sets how many runs
// play at once (2).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
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

#include "common/catalogue.h"
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

// Runs a program without a shell; its output goes to files in `dir`.
process_result run_program(const std::vector<std::string> &argv, const fs::path &dir) {
    fs::path out_file = dir / "stdout.txt", err_file = dir / "stderr.txt";
    pid_t pid = fork();
    if (pid == 0) {
        int out = open(out_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = open(err_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int in = open("/dev/null", O_RDONLY);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        std::vector<char *> args;
        for (const auto &a : argv) args.push_back(const_cast<char *>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    process_result r;
    if (WIFSIGNALED(status)) {
        r.signalled = true;
        r.exit_code = 128 + WTERMSIG(status);
    } else {
        r.exit_code = WEXITSTATUS(status);
    }
    r.out = read_file(out_file);
    r.err = read_file(err_file);
    return r;
}

struct tool_run {
    int number = 0;  // 1-based place in the workflow
    std::string tool;
    Json script;
    int reopens = 0;  // reopen steps right before it
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

    explicit session_view(const fs::path &file) {
        try {
            json = Json::parse(read_file(file));
            display = json.value("display", std::string());
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
    std::atomic<long> runs{0}, crashes{0}, sanitizer{0}, invariant{0}, not_reached{0};
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
    std::vector<fs::path> before;  // session before each run (index: run order)
    std::vector<fs::path> after;   // session after the clean run
    std::vector<long> calls;       // host calls of the clean run
    std::vector<std::string> clean_logs;
    std::vector<std::unique_ptr<session_view>> views_before, views_after;
    tally t;

    std::vector<std::string> play_argv(const fs::path &workflow, const fs::path &run_dir, const fs::path &session) {
        return {NXSIM_EXE,        "play",        workflow.string(), "--run-dir",     run_dir.string(), "--session",
                session.string(), "--tools-dir", RIVET_TOOLS_DIR,   "--dialogs-dir", RIVET_DIALOGS_DIR};
    }

    // A one-run workflow: the reopens before the run, then the run with this script.
    fs::path write_workflow(const fs::path &dir, const tool_run &r, const Json &script, const fs::path &session) {
        write_file(dir / "script.json", script.dump(1));
        Json wf;
        wf["session"] = session.string();
        wf["runs"] = Json::array();
        for (int i = 0; i < r.reopens; ++i) wf["runs"].push_back({{"reopen", true}});
        wf["runs"].push_back({{"tool", r.tool}, {"script", (dir / "script.json").string()}});
        write_file(dir / "workflow.json", wf.dump(1));
        return dir / "workflow.json";
    }

    void read_workflow() {
        Json wf = Json::parse(read_file(examples / "workflow.json"));
        int reopens = 0, number = 0;
        for (const Json &r : wf["runs"]) {
            ++number;
            if (r.contains("reopen")) {
                ++reopens;
                continue;
            }
            tool_run run;
            run.number = number;
            run.tool = r["tool"].get<std::string>();
            run.script = Json::parse(read_file(examples / r["script"].get<std::string>()));
            run.reopens = reopens;
            reopens = 0;
            runs.push_back(run);
        }
    }

    static long host_calls(const std::string &transcript) {
        size_t at = transcript.rfind("host calls ");
        return at == std::string::npos ? -1 : std::stol(transcript.substr(at + 11));
    }

    // The clean chain: each run on the session the runs before it left.
    void play_clean() {
        fs::path session = work / "session.0.json";
        fs::copy_file(examples / "design.json", session);
        for (size_t k = 0; k < runs.size(); ++k) {
            fs::path dir = work / ("clean." + std::to_string(k + 1));
            fs::create_directories(dir);
            fs::path next = work / ("session." + std::to_string(k + 1) + ".json");
            fs::copy_file(session, next);
            fs::path wf = write_workflow(dir, runs[k], runs[k].script, next);
            process_result r = run_program(play_argv(wf, dir / "run", next), dir);
            ASSERT_EQ(r.exit_code, 0) << "clean run " << runs[k].number << ": " << r.err;
            std::string transcript;
            for (const auto &e : fs::directory_iterator(dir / "run" / "transcripts")) transcript = read_file(e.path());
            std::string log;
            for (const auto &e : fs::directory_iterator(dir / "run" / "logs")) log += read_file(e.path());
            clean_logs.push_back(log);
            before.push_back(session);
            after.push_back(next);
            views_before.push_back(std::make_unique<session_view>(session));
            views_after.push_back(std::make_unique<session_view>(next));
            calls.push_back(host_calls(transcript));
            session = next;
        }
    }

    // Names of the host calls of run k in order, from the clean run's call log.
    std::vector<std::string> call_names(size_t k) {
        fs::path dir = work / ("names." + std::to_string(k + 1));
        fs::create_directories(dir);
        fs::path session = dir / "session.json";
        fs::copy_file(before[k], session);
        fs::path wf = write_workflow(dir, runs[k], runs[k].script, session);
        std::string log = (dir / "calls.txt").string();
        setenv("NXSIM_CALL_LOG", log.c_str(), 1);
        run_program(play_argv(wf, dir / "run", session), dir);
        unsetenv("NXSIM_CALL_LOG");
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
        if (static_cast<long>(names.size()) != total) {
            // No call log from this nxsim: a spread of calls instead.
            long stride = std::max(1L, total / 300);
            for (long n = 1; n <= total; n += stride) ns.push_back(n);
            ns.push_back(total);
            return ns;
        }
        std::map<std::string, std::vector<long>> at;
        for (size_t i = 0; i < names.size(); ++i) at[names[i]].push_back(static_cast<long>(i + 1));
        std::set<long> chosen;
        for (const auto &[name, list] : at) {
            chosen.insert(list.front());
            if (list.size() > 1) chosen.insert(list[1]);
            chosen.insert(list.back());
        }
        ns.assign(chosen.begin(), chosen.end());
        return ns;
    }

    static std::string sanitizer_report(const std::string &err) {
        for (const char *mark : {"AddressSanitizer", "LeakSanitizer", "UndefinedBehaviorSanitizer", "runtime error:"}) {
            size_t at = err.find(mark);
            if (at != std::string::npos) {
                size_t start = err.rfind('\n', at);
                start = start == std::string::npos ? 0 : start + 1;
                size_t end = err.find('\n', at);
                return err.substr(start, end - start);
            }
        }
        return "";
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

    // Calls that answer a tag and no code: the host's failure answer (the null tag)
    // is one the tool meets anyway and handles as such. The error log's own opening
    // has no log to report to. A message box's answer is only its acknowledgement:
    // the run leaves the same data whether the engineer saw it or not.
    static bool answers_none(const std::string &call) {
        static const std::set<std::string> calls = {
            "fopen",
            "uc1601",
            "UF_PART_ask_display_part",
            "UF_PART_ask_part_tag",
            "UF_ASSEM_ask_child_of_instance",
            "UF_ASSEM_ask_inst_of_part_occ",
            "UF_ASSEM_ask_part_occ_of_inst",
            "UF_ASSEM_ask_work_part",
        };
        return calls.count(call) != 0;
    }

    void check_invariants(size_t k, const fs::path &dir, const fs::path &session, const std::string &label,
                          const std::string &failed) {
        const tool_run &r = runs[k];
        auto fail = [&](const std::string &what) {
            ++t.invariant;
            t.note(label + ": " + what);
        };
        fs::path run_dir = dir / "run";
        std::string log;
        for (const auto &e : fs::directory_iterator(run_dir / "logs")) log += read_file(e.path());
        // The failure itself, or the one it led to (a selection whose set-up failed).
        if (!answers_none(failed) && reporter_lines(log) <= reporter_lines(clean_logs[k]))
            fail("no reporter line for the failed call in the log");

        try {
            nxsim::load_session(session);
        } catch (const std::exception &e) {
            fail(std::string("the session does not load: ") + e.what());
        }

        if (fs::is_directory(run_dir / "drives" / "D"))
            for (const auto &e : fs::directory_iterator(run_dir / "drives" / "D")) {
                if (e.path().extension() != ".fpdf") continue;
                process_result c = run_program({FPDF_CHECK_EXE, e.path().string()}, dir);
                if (c.exit_code != 0)
                    fail("the machine file " + e.path().filename().string() +
                         " does not pass the check: " + c.out.substr(0, 300) + c.err.substr(0, 300));
            }

        session_view got(session);
        const session_view &was = *views_before[k], &clean = *views_after[k];
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
        } else if (r.tool == "rivet_transfer" && got.rivet_names != was.rivet_names) {
            fail("rivets: not every rivet exists exactly once");
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
        fs::remove_all(dir);
        fs::create_directories(dir);
        Json script = r.script;
        if (!script.contains("faults")) script["faults"] = Json::array();
        script["faults"].push_back({{"at", n}, {"code", FAULT_CODE}});
        fs::path session = dir / "session.json";
        process_result p;
        for (int attempt = 0; attempt < 2; ++attempt) {
            fs::remove_all(dir / "run");
            fs::remove(session);
            fs::copy_file(before[k], session);
            fs::path wf = write_workflow(dir, r, script, session);
            p = run_program(play_argv(wf, dir / "run", session), dir);
            int unused = p.exit_code == 1 ? unused_actions(p.err) : 0;
            if (unused == 0) break;
            // The tool ended early, as it may after a failure: play it again with
            // only the actions it used, so that what it left can be checked.
            Json &actions = script["actions"];
            actions.erase(actions.end() - std::min<int>(unused, static_cast<int>(actions.size())), actions.end());
        }
        ++t.runs;
        std::string report = sanitizer_report(p.err);
        if (!report.empty()) {
            ++t.sanitizer;
            t.note(label + ": " + report);
        }
        if (p.signalled || p.exit_code >= 2 || p.err.find("stayed loaded") != std::string::npos) {
            ++t.crashes;
            t.note(label + ": exit " + std::to_string(p.exit_code) + " " + p.err.substr(0, 300));
            return;
        }
        if (p.exit_code != 0) return;  // bad input or a script out of step: nothing was saved
        // The failed call's name, from the transcript.
        std::string failed;
        if (fs::is_directory(dir / "run" / "transcripts"))
            for (const auto &e : fs::directory_iterator(dir / "run" / "transcripts")) {
                std::string text = read_file(e.path());
                size_t at = text.find("\nfault ");
                if (at != std::string::npos) failed = text.substr(at + 7, text.find(' ', at + 7) - at - 7);
            }
        check_invariants(k, dir, session, label + " (" + failed + ")", failed);
    }
};

TEST(Sweep, EveryRunOfTheSampleWorkflowUnderHostFaults) {
    sweep s;
    char pattern[] = "/tmp/rivet-sweep-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    s.work = pattern;
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
    std::atomic<size_t> next{0};
    int workers = static_cast<int>(std::max(1L, env_number("SWEEP_JOBS", 2)));
    std::vector<std::thread> pool;
    for (int w = 0; w < workers; ++w)
        pool.emplace_back([&, w] {
            for (size_t i = next++; i < jobs.size(); i = next++) s.play_fault(jobs[i].run, jobs[i].n, w);
        });
    for (auto &th : pool) th.join();

    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::cerr << "workflow: " << s.runs.size() << " tool runs, " << clean_calls << " host calls; " << seconds << " s\n";
    std::cout << "runs " << s.t.runs << ", crashes " << s.t.crashes << ", sanitizer " << s.t.sanitizer << ", invariant "
              << s.t.invariant << std::endl;
    EXPECT_EQ(s.t.crashes, 0);
    EXPECT_EQ(s.t.sanitizer, 0);
    EXPECT_EQ(s.t.invariant, 0);
    if (!::testing::Test::HasFailure()) fs::remove_all(s.work);
}

}  // namespace
