// The Windows DLLs under a Windows run-time we did not write (Wine's msvcrt): the
// scenario folders of every tool in cmake/tool_names.cmake and the sample workflow,
// compared with the Linux goldens.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

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

namespace {

std::map<std::string, std::string> files_below(const fs::path &dir) {
    std::map<std::string, std::string> files;
    for (const auto &e : fs::recursive_directory_iterator(dir))
        if (e.is_regular_file())
            files[e.path().lexically_relative(dir).generic_string()] = scenario::read_file(e.path());
    return files;
}

// The first `runs` runs of the sample workflow (a copy in `panel`), saved after each, in
// `run_dir`; `fault` (NXSIM_FAIL_RENAME) fails a rename or ends the process there.
scenario::child_result play_first(const fs::path &panel, size_t runs, const fs::path &run_dir,
                                  const char *fault = nullptr) {
    nlohmann::ordered_json workflow;
    std::ifstream(panel / "workflow.json") >> workflow;
    workflow["runs"].erase(workflow["runs"].begin() + static_cast<long>(runs), workflow["runs"].end());
    if (runs == 0) workflow["runs"] = nlohmann::ordered_json::parse(R"([{"tool": "no_such_tool", "script": "x"}])");
    const fs::path file = panel / (run_dir.filename().string() + ".json");
    std::ofstream(file) << workflow.dump();
    SetEnvironmentVariableA("NXSIM_FAIL_RENAME", fault);
    scenario::child_result r =
        scenario::run_child({NXSIM_EXE, "play", file.string(), "--run-dir", run_dir.string(), "--tools-dir",
                             RIVET_TOOLS_DIR, "--dialogs-dir", RIVET_DIALOGS_DIR, "--save-each"},
                            scenario::child_options().errors_into_output());
    SetEnvironmentVariableA("NXSIM_FAIL_RENAME", nullptr);
    return r;
}

}  // namespace

// A commit cut at a rename, by an I/O error or by the process ended there, is put in
// place by the next run in the run folder: every file as the uncut runs leave them.
TEST(DurableCommit, APlayCutAtARenameIsCompletedByTheNextRun) {
    fs::path work = scenario::make_temp_dir("rivet-commit");
    const fs::path panel = work / "panel";
    fs::copy(fs::path(EXAMPLES_DIR) / "panel", panel, fs::copy_options::recursive);
    struct Cut {
        const char *fault;
        size_t run;  // whose commit the rename is of: five renames each
    };
    for (Cut cut : {Cut{"3:kill", 1}, Cut{"7", 2}}) {
        const fs::path uncut = work / ("uncut" + std::to_string(cut.run));
        scenario::child_result whole = play_first(panel, cut.run, uncut);
        ASSERT_EQ(whole.exit_code, 0) << whole.out;
        const fs::path at = work / ("cut" + std::to_string(cut.run));
        scenario::child_result r = play_first(panel, cut.run, at, cut.fault);
        EXPECT_NE(r.exit_code, 0) << cut.fault << "\n" << r.out;
        EXPECT_TRUE(fs::exists(at / "session.json.commit")) << cut.fault;
        EXPECT_NE(files_below(at), files_below(uncut)) << cut.fault << ": nothing left to complete";
        scenario::child_result next = play_first(panel, 0, at);
        EXPECT_EQ(next.exit_code, 2) << next.out;
        EXPECT_NE(next.out.find("nxsim: completed the commit of a run that was cut off"), std::string::npos)
            << next.out;
        EXPECT_TRUE(files_below(at) == files_below(uncut)) << cut.fault << ": not as the uncut runs left it";
    }
    if (!::testing::Test::HasFailure()) fs::remove_all(work);
}
