// The scenario support itself, seen as a developer sees it: a failing case prints its
// "about" sentence and the folder its run was left in, and leaves nothing else in
// the temporary folder; a broken case.json names itself. Each case is played by
// this program's hidden test in a child process with a temporary folder of its own.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "child_process.h"
#include "sanitizer.h"
#include "scenario.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

// Played only in the child: the case folder (and the tools' folder, when not the
// suite's) come from the environment.
fs::path tools_from_environment() {
    const char *tools = std::getenv("SCENARIO_TOOLS");
    return tools != nullptr ? fs::path(tools) : fs::path();
}
TEST(ScenarioSupportChild, DISABLED_Plays) { scenario::check(std::getenv("SCENARIO_CASE"), tools_from_environment()); }
TEST(ScenarioSupportChild, DISABLED_Sweeps) {
    scenario::sweep_faults(std::getenv("SCENARIO_TOOL"), std::getenv("SCENARIO_SESSION"), "[]",
                           tools_from_environment());
}

struct child_run {
    int status = -1;
    std::string output;
    std::vector<fs::path> left;  // what the child left in its temporary folder
};

class ScenarioSupport : public ::testing::Test {
protected:
    scenario::temp_dir scratch{"scenario-support"};
    fs::path dir = scratch.path();

    void SetUp() override { fs::create_directories(dir / "tmp"); }

    // A copy of a passing case (its session beside it), to be spoilt by the test.
    fs::path copy_case(const std::string &name) {
        fs::path from = fs::path(SCENARIO_DIR) / "rivet_mark" / "already_marked_is_marked_again";
        fs::path to = dir / "cases" / name;
        fs::create_directories(to.parent_path());
        fs::copy(from, to, fs::copy_options::recursive);
        fs::copy_file(fs::path(SCENARIO_DIR) / "rivet_mark" / "sessions" / "panel.json", dir / "cases" / "panel.json",
                      fs::copy_options::overwrite_existing);
        std::ofstream(to / "case.json", std::ios::trunc)
            << R"({"session": "../panel.json", "tool": "rivet_mark", "about": "marking a rivet twice keeps one mark"})";
        return to;
    }

    child_run play(const fs::path &case_dir, std::vector<std::string> environment = {},
                   const std::string &test = "Plays") {
        scenario::child_options options;
        options.environment = environment;
        options.with("SCENARIO_CASE=" + case_dir.string())
            .with("TMPDIR=" + (dir / "tmp").string())
            .errors_into_output();
        scenario::child_result c =
            scenario::run_child({fs::read_symlink("/proc/self/exe").string(), "--gtest_also_run_disabled_tests",
                                 "--gtest_filter=ScenarioSupportChild.DISABLED_" + test},
                                options);
        child_run r;
        r.status = c.signalled ? -1 : c.exit_code;
        r.output = c.out;
        for (const auto &e : fs::directory_iterator(dir / "tmp")) r.left.push_back(e.path());
        return r;
    }
};

TEST_F(ScenarioSupport, PassingCaseLeavesNothing) {
    child_run r = play(copy_case("passing"));
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(r.output.find("marking a rivet twice"), std::string::npos) << r.output;
    EXPECT_TRUE(r.left.empty()) << r.left.front();
}

TEST_F(ScenarioSupport, FailingCaseSaysWhatItShowsAndWhereItsRunIs) {
    fs::path c = copy_case("failing");
    std::ofstream(c / "expected" / "transcript.txt", std::ios::app) << "a line the run does not write\n";
    child_run r = play(c);
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find("the case \"failing\": marking a rivet twice keeps one mark\n"), std::string::npos)
        << r.output;
    ASSERT_EQ(r.left.size(), 1u) << r.output;
    EXPECT_NE(r.output.find("its run is left in " + r.left.front().string() + "\n"), std::string::npos) << r.output;
    EXPECT_TRUE(fs::exists(r.left.front() / "run" / "transcript.txt"));
}

