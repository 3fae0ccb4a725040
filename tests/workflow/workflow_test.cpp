// The sample panel from the designer's assembly to a checked FPDF file and a picture,
// all the tools in the usual order of use, the route editing among them; then
// the file verified against the assembly, a change, the same file verified again
// and a second issue exported.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <regex>
#include <vector>

#include "child_process.h"
#include "scenario.h"

namespace fs = std::filesystem;

namespace {

using result = scenario::child_result;

result shell(const std::string &cmd) { return scenario::run_shell(cmd); }

class SampleWorkflow : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        run_dir = scenario::make_temp_dir("rivet-workflow");
        play = shell(std::string(NXSIM_EXE) + " play " EXAMPLES_DIR "/panel/workflow.json --run-dir " +
                     run_dir.string() + " --tools-dir " RIVET_TOOLS_DIR " --dialogs-dir " RIVET_DIALOGS_DIR);
    }
    static void TearDownTestSuite() {
        if (!::testing::UnitTest::GetInstance()->Failed()) fs::remove_all(run_dir);
    }
    static fs::path run_dir;
    static result play;
};

fs::path SampleWorkflow::run_dir;
result SampleWorkflow::play;

// The tool runs of the sample workflow: the steps that name a tool.
int tool_runs() {
    nlohmann::json workflow = nlohmann::json::parse(scenario::read_file(EXAMPLES_DIR "/panel/workflow.json"));
    return static_cast<int>(std::count_if(workflow["runs"].begin(), workflow["runs"].end(),
                                          [](const nlohmann::json &run) { return run.contains("tool"); }));
}

// The logs of one tool's runs, in the order played.
std::vector<fs::path> logs_of(const fs::path &run_dir, const std::string &tool) {
    std::vector<std::pair<int, fs::path>> found;
    const std::string tail = "_" + tool + ".prterr.txt";
    for (const auto &e : fs::directory_iterator(run_dir / "logs")) {
        std::string name = e.path().filename().string();
        if (name.size() > tail.size() && name.compare(name.size() - tail.size(), tail.size(), tail) == 0)
            found.emplace_back(std::stoi(name), e.path());
    }
    std::sort(found.begin(), found.end());
    std::vector<fs::path> paths;
    for (const auto &f : found) paths.push_back(f.second);
    return paths;
}

// The lines of a log that name a difference of a route.
std::vector<std::string> difference_lines(const std::string &log) {
    std::vector<std::string> lines;
    std::regex line("\n\tмаршрут ([^\r]*)\tline=");
    for (auto it = std::sregex_iterator(log.begin(), log.end(), line); it != std::sregex_iterator(); ++it)
        lines.push_back((*it)[1]);
    return lines;
}

TEST_F(SampleWorkflow, EveryRunSucceedsInOrder) {
    ASSERT_EQ(play.exit_code, 0) << play.out;
    const char *expected[] = {
        "01 flat_assembly       return code 0, 0 message boxes; parts created 0; components added 268",
        "02 rivet_mark          return code 0, 0 message boxes; parts created 0; components added 0, moved 0, "
        "removed 0; attributes written 260 (RIVET 260)",
        "03 route_create        return code 0, 0 message boxes; parts created 7",
        "04 reopen              the engineer opens the displayed assembly again: 7 parts loaded",
        "05 rivet_transfer      return code 0, 0 message boxes; parts created 0; components added 0, moved 47",
        "11 rivet_transfer      return code 0, 0 message boxes; parts created 0; components added 0, moved 24",
        "12 rivet_group_attr    return code not written, 3 message boxes; parts created 0; components added 0, "
        "moved 0, removed 0; attributes written 1300",
        "19 route_walk          return code 0, 26 message boxes; parts created 0; components added 0, moved 0, "
        "removed 0; attributes written 24 (point_id 24)",
        "20 route_edit          return code 0, 1 message box; parts created 0; components added 0, moved 0, removed "
        "0; attributes written 46 (point_id 46)",
        "21 route_edit          return code 0, 1 message box; parts created 0; components added 0, moved 0, removed "
        "0; attributes written 0",
        "22 route_edit          return code 0, 1 message box; parts created 1 (@DB/PANEL_008_RT/A); components added "
        "1, moved 23, removed 0; attributes written 162 (PATH 1, RIVET 23, ad_code 23, fast_code 23, grip_lng 23, "
        "point_id 23, pr_code 23, rivet 23)",
        "23 route_edit          return code 0, 1 message box; parts created 0; components added 0, moved 24, removed "
        "1; attributes written 168 (RIVET 24, ad_code 24, fast_code 24, grip_lng 24, point_id 24, pr_code 24, rivet 24)",
        "24 route_check         return code 0, 0 message boxes",
        "25 rivet_attr_inspect  return code not written, 0 message boxes; parts created 0; components added 0, "
        "moved 0, removed 0; attributes written 2 (fast_code 1, grip_lng 1)",
        "26 fpdf_export         return code 0, 0 message boxes",
    };
    for (const char *line : expected) EXPECT_NE(play.out.find(line), std::string::npos) << line << "\n" << play.out;
}

