// A run's commit survives what stops it half-way: an I/O error at any of its renames
// (the NXSIM_FAIL_RENAME hook), the process killed there or at any instant of a
// workflow. The next run completes the commit, or takes back one whose record was
// not written whole, so that every file is the old one or the new one, never half.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <thread>

#include <nlohmann/json.hpp>

#include "child_process.h"
#include "scenario.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

using State = std::map<std::string, std::string>;  // file below the folder: its bytes

bool is_temporary(const std::string &name) {
    return name.find(".tmp-") != std::string::npos || name.find(".nxsim-") != std::string::npos;
}

// Every file below `dir`; `commits_only` leaves out what no commit writes: the dialog
// files a run lays out and the temporaries of a process that was killed.
State state_of(const fs::path &dir, bool commits_only = false) {
    State files;
    for (const auto &e : fs::recursive_directory_iterator(dir)) {
        if (!e.is_regular_file()) continue;
        std::string rel = e.path().lexically_relative(dir).generic_string();
        if (commits_only && (rel.find("/application/") != std::string::npos || is_temporary(rel))) continue;
        files[rel] = scenario::read_file(e.path());
    }
    return files;
}

std::string differences(const State &want, const State &got) {
    std::string said;
    for (const auto &[name, bytes] : want)
        if (!got.count(name))
            said += "  missing " + name + "\n";
        else if (got.at(name) != bytes)
            said += "  differs " + name + "\n";
    for (const auto &[name, bytes] : got)
        if (!want.count(name)) said += "  extra " + name + "\n";
    return said;
}

