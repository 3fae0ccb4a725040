// The Windows DLLs under a Windows run-time we did not write (Wine's msvcrt): the
// scenario folders of every tool in cmake/tool_names.cmake and the sample workflow,
// compared with the Linux goldens.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "child_process.h"
#include "scenario.h"

namespace fs = std::filesystem;

namespace {

// Every case folder of every tool of the suite's one list, as TOOL/CASE.
std::vector<std::string> every_case() {
    std::vector<std::string> cases;
    std::istringstream tools(RIVET_TOOL_NAMES);
    for (std::string tool; std::getline(tools, tool, ',');)
        for (const std::string &name : scenario::list(fs::path(SCENARIO_DIR) / tool))
            cases.push_back(tool + "/" + name);
    return cases;
}

class Scenario : public ::testing::TestWithParam<std::string> {};
TEST_P(Scenario, Plays) { scenario::check(fs::path(SCENARIO_DIR) / GetParam()); }
INSTANTIATE_TEST_SUITE_P(, Scenario, ::testing::ValuesIn(every_case()),
                         [](const ::testing::TestParamInfo<std::string> &info) {
                             std::string name = info.param;
                             name.replace(name.find('/'), 1, "__");
                             return name;
                         });

}  // namespace

// The engineers' Windows runs under the ANSI code page 1251: a tool's file name in
// Windows-1251 names the file they will find. Under 1252 "З" would come out as "Ç".
TEST(ShopFloorWindows, AnsiCodePageIs1251) {
    EXPECT_EQ(GetACP(), 1251u) << "Wine takes its code page from the Unix locale: run under scripts/under-wine.sh";
}

TEST(SampleWorkflow, MachineFileIsTheReviewedOne) {
    fs::path run_dir = scenario::make_temp_dir("rivet-workflow");
    scenario::child_result r =
        scenario::run_child({NXSIM_EXE, "play", EXAMPLES_DIR "/panel/workflow.json", "--run-dir", run_dir.string(),
                             "--tools-dir", RIVET_TOOLS_DIR, "--dialogs-dir", RIVET_DIALOGS_DIR},
                            scenario::child_options().errors_into_output());
    const std::string &out = r.out;
    ASSERT_EQ(r.exit_code, 0) << out;
    EXPECT_NE(out.find("26 fpdf_export         return code 0, 0 message boxes"), std::string::npos) << out;
    fs::path fpdf = run_dir / "drives" / "D" / "PANEL_01.fpdf";
    EXPECT_TRUE(scenario::read_file(fpdf) == scenario::read_file(EXAMPLES_DIR "/panel/expected/PANEL_01.fpdf"))
        << "the FPDF file differs from examples/panel/expected/PANEL_01.fpdf";
    // The second issue after the change, and the verify's log of it against the first.
    EXPECT_TRUE(scenario::read_file(run_dir / "drives" / "D" / "PANEL_02.fpdf") ==
                scenario::read_file(EXAMPLES_DIR "/panel/expected/PANEL_02.fpdf"))
        << "the FPDF file differs from examples/panel/expected/PANEL_02.fpdf";
    std::string verified;
    for (const auto &e : fs::directory_iterator(run_dir / "logs")) {
        std::string name = e.path().filename().string();
        if (name.find("_fpdf_verify.prterr.txt") != std::string::npos && name > verified) verified = name;
    }
    EXPECT_EQ(scenario::mask_log(scenario::read_file(run_dir / "logs" / verified)),
              scenario::mask_log(scenario::read_file(EXAMPLES_DIR "/panel/expected/verify_after_change.prterr.txt")))
        << verified;
    if (!::testing::Test::HasFailure()) fs::remove_all(run_dir);
}

// FreeLibrary that leaves the DLL mapped would hand the next run the old module state.
TEST(Unloading, AToolThatStaysLoadedFailsTheRun) {
    fs::path work = scenario::make_temp_dir("rivet-pinned");
    fs::copy_file(fs::path(SCENARIO_DIR) / "rivet_mark" / "sessions" / "panel.json", work / "s.json");
    std::string before = scenario::read_file(work / "s.json");
    std::ofstream(work / "x.json") << R"({"actions": []})";
    scenario::child_result r =
        scenario::run_child({NXSIM_EXE, "run", "--session", (work / "s.json").string(), "--tool", "pinned_tool",
                             "--script", (work / "x.json").string(), "--run-dir", (work / "run").string(),
                             "--tools-dir", TEST_TOOLS_DIR, "--dialogs-dir", RIVET_DIALOGS_DIR},
                            scenario::child_options().errors_into_output());
    const std::string &out = r.out;
    EXPECT_EQ(r.exit_code, 1) << out;
    EXPECT_NE(out.find("stayed loaded"), std::string::npos) << out;
    EXPECT_EQ(scenario::read_file(work / "s.json"), before);
    fs::remove_all(work);
}