TEST_F(SampleWorkflow, MachineFileIsTheReviewedOneAndChecksClean) {
    ASSERT_EQ(play.exit_code, 0) << play.out;
    fs::path fpdf = run_dir / "drives" / "D" / "PANEL_01.fpdf";
    EXPECT_TRUE(scenario::read_file(fpdf) == scenario::read_file(EXAMPLES_DIR "/panel/expected/PANEL_01.fpdf"))
        << "the FPDF file differs from examples/panel/expected/PANEL_01.fpdf";
    result check = shell(std::string(FPDF_CHECK_EXE) + " " + fpdf.string());
    EXPECT_EQ(check.exit_code, 0) << check.out;
    EXPECT_NE(check.out.find("7 routes, 260 rivets"), std::string::npos) << check.out;
}

// The cell time fpdf_check gives each route of the file is the one nxsim routes
// gives each route of the assembly.
TEST_F(SampleWorkflow, CellTimePerRouteAsNxsimRoutesGivesIt) {
    ASSERT_EQ(play.exit_code, 0) << play.out;
    result check = shell(std::string(FPDF_CHECK_EXE) + " " + (run_dir / "drives" / "D" / "PANEL_01.fpdf").string());
    std::vector<std::string> from_file;
    std::regex route_time(
        ": route \"[^\"]*\" \\(line [0-9]+\\): [0-9]+ announced, [0-9]+ found; travel [0-9.]+ mm, cell "
        "time ([0-9.]+) s");
    for (auto it = std::sregex_iterator(check.out.begin(), check.out.end(), route_time); it != std::sregex_iterator();
         ++it)
        from_file.push_back((*it)[1]);
    result routes = shell(std::string(NXSIM_EXE) + " routes " + (run_dir / "session.json").string() + " --format csv");
    ASSERT_EQ(routes.exit_code, 0) << routes.err;
    std::vector<std::string> from_assembly;
    // route, rivets, fasteners, grips, walked, travel_mm, shortest_mm, time_s, ...
    std::regex row("\n[^,\n]+,[0-9]+,[0-9]+,[0-9]+,(yes|no),[^,]*,[^,]*,([0-9.]+),");
    for (auto it = std::sregex_iterator(routes.out.begin(), routes.out.end(), row); it != std::sregex_iterator(); ++it)
        from_assembly.push_back((*it)[2]);
    EXPECT_EQ(from_file.size(), 7u) << check.out;
    std::sort(from_file.begin(), from_file.end());
    std::sort(from_assembly.begin(), from_assembly.end());
    EXPECT_EQ(from_file, from_assembly) << check.out << routes.out;
}

TEST_F(SampleWorkflow, RouteCheckFindsNothing) {
    ASSERT_EQ(play.exit_code, 0) << play.out;
    std::string log = scenario::mask_log(scenario::read_file(run_dir / "logs" / "24_route_check.prterr.txt"));
    EXPECT_EQ(log.find("в маршруте <"), std::string::npos) << log;
    EXPECT_NE(log.find("HAS FINISHED"), std::string::npos);
}