TEST_F(ScenarioSupport, BrokenCaseFileNamesItself) {
    fs::path c = copy_case("broken");
    std::ofstream(c / "case.json", std::ios::trunc) << R"({"session": "../panel.json", "tool": )";
    child_run r = play(c);
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find((c / "case.json").string() + ": broken case file: "), std::string::npos) << r.output;
    EXPECT_TRUE(r.left.empty());
}

TEST_F(ScenarioSupport, MissingSessionNamesIt) {
    fs::path c = copy_case("no_session");
    std::ofstream(c / "case.json", std::ios::trunc) << R"({"session": "../none.json", "tool": "rivet_mark"})";
    child_run r = play(c);
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find((c / "case.json").string() + ": broken case file: no session file "), std::string::npos)
        << r.output;
    EXPECT_TRUE(r.left.empty());
}

// A case of the test's own tools: the rivet_mark panel and a script with one action
// that the tool never asks for, so the run ends out of step (exit 1) having done
// whatever the tool does; `faults` goes into the script as it is.
fs::path tool_case(const fs::path &dir, const std::string &name, const std::string &tool,
                   const std::string &faults = "[]") {
    fs::path c = dir / "cases" / name;
    fs::create_directories(c);
    fs::copy_file(fs::path(SCENARIO_DIR) / "rivet_mark" / "sessions" / "panel.json", c / "panel.json",
                  fs::copy_options::overwrite_existing);
    std::ofstream(c / "case.json", std::ios::trunc)
        << R"({"session": "panel.json", "tool": ")" << tool << R"(", "exit": 1})";
    std::ofstream(c / "script.json", std::ios::trunc)
        << R"({"faults": )" << faults << R"(, "actions": [{"choice": 5}]})";
    return c;
}

// A run that exits as its case says but whose standard error holds a sanitizer's report
// fails: in the sanitizer build such a report also exits 1, which a case expecting a
// failed run took for its own.
TEST_F(ScenarioSupport, ASanitizerReportFailsTheCase) {
    child_run clean = play(tool_case(dir, "reporting", "reporting_tool"), {"SCENARIO_TOOLS=" SUPPORT_TOOLS_DIR});
    EXPECT_EQ(clean.status, 0) << clean.output;
    fs::path c = tool_case(dir, "reporting", "reporting_tool", R"([{"at": 1, "code": 1}])");
    child_run r = play(c, {"SCENARIO_TOOLS=" SUPPORT_TOOLS_DIR});
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find("a sanitizer report"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("==4242==ERROR: AddressSanitizer: heap-buffer-overflow"), std::string::npos) << r.output;
}

// The same in the per-tool sweeps: every faulted run's standard error is read.
TEST_F(ScenarioSupport, ASanitizerReportFailsTheSweep) {
    fs::path session = fs::path(SCENARIO_DIR) / "rivet_mark" / "sessions" / "panel.json";
    child_run r = play(
        {},
        {"SCENARIO_TOOLS=" SUPPORT_TOOLS_DIR, "SCENARIO_TOOL=reporting_tool", "SCENARIO_SESSION=" + session.string()},
        "Sweeps");
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find("host call 1"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("AddressSanitizer: heap-buffer-overflow"), std::string::npos) << r.output;
}

// The nxsim test's tool that loses a block: in the sanitizer build LeakSanitizer
// reports it and the case fails, although the run fails as the case expects; in
// another build nothing finds the leak and the case passes.
TEST_F(ScenarioSupport, ALeakInAToolFailsItsCaseUnderTheSanitizers) {
    child_run r = play(tool_case(dir, "leaky", "leaky_tool"), {"SCENARIO_TOOLS=" TEST_TOOLS_DIR});
#if defined(__SANITIZE_ADDRESS__)
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find("a sanitizer report"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("LeakSanitizer"), std::string::npos) << r.output;
#else
    EXPECT_EQ(r.status, 0) << r.output;
#endif
}

