// The scenario support itself, seen as a developer sees it: a failing case prints its
// "about" sentence and the folder its run was left in, and leaves nothing else in
// the temporary folder; a broken case.json names itself. Each case is played by
// this program's hidden test in a child process with a temporary folder of its own.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "scenario.h"

namespace fs = std::filesystem;

namespace {

// Played only in the child: the case folder comes from the environment.
TEST(ScenarioSupportChild, DISABLED_Plays) { scenario::check(std::getenv("SCENARIO_CASE")); }

struct child_run {
    int status = -1;
    std::string output;
    std::vector<fs::path> left;  // what the child left in its temporary folder
};

class ScenarioSupport : public ::testing::Test {
protected:
    fs::path dir;

    void SetUp() override {
        dir = fs::temp_directory_path() / ("scenario_support_" + std::to_string(getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir / "tmp");
    }
    void TearDown() override { fs::remove_all(dir); }

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

    child_run play(const fs::path &case_dir) {
        fs::path out = dir / "child.txt";
        std::string command =
            "SCENARIO_CASE='" + case_dir.string() + "' TMPDIR='" + (dir / "tmp").string() + "' '" +
            fs::read_symlink("/proc/self/exe").string() +
            "' --gtest_also_run_disabled_tests --gtest_filter=ScenarioSupportChild.DISABLED_Plays >'" + out.string() +
            "' 2>&1";
        int raw = std::system(command.c_str());
        child_run r;
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.output = scenario::read_file(out);
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

}  // namespace