TEST_F(SampleWorkflow, PictureHoldsOneWalkPerRoute) {
    ASSERT_EQ(play.exit_code, 0) << play.out;
    fs::path svg = run_dir / "panel.svg";
    result r = shell(std::string(NXSIM_EXE) + " render " + (run_dir / "session.json").string() + " --out " +
                     svg.string() + " --findings " + (run_dir / "logs" / "24_route_check.prterr.txt").string());
    ASSERT_EQ(r.exit_code, 0) << r.out;
    std::string text = scenario::read_file(svg);
    std::regex polyline("<polyline[^>]*points=\"([^\"]*)\"");
    std::vector<size_t> vertices;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), polyline); it != std::sregex_iterator(); ++it) {
        std::string points = (*it)[1];
        vertices.push_back(static_cast<size_t>(std::count(points.begin(), points.end(), ',')));
    }
    // The split left 24 and 23 of the first route's 47; the merge made 48 of two frames' 24.
    EXPECT_EQ(vertices, (std::vector<size_t>{24, 47, 47, 47, 24, 48, 23}));
}

TEST_F(SampleWorkflow, SessionSavedAfterEachRun) {
    ASSERT_EQ(play.exit_code, 0) << play.out;
    result show =
        shell(std::string(NXSIM_EXE) + " show " + (run_dir / "session.json").string() + " --path PANEL_005_RT/F1R12");
    EXPECT_NE(show.out.find("RIVET=work  rivet=work  pr_code=G  ad_code=A  fast_code=3404480D60  grip_lng=155  "
                            "point_id=PANEL_005_12"),
              std::string::npos)
        << show.out;
    int transcripts = 0;
    for (const auto &e : fs::directory_iterator(run_dir / "transcripts")) transcripts += e.is_regular_file();
    EXPECT_EQ(transcripts, tool_runs()) << "one transcript per tool run";
}

// Each tool's log is kept as written (Windows-1251, CR LF) with a UTF-8 copy beside
// it, the one `nxsim log` prints; the route check's line counts its findings.
TEST_F(SampleWorkflow, EachLogHasAUtf8CopyThatNxsimLogPrints) {
    ASSERT_EQ(play.exit_code, 0) << play.out;
    fs::path logs = run_dir / "logs";
    EXPECT_NE(play.out.find("24 route_check         return code 0, 0 message boxes; parts created 0; components added "
                            "0, moved 0, removed 0; attributes written 0; 0 findings in " +
                            (logs / "24_route_check.prterr.txt").string() + "\n"),
              std::string::npos)
        << play.out;
    int copies = 0;
    for (const auto &e : fs::directory_iterator(logs)) {
        std::string name = e.path().filename().string();
        if (name.size() < 11 || name.compare(name.size() - 11, 11, ".prterr.txt") != 0) continue;
        fs::path copy = logs / (name.substr(0, name.size() - 4) + ".utf8.txt");
        ASSERT_TRUE(fs::exists(copy)) << copy;
        std::string text = scenario::read_file(copy);
        EXPECT_EQ(text.find('\r'), std::string::npos) << copy;
        std::string bytes = scenario::read_file(e.path());
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), std::count(bytes.begin(), bytes.end(), '\n')) << copy;
        ++copies;
    }
    EXPECT_EQ(copies, tool_runs()) << "one log per tool run";
    result log = shell(std::string(NXSIM_EXE) + " log " + run_dir.string() + " --tool route_check");
    EXPECT_EQ(log.exit_code, 0) << log.out;
    EXPECT_EQ(log.out, scenario::read_file(logs / "24_route_check.prterr.utf8.txt"));
}

// Right after the export, the file holds exactly what the assembly holds.
TEST_F(SampleWorkflow, VerifyFindsTheFileJustWrittenMatching) {
    ASSERT_EQ(play.exit_code, 0) << play.out;
    std::vector<fs::path> logs = logs_of(run_dir, "fpdf_verify");
    ASSERT_EQ(logs.size(), 2u) << play.out;
    std::string log = scenario::read_file(logs[0]);
    EXPECT_EQ(scenario::mask_log(log),
              scenario::mask_log(scenario::read_file(EXAMPLES_DIR "/panel/expected/verify_matching.prterr.txt")));
    EXPECT_EQ(difference_lines(log), std::vector<std::string>{});
    EXPECT_NE(log.find("\tфайл заклепок D:\\PANEL_01.fpdf совпадает со сборкой: маршрутов 7\t"), std::string::npos)
        << log;
}