size_t count_of(const std::string &text, const std::string &part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

void write(const fs::path &path, const std::string &bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// nxsim with these arguments; `fault` for NXSIM_FAIL_RENAME, `more` NAME=value.
scenario::child_result nxsim(const std::vector<std::string> &args, const std::string &fault = "",
                             const std::string &more = "") {
    std::vector<std::string> argv{NXSIM_EXE};
    argv.insert(argv.end(), args.begin(), args.end());
    scenario::child_options options = scenario::child_options().errors_into_output().time_limit(120);
    if (!fault.empty()) options.with("NXSIM_FAIL_RENAME=" + fault);
    if (!more.empty()) options.with(more);
    return scenario::run_child(argv, options);
}

constexpr const char *kCompleted = "nxsim: completed the commit of a run that was cut off";
constexpr const char *kTakenBack = "nxsim: took back the commit of a run that was cut off";

// The test's file tool on s.json in CASE/run: it removes D:\old.txt and writes
// D:\out.txt, so its commit puts three files in place (out.txt, the transcript, the
// session) and removes one.
class CutRun : public ::testing::Test {
protected:
    // The session at `session` below the folder (in the run folder where it is named so).
    static fs::path lay_out(const fs::path &at, const std::string &session = "s.json") {
        write(at / session, R"({"display": "@DB/A/A", "parts": [{"name": "@DB/A/A"}]})");
        write(at / "x.json", R"({"actions": []})");
        write(at / "run" / "D" / "old.txt", "from before");
        return at;
    }
    static std::vector<std::string> run_args(const fs::path &at, const std::string &tool = "file_tool",
                                             const std::string &session = "s.json") {
        return {"run",       "--session",           (at / session).string(), "--script",     (at / "x.json").string(),
                "--run-dir", (at / "run").string(), "--tools-dir",           TEST_TOOLS_DIR, "--tool",
                tool};
    }
    static scenario::child_result run(const fs::path &at, const std::string &fault = "",
                                      const std::string &session = "s.json") {
        return nxsim(run_args(at, "file_tool", session), fault, "NXSIM_TEST_REMOVE=D:\\old.txt");
    }
    // The next run: it finds the cut commit, then stops at its unknown tool.
    static scenario::child_result next_run(const fs::path &at, const std::string &session = "s.json") {
        return nxsim(run_args(at, "no_such_tool", session));
    }

    // The run whole in uncut/, and killed at its second rename in cut/.
    void run_whole_and_cut(const std::string &session = "s.json") {
        uncut = lay_out(scratch / "uncut", session);
        ASSERT_EQ(run(uncut, "", session).exit_code, 0);
        cut = lay_out(scratch / "cut", session);
        ASSERT_EQ(run(cut, "2:kill", session).exit_code, 128 + SIGKILL);
    }
    // A run on another session in cut/'s run folder completes the cut commit: every
    // file as the whole run left it.
    void expect_another_session_completes() {
        write(cut / "other.json", R"({"parts": []})");
        scenario::child_result next = next_run(cut, "other.json");
        EXPECT_EQ(count_of(next.out, kCompleted), 1u) << next.out;
        State got = state_of(cut);
        got.erase("other.json");
        EXPECT_EQ(differences(state_of(uncut), got), "");
    }

    scenario::temp_dir scratch{"nxsim-commit"};
    fs::path uncut;
    fs::path cut;
};

class CutAtEachRename : public CutRun, public ::testing::WithParamInterface<std::string> {};

// Each rename of the commit in turn fails (or the process is killed there); the next
// run completes the commit and leaves every file as the run would have.
TEST_P(CutAtEachRename, TheNextRunCompletesTheCommit) {
    const fs::path uncut = lay_out(scratch / "uncut");
    ASSERT_EQ(run(uncut).exit_code, 0);
    const State want = state_of(uncut);
    ASSERT_EQ(want.count("run/D/old.txt"), 0u);
    ASSERT_EQ(want.count("run/D/out.txt"), 1u);
    long renames = 0;
    for (long n = 1; n < 10; ++n) {
        const fs::path at = lay_out(scratch / std::to_string(n));
        scenario::child_result cut = run(at, std::to_string(n) + GetParam());
        if (cut.exit_code == 0) {
            EXPECT_EQ(state_of(at), want) << "a run past its renames";
            break;
        }
        renames = n;
        if (GetParam().empty()) {
            EXPECT_EQ(cut.exit_code, 1) << cut.out;
            EXPECT_NE(cut.out.find("was cut off while it was put in place"), std::string::npos) << cut.out;
        } else {
            EXPECT_TRUE(cut.signalled) << cut.out;
        }
        ASSERT_TRUE(fs::exists(at / "s.json.commit")) << "no record of the commit";
        EXPECT_TRUE(fs::exists(at / "run" / "nxsim.commit")) << "no mark in the run folder";
        EXPECT_NE(differences(want, state_of(at)), "") << "rename " << n << " left nothing to complete";
        scenario::child_result next = next_run(at);
        EXPECT_EQ(next.exit_code, 2) << next.out;
        EXPECT_EQ(count_of(next.out, kCompleted), 1u) << next.out;
        EXPECT_EQ(differences(want, state_of(at)), "") << "after rename " << n << " was cut";
        // Said once: the commit is done.
        scenario::child_result again = next_run(at);
        EXPECT_EQ(count_of(again.out, "cut off"), 0u) << again.out;
    }
    EXPECT_EQ(renames, 3) << "out.txt, the transcript and the session";
}

INSTANTIATE_TEST_SUITE_P(Commit, CutAtEachRename, ::testing::Values("", ":kill"),
                         [](const auto &info) { return info.param.empty() ? "IOError" : "Killed"; });

// A run on another session in the same run folder finds the commit through its mark.
TEST_F(CutRun, TheNextRunInTheRunFolderCompletesTheCommit) {
    ASSERT_NO_FATAL_FAILURE(run_whole_and_cut());
    expect_another_session_completes();
}

// A session kept in the run folder (as a workflow's is): its record is found there by a
// run on another session, without a mark.
TEST_F(CutRun, ARecordInTheRunFolderIsFoundByARunOnAnotherSession) {
    ASSERT_NO_FATAL_FAILURE(run_whole_and_cut("run/s.json"));
    EXPECT_TRUE(fs::exists(cut / "run" / "s.json.commit"));
    EXPECT_FALSE(fs::exists(cut / "run" / "nxsim.commit"));
    expect_another_session_completes();
}

// A record cut while it was written: no rename had begun, so the run is taken back
// whole and its temporaries go.
TEST_F(CutRun, ACommitWhoseRecordIsNotWholeIsTakenBack) {
    const fs::path at = lay_out(scratch / "cut");
    const State before = state_of(at, true);
    ASSERT_EQ(run(at, "1:kill").exit_code, 128 + SIGKILL);
    std::string record = scenario::read_file(at / "s.json.commit");
    ASSERT_NE(record.rfind("end 4\n"), std::string::npos) << record;
    write(at / "s.json.commit", record.substr(0, record.rfind("end ")));
    scenario::child_result next = next_run(at);
    EXPECT_EQ(count_of(next.out, kTakenBack), 1u) << next.out;
    EXPECT_EQ(differences(before, state_of(at, true)), "");
    for (const auto &e : fs::recursive_directory_iterator(at))
        EXPECT_FALSE(is_temporary(e.path().filename().string())) << e.path();
}

// A session not made yet is locked as well: a second run saving to it is refused
// while the first is under way, and the lock file goes with the run, also when a
// killed run left it.
TEST_F(CutRun, ASessionNotMadeYetIsLocked) {
    const fs::path at = lay_out(scratch / "lock");
    const fs::path gate = at / "gate";
    fs::create_directories(gate);
    auto save_as = [&](const std::string &run_dir) {
        std::vector<std::string> argv{NXSIM_EXE};
        for (const std::string &a : run_args(at))
            argv.push_back(a == (at / "run").string() ? (at / run_dir).string() : a);
        argv.insert(argv.end(), {"--save-as", (at / "new.json").string()});
        return argv;
    };
    auto options = [&](const std::string &output) {
        return scenario::child_options()
            .output_to(at / output)
            .errors_into_output()
            .with("NXSIM_TEST_GATE=" + gate.string());
    };
    auto at_gate = [&] {
        for (int i = 0; i < 600 && !fs::exists(gate / "started"); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        return fs::exists(gate / "started");
    };
    int first = scenario::start_child(save_as("run1"), options("first.txt"));
    ASSERT_GT(first, 0);
    ASSERT_TRUE(at_gate());
    scenario::child_result second =
        scenario::run_child(save_as("run2"), scenario::child_options().errors_into_output());
    EXPECT_EQ(second.exit_code, 2) << second.out;
    EXPECT_NE(second.out.find("new.json: in use by another run"), std::string::npos) << second.out;
    EXPECT_FALSE(fs::exists(at / "run2" / "D" / "out.txt")) << "the second run ran";
    write(gate / "go", "");
    EXPECT_EQ(scenario::wait_child(first).exit_code, 0) << scenario::read_file(at / "first.txt");
    EXPECT_TRUE(fs::exists(at / "new.json"));
    EXPECT_FALSE(fs::exists(at / "new.json.lock"));

    // Killed at the gate: its lock file stays, locks nothing, and goes with the next run.
    fs::remove(at / "new.json");
    fs::remove(gate / "started");
    int killed = scenario::start_child(save_as("run3"), options("killed.txt"));
    ASSERT_TRUE(at_gate());
    ASSERT_TRUE(fs::exists(at / "new.json.lock"));
    kill(killed, SIGKILL);
    scenario::wait_child(killed);
    scenario::child_result after = scenario::run_child(save_as("run4"), scenario::child_options().errors_into_output());
    EXPECT_EQ(after.exit_code, 0) << after.out;
    EXPECT_TRUE(fs::exists(at / "new.json"));
    EXPECT_FALSE(fs::exists(at / "new.json.lock"));
}

// The sample workflow's first steps, saved after each run, killed at many instants
// and at each rename of its first commits; after each kill the next play finds the
// session and the run folder as some whole number of runs left them, never half of one.
TEST(CommitKilled, TheSampleWorkflowIsNeverHalfInPlace) {
    scenario::temp_dir scratch("nxsim-killed");
    const fs::path panel = fs::path(EXAMPLES_DIR) / "panel";
    nlohmann::ordered_json workflow;
    std::ifstream(panel / "workflow.json") >> workflow;
    for (auto &r : workflow["runs"])
        if (r.contains("script")) r["script"] = (panel / r["script"].get<std::string>()).string();
    // Its first twelve steps (a reopen among them): enough runs, and references quick to make.
    const size_t entries = std::min<size_t>(workflow["runs"].size(), 12);
    write(scratch / "bad.json", R"({"runs": [{"tool": "no_such_tool", "script": "x.json"}]})");
    auto play = [&](const fs::path &at, size_t first_runs) {
        auto w = workflow;
        w["runs"].erase(w["runs"].begin() + static_cast<long>(first_runs), w["runs"].end());
        write(at / "w.json", w.dump());
        fs::copy_file(panel / "design.json", at / "s.json", fs::copy_options::overwrite_existing);
        return std::vector<std::string>{NXSIM_EXE,
                                        "play",
                                        (at / "w.json").string(),
                                        "--session",
                                        (at / "s.json").string(),
                                        "--run-dir",
                                        (at / "run").string(),
                                        "--tools-dir",
                                        RIVET_TOOLS_DIR,
                                        "--save-each"};
    };
    // What every whole number of runs leaves.
    std::vector<State> after_runs;
    double seconds = 0;
    for (size_t k = 0; k <= entries; ++k) {
        const fs::path at = scratch / ("ref" + std::to_string(k));
        std::vector<std::string> argv = play(at, k);
        if (k > 0) {
            scenario::child_result r = scenario::run_child(argv, scenario::child_options().errors_into_output());
            ASSERT_EQ(r.exit_code, 0) << r.out;
            seconds = r.wall_seconds;
        }
        fs::remove(at / "w.json");
        after_runs.push_back(state_of(at, true));
    }
    int cut_commits = 0;
    auto check = [&](const fs::path &at, const std::string &what) {
        // Which run the cut commit was, from its transcript's name "NN_tool.txt".
        size_t of_run = 0;
        // A record cut before its first byte is still a record: the next run takes it back.
        const bool has_record = fs::exists(at / "s.json.commit");
        std::string record = has_record ? scenario::read_file(at / "s.json.commit") : "";
        const bool recorded = record.find("\nend ") != std::string::npos;
        if (size_t t = record.find("/transcripts/"); recorded && t != std::string::npos)
            of_run = std::stoul(record.substr(t + 13, 2));
        cut_commits += recorded ? 1 : 0;
        scenario::child_result next = scenario::run_child(
            {NXSIM_EXE, "play", (scratch / "bad.json").string(), "--session", (at / "s.json").string(), "--run-dir",
             (at / "run").string(), "--tools-dir", RIVET_TOOLS_DIR},
            scenario::child_options().errors_into_output());
        EXPECT_EQ(next.exit_code, 2) << what << "\n" << next.out;
        EXPECT_EQ(count_of(next.out, recorded ? kCompleted : kTakenBack), has_record ? 1u : 0u) << what << "\n"
                                                                                                << next.out;
        fs::remove(at / "w.json");
        State got = state_of(at, true);
        size_t whole = 0;
        while (whole < after_runs.size() && after_runs[whole] != got) ++whole;
        EXPECT_LT(whole, after_runs.size()) << what << ": half in place; against the runs before it\n"
                                            << differences(after_runs[std::max<size_t>(of_run, 1) - 1], got);
        if (of_run > 0) {
            EXPECT_EQ(whole, of_run) << what << ": the cut run is not the one put in place";
        }
    };
    // At each rename of the first commits.
    for (int n = 1; n <= 12; ++n) {
        const fs::path at = scratch / ("rename" + std::to_string(n));
        scenario::child_result r = scenario::run_child(
            play(at, entries),
            scenario::child_options().errors_into_output().with("NXSIM_FAIL_RENAME=" + std::to_string(n) + ":kill"));
        ASSERT_TRUE(r.signalled) << r.out;
        check(at, "killed at rename " + std::to_string(n));
    }
    EXPECT_GE(cut_commits, 10) << "the kills at renames cut no commit";
    // At instants through the whole workflow.
    const int at_renames = cut_commits;
    for (int i = 1; i <= 12; ++i) {
        const fs::path at = scratch / ("instant" + std::to_string(i));
        int pid = scenario::start_child(play(at, entries),
                                        scenario::child_options().output_to(at.string() + ".txt").errors_into_output());
        ASSERT_GT(pid, 0);
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds * i / 13));
        kill(pid, SIGKILL);
        scenario::wait_child(pid);
        check(at, "killed after " + std::to_string(seconds * i / 13) + " s");
    }
    std::cout << "commits cut by the 12 kills at instants: " << cut_commits - at_renames << "\n";
}

}  // namespace
