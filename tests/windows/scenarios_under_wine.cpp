// The Windows DLLs under a Windows run-time we did not write (Wine's msvcrt): every
// tool's scenario folders and the sample workflow, compared with the Linux goldens.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>

#include "child_process.h"
#include "scenario.h"

namespace fs = std::filesystem;

SCENARIO_SUITE(FpdfExport, "fpdf_export");
SCENARIO_SUITE(RouteCheck, "route_check");
SCENARIO_SUITE(RouteWalk, "route_walk");
SCENARIO_SUITE(RouteCreate, "route_create");
SCENARIO_SUITE(RivetTransfer, "rivet_transfer");
SCENARIO_SUITE(FlatAssembly, "flat_assembly");
SCENARIO_SUITE(RivetMark, "rivet_mark");
SCENARIO_SUITE(RivetGroupAttr, "rivet_group_attr");
SCENARIO_SUITE(RivetAttrInspect, "rivet_attr_inspect");

// The engineers' Windows runs under the ANSI code page 1251: a tool's file name in
// Windows-1251 names the file they will find. Under 1252 "З" would come out as "Ç".
TEST(ShopFloorWindows, AnsiCodePageIs1251) {
    EXPECT_EQ(GetACP(), 1251u) << "Wine takes its code page from the Unix locale: run under scripts/under-wine.sh";
}

TEST(SampleWorkflow, MachineFileIsTheReviewedOne) {
    fs::path run_dir = scenario::make_temp_dir("rivet-workflow");
    std::string out;
    int code = scenario::run_program(NXSIM_EXE,
                                     {"play", EXAMPLES_DIR "/panel/workflow.json", "--run-dir", run_dir.string(),
                                      "--tools-dir", RIVET_TOOLS_DIR, "--dialogs-dir", RIVET_DIALOGS_DIR},
                                     {}, &out);
    ASSERT_EQ(code, 0) << out;
    EXPECT_NE(out.find("22 fpdf_export         return code 0, 0 message boxes"), std::string::npos) << out;
    fs::path fpdf = run_dir / "drives" / "D" / "PANEL_01.fpdf";
    EXPECT_TRUE(scenario::read_file(fpdf) == scenario::read_file(EXAMPLES_DIR "/panel/expected/PANEL_01.fpdf"))
        << "the FPDF file differs from examples/panel/expected/PANEL_01.fpdf";
    if (!::testing::Test::HasFailure()) fs::remove_all(run_dir);
}

// FreeLibrary that leaves the DLL mapped would hand the next run the old module state.
TEST(Unloading, AToolThatStaysLoadedFailsTheRun) {
    fs::path work = scenario::make_temp_dir("rivet-pinned");
    fs::copy_file(fs::path(SCENARIO_DIR) / "rivet_mark" / "sessions" / "panel.json", work / "s.json");
    std::string before = scenario::read_file(work / "s.json");
    std::ofstream(work / "x.json") << R"({"actions": []})";
    std::string out;
    int code = scenario::run_program(NXSIM_EXE,
                                     {"run", "--session", (work / "s.json").string(), "--tool", "pinned_tool",
                                      "--script", (work / "x.json").string(), "--run-dir", (work / "run").string(),
                                      "--tools-dir", TEST_TOOLS_DIR, "--dialogs-dir", RIVET_DIALOGS_DIR},
                                     {}, &out);
    EXPECT_EQ(code, 1) << out;
    EXPECT_NE(out.find("stayed loaded"), std::string::npos) << out;
    EXPECT_EQ(scenario::read_file(work / "s.json"), before);
    fs::remove_all(work);
}