// One rivet moved 0.5 mm, one grip changed with the inspector, one route walked again
// from its other end: the file verified again differs in exactly those.
TEST_F(SampleWorkflow, VerifyAfterTheChangeFindsExactlyThose) {
    ASSERT_EQ(play.exit_code, 0) << play.out;
    EXPECT_NE(play.out.find(" move                the engineer moves PANEL_005_RT/F1R05 by (0.5, 0, 0)\n"),
              std::string::npos)
        << play.out;
    std::vector<fs::path> logs = logs_of(run_dir, "fpdf_verify");
    ASSERT_EQ(logs.size(), 2u) << play.out;
    std::string log = scenario::read_file(logs[1]);
    EXPECT_EQ(scenario::mask_log(log),
              scenario::mask_log(scenario::read_file(EXAMPLES_DIR "/panel/expected/verify_after_change.prterr.txt")));
    std::vector<std::string> lines = difference_lines(log);
    ASSERT_EQ(lines.size(), 48u) << log;
    // Walked from the other end: every point identifier of the route but the middle
    // one (24 of 47) names another place.
    size_t at = 0;
    for (int id = 1; id <= 47; ++id) {
        if (id == 24) continue;
        char head[64];
        snprintf(head, sizeof head, "PANEL_004, заклепка PANEL_004_%02d: положение в файле (", id);
        EXPECT_EQ(lines[at].rfind(head, 0), 0u) << lines[at];
        ++at;
    }
    EXPECT_EQ(lines[46],
              "PANEL_005, заклепка PANEL_005_05: положение в файле (331.50635, 74.18584, -12.00000), в "
              "сборке (331.93936, 73.93584, -12.00000)");
    EXPECT_EQ(lines[47], "PANEL_005, заклепка PANEL_005_20: <grip_lng> в файле <140>, в сборке <155>");
    EXPECT_NE(log.find("\tфайл заклепок D:\\PANEL_01.fpdf расходится со сборкой: расхождений 48 в маршрутах: 2 из 7\t"),
              std::string::npos)
        << log;
}

// The second issue, exported after the change under another name, is the reviewed one
// and checks clean; the first stays as it was.
TEST_F(SampleWorkflow, SecondIssueIsTheReviewedOneAndChecksClean) {
    ASSERT_EQ(play.exit_code, 0) << play.out;
    fs::path fpdf = run_dir / "drives" / "D" / "PANEL_02.fpdf";
    EXPECT_TRUE(scenario::read_file(fpdf) == scenario::read_file(EXAMPLES_DIR "/panel/expected/PANEL_02.fpdf"))
        << "the FPDF file differs from examples/panel/expected/PANEL_02.fpdf";
    EXPECT_TRUE(scenario::read_file(run_dir / "drives" / "D" / "PANEL_01.fpdf") ==
                scenario::read_file(EXAMPLES_DIR "/panel/expected/PANEL_01.fpdf"));
    result check = shell(std::string(FPDF_CHECK_EXE) + " " + fpdf.string());
    EXPECT_EQ(check.exit_code, 0) << check.out;
    EXPECT_NE(check.out.find("7 routes, 260 rivets"), std::string::npos) << check.out;
}

// What the second issue changes for the cell, by fpdf_diff: exactly the three edits,
// the 0.5 mm, the grip and the route walked from its other end.
TEST_F(SampleWorkflow, DiffOfTheTwoIssuesListsExactlyTheChange) {
    ASSERT_EQ(play.exit_code, 0) << play.out;
    fs::path old_issue = run_dir / "drives" / "D" / "PANEL_01.fpdf";
    fs::path new_issue = run_dir / "drives" / "D" / "PANEL_02.fpdf";
    result diff = shell(std::string(FPDF_DIFF_EXE) + " " + old_issue.string() + " " + new_issue.string());
    EXPECT_EQ(diff.exit_code, 1) << diff.out;
    std::string summary = old_issue.string() + " -> " + new_issue.string() +
                          ": 48 changes: 0 header fields; 0 routes added, 0 removed, 0 recounted; 0 rivets added, 0 "
                          "removed, 1 moved, 1 recoded, 46 re-sequenced\n";
    EXPECT_EQ(diff.out, scenario::read_file(EXAMPLES_DIR "/panel/expected/PANEL_01_to_02.diff.txt") + summary);
    EXPECT_NE(diff.out.find("rivet \"PANEL_005_05\": moved 0.50000 mm"), std::string::npos) << diff.out;
    EXPECT_NE(diff.out.find("rivet \"PANEL_005_20\": recoded: grip \"140\" -> \"155\""), std::string::npos) << diff.out;
}

}  // namespace
