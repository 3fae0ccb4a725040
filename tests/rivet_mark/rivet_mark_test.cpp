#include <gtest/gtest.h>

#include <filesystem>

#include "scenario.h"

SCENARIO_SUITE(RivetMark, "rivet_mark");

namespace fs = std::filesystem;

// A run that stops on bad input leaves the session and the run folder as they were.
TEST(RivetMarkBadInput, SessionAndFilesUntouched) {
    for (const char *name : {"reference_names_nothing", "script_runs_out", "action_not_used", "action_of_wrong_kind"}) {
        fs::path dir = fs::path(SCENARIO_DIR) / "rivet_mark" / name;
        scenario::outcome out = scenario::run(dir);
        EXPECT_EQ(out.exit_code, 1) << name;
        EXPECT_EQ(scenario::read_file(out.work / "session.json"),
                  scenario::read_file(dir / ".." / "sessions" / "panel.json"))
            << name;
        EXPECT_FALSE(fs::exists(out.work / "run" / "D" / "prterr.txt")) << name;
        EXPECT_FALSE(fs::exists(out.work / "run" / "transcript.txt")) << name;
        EXPECT_NE(out.stderr_text.find("script.json"), std::string::npos) << out.stderr_text;
        fs::remove_all(out.work);
    }
}
