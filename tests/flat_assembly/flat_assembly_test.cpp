#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "cp1251.h"
#include "scenario.h"

SCENARIO_SUITE(FlatAssembly, "flat_assembly");

namespace {

std::vector<std::string> prompt_lines(const std::string &transcript) {
    std::vector<std::string> prompts;
    std::istringstream in(transcript);
    for (std::string line; std::getline(in, line);)
        if (line.rfind("prompt ", 0) == 0) prompts.push_back(line);
    return prompts;
}

// The transcript is UTF-8, this source's literals Windows-1251.
std::string prompt_for(int percent) {
    char text[64];
    snprintf(text, sizeof text, "prompt \"процент выполнения  %03d%%\"", percent);
    return nxsim::cp1251_to_utf8(text);
}

}  // namespace

// With 250 leaves the step is 2: the line is renewed at every second leaf, with
// the percentage of the leaves done before it, and never shows 100.
TEST(FlatAssemblyProgress, EverySecondLeafOf250) {
    auto run = scenario::run(std::filesystem::path(SCENARIO_DIR) / "flat_assembly" / "progress_250");
    ASSERT_EQ(run.exit_code, 0) << run.stderr_text;
    auto prompts = prompt_lines(scenario::read_file(run.work / "run" / "transcript.txt"));
    ASSERT_EQ(prompts.size(), 125u);
    for (int k = 0; k < 125; ++k) {
        int i = 2 * k + 1;
        EXPECT_EQ(prompts[k], prompt_for(i * 100 / 250)) << "leaf " << i;
    }
}

TEST(FlatAssemblyProgress, EveryLeafOfFive) {
    auto run = scenario::run(std::filesystem::path(SCENARIO_DIR) / "flat_assembly" / "progress_5_native");
    ASSERT_EQ(run.exit_code, 0) << run.stderr_text;
    auto prompts = prompt_lines(scenario::read_file(run.work / "run" / "transcript.txt"));
    ASSERT_EQ(prompts.size(), 5u);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(prompts[i], prompt_for(i * 20));
}
