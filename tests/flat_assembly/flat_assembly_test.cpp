#include <gtest/gtest.h>

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include <nlohmann/json.hpp>

#include "child_process.h"
#include "cp1251.h"
#include "scenario.h"

SCENARIO_SUITE(FlatAssembly, "flat_assembly");

namespace {

// The prompt lines of a scenario's run, in order.
std::vector<std::string> prompt_lines(const std::string &case_name) {
    auto run = scenario::run(std::filesystem::path(SCENARIO_DIR) / "flat_assembly" / case_name);
    EXPECT_EQ(run.exit_code, 0) << run.stderr_text;
    std::vector<std::string> prompts;
    std::istringstream in(scenario::read_file(run.work / "run" / "transcript.txt"));
    for (std::string line; std::getline(in, line);)
        if (line.rfind("prompt ", 0) == 0) prompts.push_back(line);
    std::filesystem::remove_all(run.work);
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
    auto prompts = prompt_lines("progress_250");
    ASSERT_EQ(prompts.size(), 125u);
    for (int k = 0; k < 125; ++k) {
        int i = 2 * k + 1;
        EXPECT_EQ(prompts[k], prompt_for(i * 100 / 250)) << "leaf " << i;
    }
}

TEST(FlatAssemblyProgress, EveryLeafOfFive) {
    auto prompts = prompt_lines("progress_5_native");
    ASSERT_EQ(prompts.size(), 5u);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(prompts[i], prompt_for(i * 20));
}

namespace {

using nlohmann::json;
namespace fs = std::filesystem;

constexpr int kSections = 4;
constexpr int kPanels = 5;
constexpr int kRivets = 60;

json component(const std::string &name, const std::string &part, double x, double y) {
    return {{"name", name}, {"part", part}, {"refset", "MODEL"}, {"origin", {x, y, 0.0}}};
}

std::string numbered(char prefix, int n) {
    char text[16];
    snprintf(text, sizeof text, "%c%02d", prefix, n);
    return text;
}

// Section i, panel j, rivet r sits at (1000 i + r, 100 j): unique per leaf.
std::tuple<double, double> place(int i, int j, int r) { return {1000.0 * i + r, 100.0 * j}; }

}  // namespace

// Several picks that overlap: a panel, then everything, then one rivet again. Each
// leaf is copied once, in the order the picks and a depth-first walk meet it.
TEST(FlatAssemblyOrder, OverlappingPicksKeepFirstMeetingOrder) {
    fs::path dir = scenario::make_temp_dir("flat-order");

    json root = {{"name", "@DB/ROOT/A"}, {"components", json::array()}};
    json section = {{"name", "@DB/SECTION/A"}, {"components", json::array()}};
    json panel = {{"name", "@DB/PANEL/A"}, {"components", json::array()}};
    for (int i = 0; i < kSections; ++i)
        root["components"].push_back(component(numbered('S', i), "@DB/SECTION/A", 1000.0 * i, 0));
    for (int j = 0; j < kPanels; ++j)
        section["components"].push_back(component(numbered('P', j), "@DB/PANEL/A", 0, 100.0 * j));
    for (int r = 0; r < kRivets; ++r) panel["components"].push_back(component(numbered('R', r), "@DB/RIVET/A", r, 0));
    json session = {{"managed", true},
                    {"display", "@DB/ROOT/A"},
                    {"parts", {root, section, panel, {{"name", "@DB/RIVET/A"}, {"bodies", 1}}}}};
    std::ofstream(dir / "session.json") << session.dump();
    json script = {
        {"actions",
         {{{"select", {"S02/P03", "*", "S00/P00/R00"}}}, {{"choice", 5}}, {{"part_name", "prefix/FLATORDER/A"}}}}};
    std::ofstream(dir / "script.json") << script.dump();
    std::ofstream(dir / "case.json") << json{{"tool", "flat_assembly"}, {"session", "session.json"}}.dump();

    auto run = scenario::run(dir);
    ASSERT_EQ(run.exit_code, 0) << run.stderr_text;
    json saved = json::parse(scenario::read_file(run.work / "session.json"));

    std::vector<std::tuple<double, double>> expected;
    std::set<std::tuple<double, double>> seen;
    auto meet = [&](int i, int j, int r) {
        if (seen.insert(place(i, j, r)).second) expected.push_back(place(i, j, r));
    };
    for (int r = 0; r < kRivets; ++r) meet(2, 3, r);
    for (int i = 0; i < kSections; ++i)
        for (int j = 0; j < kPanels; ++j)
            for (int r = 0; r < kRivets; ++r) meet(i, j, r);

    const json *flat = nullptr;
    for (const json &part : saved["parts"])
        if (part["name"] == "@DB/FLATORDER/A") flat = &part;
    ASSERT_NE(flat, nullptr);
    const json &components = (*flat)["components"];
    ASSERT_EQ(components.size(), expected.size());
    for (size_t n = 0; n < expected.size(); ++n) {
        json origin = components[n].value("origin", json{0.0, 0.0, 0.0});
        EXPECT_EQ(std::make_tuple(origin[0].get<double>(), origin[1].get<double>()), expected[n]) << "component " << n;
        EXPECT_EQ(origin[2].get<double>(), 0.0);
    }
    fs::remove_all(run.work);
    fs::remove_all(dir);
}