// A report is the sanitizers' words in standard error, or the exit code the sanitizer
// preset gives each run-time; the program's own codes are none.
TEST(SanitizerFinding, TheReportOrTheRunTimesExitCode) {
    EXPECT_EQ(scenario::sanitizer_finding(1, "nxsim: run 1 failed\n"), "");
    EXPECT_EQ(scenario::sanitizer_finding(0, "x\n==7==ERROR: LeakSanitizer: detected memory leaks\nmore\n"),
              "==7==ERROR: LeakSanitizer: detected memory leaks");
    EXPECT_EQ(scenario::sanitizer_finding(1, "tool.cpp:12:5: runtime error: signed integer overflow"),
              "tool.cpp:12:5: runtime error: signed integer overflow");
    const char *names[] = {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"};
    std::string kept[3];
    bool had[3];
    for (int i = 0; i < 3; ++i) {
        const char *v = std::getenv(names[i]);
        had[i] = v != nullptr;
        kept[i] = had[i] ? v : "";
    }
    setenv("ASAN_OPTIONS", "detect_leaks=1:exitcode=81", 1);
    setenv("UBSAN_OPTIONS", "print_stacktrace=1,halt_on_error=1 exitcode=82", 1);
    setenv("LSAN_OPTIONS", "exitcode=0", 1);
    EXPECT_EQ(scenario::sanitizer_exit_code("ASAN_OPTIONS"), 81);
    EXPECT_EQ(scenario::sanitizer_exit_code("UBSAN_OPTIONS"), 82);
    EXPECT_NE(scenario::sanitizer_finding(81, "").find("AddressSanitizer's"), std::string::npos);
    EXPECT_NE(scenario::sanitizer_finding(82, "").find("UndefinedBehaviorSanitizer's"), std::string::npos);
    EXPECT_EQ(scenario::sanitizer_finding(0, ""), "") << "exitcode=0 is no code of its own";
    EXPECT_EQ(scenario::sanitizer_finding(2, ""), "");
    for (int i = 0; i < 3; ++i) {
        if (had[i])
            setenv(names[i], kept[i].c_str(), 1);
        else
            unsetenv(names[i]);
    }
}

// Every run of a case exits as the case says: a first run that fails where the case
// expects it to succeed is not hidden by a last run that exits as expected.
TEST_F(ScenarioSupport, EveryRunsExitStatusIsChecked) {
    fs::path c = copy_case("two_runs");
    std::ofstream(c / "case.json", std::ios::trunc) << R"({"session": "../panel.json", "runs": [)"
                                                    << R"({"tool": "rivet_mark", "exit": 1},)"
                                                    << R"({"tool": "rivet_mark"}]})";
    child_run r = play(c);
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find("run 1 of 2: exit status"), std::string::npos) << r.output;
}

// A run the case expects to fail must leave the session and the run folder as they
// were; one that exits 0 where 1 was expected is caught saving too.
TEST_F(ScenarioSupport, ARunThatMustFailSavesNothing) {
    fs::path c = copy_case("must_fail");
    std::ofstream(c / "case.json", std::ios::trunc)
        << R"({"session": "../panel.json", "tool": "rivet_mark", "exit": 1})";
    child_run r = play(c);
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find("a run that fails must save nothing"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("the session was saved"), std::string::npos) << r.output;
}

// Every folder beside sessions/ is a case: one whose case file is misnamed is listed
// and fails naming what is missing, instead of being no test at all. A folder that
// only groups case folders is not a case.
TEST_F(ScenarioSupport, AFolderWithoutACaseFileFails) {
    fs::path tool = dir / "cases" / "some_tool";
    fs::create_directories(tool / "sessions");
    fs::create_directories(tool / "group" / "inner");
    std::ofstream(tool / "group" / "inner" / "case.json") << "{}";
    fs::create_directories(tool / "good");
    std::ofstream(tool / "good" / "case.json") << "{}";
    fs::create_directories(tool / "misnamed");
    std::ofstream(tool / "misnamed" / "case.jsno") << "{}";
    fs::create_directories(tool / "empty");
    EXPECT_EQ(scenario::list(tool), (std::vector<std::string>{"empty", "good", "misnamed"}));
    child_run r = play(tool / "misnamed");
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find((tool / "misnamed" / "case.json").string() + ": broken case file: no such file"),
              std::string::npos)
        << r.output;
}

}  // namespace
