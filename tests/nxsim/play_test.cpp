// nxsim play keeps the session in memory: it is written at the end, or when a run
// fails, without that run's changes, or after every run with --save-each.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "child_process.h"
#include "scenario.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

using played = scenario::child_result;

class PlayInMemory : public ::testing::Test {
protected:
    void SetUp() override {
        std::ofstream(dir / "s.json") << R"({"display": "@DB/ASM/A", "parts": [
            {"name": "@DB/ASM/A", "components": [{"name": "R1", "part": "@DB/RIV/A", "color": 7},
                                                 {"name": "R2", "part": "@DB/RIV/A"},
                                                 {"name": "R3", "part": "@DB/RIV/A"}]},
            {"name": "@DB/RIV/A"}]})";
        std::ofstream(dir / "answer.json") << R"({"actions": [{"choice": 5}]})";
        std::ofstream(dir / "silent.json") << R"({"actions": []})";
    }

    // Plays the runs (scripts of changing_tool) on a copy of s.json.
    played play(const std::string &name, std::initializer_list<const char *> scripts, const char *extra = "") {
        std::string runs;
        for (const char *s : scripts)
            runs += std::string(runs.empty() ? "" : ", ") + R"({"tool": "changing_tool", "script": ")" + s + R"("})";
        std::ofstream(dir / (name + ".json")) << R"({"session": "s.json", "runs": [)" + runs + "]}";
        fs::copy_file(dir / "s.json", dir / (name + "_session.json"));
        std::string cmd = std::string(NXSIM_EXE) + " play " + (dir / (name + ".json")).string() + " --run-dir " +
                          (dir / name).string() + " --session " + (dir / (name + "_session.json")).string() +
                          " --tools-dir " TEST_TOOLS_DIR " " + extra;
        return scenario::run_shell(cmd);
    }
    std::string session(const std::string &name) { return scenario::read_file(dir / (name + "_session.json")); }

    scenario::temp_dir scratch{"nxsim-play"};
    fs::path dir = scratch.path();
};

TEST_F(PlayInMemory, ARunSumsUpWhatItChanged) {
    played r = play("one", {"answer.json"});
    ASSERT_EQ(r.exit_code, 0) << r.out;
    EXPECT_NE(r.out.find("01 changing_tool       return code 5, 0 message boxes; parts created 1 (@DB/NEW1/A); "
                         "components added 1, moved 0, removed 1; attributes written 2 (MARK 2)"),
              std::string::npos)
        << r.out;
    EXPECT_NE(session("one").find("CHANGED"), std::string::npos);
}

TEST_F(PlayInMemory, AFailedRunIsTakenBackAndTheRunsBeforeItAreSaved) {
    ASSERT_EQ(play("one", {"answer.json"}).exit_code, 0);
    played r = play("two", {"answer.json", "silent.json"});
    EXPECT_EQ(r.exit_code, 1) << r.out;
    EXPECT_NE(r.out.find("nxsim: the session holds the runs before it"), std::string::npos) << r.out;
    EXPECT_EQ(session("two"), session("one")) << "the second run's changes are gone, the first run's kept";

    played each = play("each", {"answer.json", "silent.json"}, "--save-each");
    EXPECT_EQ(each.exit_code, 1) << each.out;
    EXPECT_EQ(session("each"), session("one"));
}

TEST_F(PlayInMemory, AFirstRunThatFailsLeavesTheSessionAsItWas) {
    played r = play("first", {"silent.json"});
    EXPECT_EQ(r.exit_code, 1) << r.out;
    EXPECT_EQ(session("first"), scenario::read_file(dir / "s.json"));
}

TEST_F(PlayInMemory, SaveEachWritesTheSameSessionAsOneSaveAtTheEnd) {
    ASSERT_EQ(play("end", {"answer.json", "answer.json"}).exit_code, 0);
    ASSERT_EQ(play("each", {"answer.json", "answer.json"}, "--save-each").exit_code, 0);
    EXPECT_EQ(session("end"), session("each"));
    EXPECT_NE(session("end").find("@DB/NEW2/A"), std::string::npos) << "both runs are in it";
}

// The engineer drags a component: its place moves by the vector, given in the displayed
// part's absolute coordinates (here through a route turned a quarter about Z); a
// reference that names no component stops the workflow and saves the steps before it.
TEST(PlayMove, DragsOneComponentInAbsoluteCoordinates) {
    scenario::temp_dir scratch{"nxsim-move"};
    fs::path dir = scratch.path();
    std::ofstream(dir / "s.json") << R"({"display": "@DB/ASM/A", "parts": [
        {"name": "@DB/ASM/A", "components": [{"name": "RT", "part": "@DB/RT/A", "origin": [10, 0, 0],
                                              "x": [0, 1, 0], "y": [-1, 0, 0]}]},
        {"name": "@DB/RT/A", "components": [{"name": "R1", "part": "@DB/RIV/A", "origin": [1, 2, 3]}]},
        {"name": "@DB/RIV/A"}]})";
    std::ofstream(dir / "move.json")
        << R"({"session": "s.json", "runs": [{"reopen": true}, {"move": "RT/R1", "by": [0.5, 0, 0]}]})";
    std::ofstream(dir / "bad.json")
        << R"({"session": "s.json", "runs": [{"move": "RT/R1", "by": [0, 0, 1]}, {"move": "RT/R9", "by": [1, 0, 0]}]})";
    auto play = [&](const char *workflow, const char *session) {
        fs::copy_file(dir / "s.json", dir / session);
        return scenario::run_shell(std::string(NXSIM_EXE) + " play " + (dir / workflow).string() + " --run-dir " +
                                   (dir / "run").string() + " --session " + (dir / session).string());
    };
    // R1's origin in its route part, as saved.
    auto origin = [&](const char *session) {
        nlohmann::json s = nlohmann::json::parse(scenario::read_file(dir / session));
        return s["parts"][1]["components"][0]["origin"].dump();
    };
    played moved = play("move.json", "moved.json");
    ASSERT_EQ(moved.exit_code, 0) << moved.out << moved.err;
    EXPECT_NE(moved.out.find("02 move                the engineer moves RT/R1 by (0.5, 0, 0)\n"), std::string::npos)
        << moved.out;
    // 0.5 along the absolute X is 0.5 against the route's own Y.
    EXPECT_EQ(origin("moved.json"), "[1,1.5,3]");

    played bad = play("bad.json", "bad_session.json");
    EXPECT_EQ(bad.exit_code, 2) << bad.out << bad.err;
    EXPECT_NE(bad.out.find("RT/R9 names nothing"), std::string::npos) << bad.out;
    EXPECT_EQ(origin("bad_session.json"), "[1,2,4]") << "the move before it is saved";
}

}  // namespace
