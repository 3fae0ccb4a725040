// The sample panel from the designer's assembly to a checked FPDF file and a picture,
// all nine tools in the usual order of use.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>

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
        "20 route_check         return code 0, 0 message boxes",
        "21 rivet_attr_inspect  return code not written, 0 message boxes; parts created 0; components added 0, "
        "moved 0, removed 0; attributes written 2 (fast_code 1, grip_lng 1)",
        "22 fpdf_export         return code 0, 0 message boxes",
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
    std::regex row("\n[^,\n]+,[0-9]+,[0-9]+,[0-9]+,(yes|no),[^,]*,([0-9.]+),");
    for (auto it = std::sregex_iterator(routes.out.begin(), routes.out.end(), row); it != std::sregex_iterator(); ++it)
        from_assembly.push_back((*it)[2]);
    EXPECT_EQ(from_file.size(), 7u) << check.out;
    std::sort(from_file.begin(), from_file.end());
    std::sort(from_assembly.begin(), from_assembly.end());
    EXPECT_EQ(from_file, from_assembly) << check.out << routes.out;
}

TEST_F(SampleWorkflow, RouteCheckFindsNothing) {
    ASSERT_EQ(play.exit_code, 0) << play.out;
    std::string log = scenario::mask_log(scenario::read_file(run_dir / "logs" / "20_route_check.prterr.txt"));
    EXPECT_EQ(log.find("в маршруте <"), std::string::npos) << log;
    EXPECT_NE(log.find("HAS FINISHED"), std::string::npos);
}

TEST_F(SampleWorkflow, PictureHoldsOneWalkPerRoute) {
    ASSERT_EQ(play.exit_code, 0) << play.out;
    fs::path svg = run_dir / "panel.svg";
    result r = shell(std::string(NXSIM_EXE) + " render " + (run_dir / "session.json").string() + " --out " +
                     svg.string() + " --findings " + (run_dir / "logs" / "20_route_check.prterr.txt").string());
    ASSERT_EQ(r.exit_code, 0) << r.out;
    std::string text = scenario::read_file(svg);
    std::regex polyline("<polyline[^>]*points=\"([^\"]*)\"");
    std::vector<size_t> vertices;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), polyline); it != std::sregex_iterator(); ++it) {
        std::string points = (*it)[1];
        vertices.push_back(static_cast<size_t>(std::count(points.begin(), points.end(), ',')));
    }
    EXPECT_EQ(vertices, (std::vector<size_t>{47, 47, 47, 47, 24, 24, 24}));
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
    EXPECT_EQ(transcripts, 21) << "one transcript per tool run";
}

// Each tool's log is kept as written (Windows-1251, CR LF) with a UTF-8 copy beside
// it, the one `nxsim log` prints; the route check's line counts its findings.
TEST_F(SampleWorkflow, EachLogHasAUtf8CopyThatNxsimLogPrints) {
    ASSERT_EQ(play.exit_code, 0) << play.out;
    fs::path logs = run_dir / "logs";
    EXPECT_NE(play.out.find("20 route_check         return code 0, 0 message boxes; parts created 0; components added "
                            "0, moved 0, removed 0; attributes written 0; 0 findings in " +
                            (logs / "20_route_check.prterr.txt").string() + "\n"),
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
    EXPECT_EQ(copies, 21) << "one log per tool run";
    result log = shell(std::string(NXSIM_EXE) + " log " + run_dir.string() + " --tool route_check");
    EXPECT_EQ(log.exit_code, 0) << log.out;
    EXPECT_EQ(log.out, scenario::read_file(logs / "20_route_check.prterr.utf8.txt"));
}

}  // namespace
