// A scenario is a folder: case.json (tool, session, expected exit, files that must
// not exist, files and folders laid into the run folder first), script.json, and expected/ holding golden copies of
// what the run leaves: transcript.txt, session.json and any file under the run's drives (D/prterr.txt, D/NAME.fpdf,
// ...). Logs compare byte for byte except the numbers after "line=" and the source path of the timed-frame reporter;
// sessions compare as JSON with numbers equal within 1e-9. Every run of a case exits as the case says, without a
// sanitizer report; a run that must fail leaves the session and the run folder as they were.
//
// NXSIM_UPDATE_GOLDEN=1 rewrites expected/ from the run instead of comparing.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace scenario {

struct outcome {
    int exit_code = 0;           // of the last run played
    std::filesystem::path work;  // temporary folder: session.json, run/
    std::string stderr_text;     // of all runs
    // Every run played, in order (a case stops at the first run that exits otherwise
    // than it says).
    struct played {
        int exit_code = 0;
        int expected = 0;
        std::string stderr_text;
        std::string unchanged;  // for a run that must fail: what it changed, empty when nothing
    };
    std::vector<played> runs;
    size_t planned = 0;  // the runs the case holds
};

// Runs the scenario and returns what it left (the caller may look further). The tools
// come from tools_dir when given, else from the build's.
outcome run(const std::filesystem::path &case_dir, const std::filesystem::path &tools_dir = {});

// Runs the scenario and checks it against its expected/ folder with gtest assertions.
void check(const std::filesystem::path &case_dir, const std::filesystem::path &tools_dir = {});

// What must hold of every run whatever its goldens say: its exit status, no sanitizer
// report, nothing changed by a run that must fail. Gtest failures naming the run.
void check_runs(const outcome &out);

// Case folders below dir, sorted by name: every folder but sessions/ (the cases'
// sessions) and a folder that only groups case folders (played by the tool's own
// test). A folder without a readable case.json is listed too, so that it fails.
std::vector<std::string> list(const std::filesystem::path &dir);

// Masks what carries no meaning in a log: "line=123" -> "line=#", and the source
// path after the timed-frame reporter's line number.
std::string mask_log(const std::string &bytes);

std::string read_file(const std::filesystem::path &path);

// The number of host calls a finished run made (from its transcript's last line), -1 if none.
long host_calls(const outcome &out);

// Plays the tool once with these actions, then once more for every host call the
// clean run made, with that call failing. A run under a fault may end normally or
// stop out of step with its script (exit 0 or 1, and then it saves nothing), never
// crash (a signal), stay loaded or draw a sanitizer report.
// `files` are laid into the run folder first (run folder path, source file).
// Answers the clean run's number of host calls.
long sweep_faults(const std::string &tool, const std::filesystem::path &session, const std::string &actions_json,
                  const std::filesystem::path &tools_dir = {},
                  const std::vector<std::pair<std::string, std::filesystem::path>> &files = {});

}  // namespace scenario

// One gtest per scenario folder under SCENARIO_DIR/<sub>.
#define SCENARIO_SUITE(Suite, sub)                                                                                    \
    class Suite : public ::testing::TestWithParam<std::string> {};                                                    \
    TEST_P(Suite, Plays) { scenario::check(std::filesystem::path(SCENARIO_DIR) / sub / GetParam()); }                 \
    INSTANTIATE_TEST_SUITE_P(, Suite, ::testing::ValuesIn(scenario::list(std::filesystem::path(SCENARIO_DIR) / sub)), \
                             [](const ::testing::TestParamInfo<std::string> &info) { return info.param; })
