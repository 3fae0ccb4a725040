// The nxsim program as a user meets it: arguments and exit statuses, the messages
// about files, the route table's numbers, the run's summary and the log in UTF-8.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "child_process.h"
#include "scenario.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

// UTF-8 text in this Windows-1251 compiled file.
std::string utf8(const char8_t *text) { return reinterpret_cast<const char *>(text); }

struct result {
    int status = -1;
    std::string out, err;
};

class NxsimCli : public ::testing::Test {
protected:
    scenario::temp_dir scratch{"nxsim-cli"};
    fs::path dir = scratch.path();

    // The arguments as a shell splits them.
    result nxsim(const std::string &arguments) {
        scenario::child_result c = scenario::run_shell(scenario::shell_quote(NXSIM_EXE) + " " + arguments, {});
        return {c.signalled ? -1 : c.exit_code, c.out, c.err};
    }

    fs::path write(const std::string &name, const std::string &bytes) {
        std::ofstream(dir / name, std::ios::binary) << bytes;
        return dir / name;
    }
};

// ---- arguments -------------------------------------------------------------------

struct usage_case {
    const char *arguments;
    const char *error;  // the one line before the pointer to --help
    const char *help;   // the command whose --help is pointed to
};

TEST_F(NxsimCli, UsageErrorsAreOneLineAndAPointerToHelp) {
    const usage_case cases[] = {
        {"", "nxsim: no command given (the commands are run, play, show, render, routes, log)", "nxsim"},
        {"shwo s.json", "nxsim: unknown command shwo (did you mean show?)", "nxsim"},
        {"frobnicate", "nxsim: unknown command frobnicate (the commands are run, play, show, render, routes, log)",
         "nxsim"},
        {"--bogus", "nxsim: unknown option --bogus", "nxsim"},
        {"run --sesion s.json", "nxsim run: unknown option --sesion (did you mean --session?)", "nxsim run"},
        {"run --tool rivet_mark --run-dir r", "nxsim run: missing option --session", "nxsim run"},
        {"run --session", "nxsim run: option --session needs a value", "nxsim run"},
        {"play --run-dir r", "nxsim play: missing WORKFLOW", "nxsim play"},
        {"routes s.json --format xml", "nxsim routes: --format: xml not in {table,csv,json}", "nxsim routes"},
        {"routes s.json --rivet-seconds nan", "nxsim routes: --rivet-seconds: nan is not a number of zero or more",
         "nxsim routes"},
        {"routes s.json --fromat csv", "nxsim routes: unknown option --fromat (did you mean --format?)",
         "nxsim routes"},
        {"render s.json", "nxsim render: missing option --out", "nxsim render"},
        {"show a.json b.json", "nxsim show: unexpected argument b.json", "nxsim show"},
    };
    for (const usage_case &c : cases) {
        result r = nxsim(c.arguments);
        EXPECT_EQ(r.status, 2) << c.arguments;
        EXPECT_EQ(r.out, "") << c.arguments;
        EXPECT_EQ(r.err, std::string(c.error) + "\nTry '" + c.help + " --help' for more information.\n") << c.arguments;
    }
}

TEST_F(NxsimCli, HelpOnEveryCommandAndTheVersion) {
    for (const char *command : {"", "run ", "play ", "show ", "render ", "routes ", "log "}) {
        for (const char *flag : {"--help", "-h"}) {
            result r = nxsim(std::string(command) + flag);
            EXPECT_EQ(r.status, 0) << command << flag;
            EXPECT_NE(r.out.find("Usage: nxsim " + std::string(command)), std::string::npos) << r.out;
            EXPECT_EQ(r.err, "");
        }
    }
    result r = nxsim("--help");
    EXPECT_NE(r.out.find("Exit status: 0 success, 1 the run went wrong"), std::string::npos) << r.out;
    r = nxsim("--version");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, std::string("nxsim ") + RIVET_VERSION + "\n");
}

// ---- files -----------------------------------------------------------------------

TEST_F(NxsimCli, FilesThatCannotBeReadAreNamedWithWhatTheyAreAndWhy) {
    fs::create_directories(dir / "folder.json");
    write("s.json", R"({"display": "@DB/A/A", "parts": [{"name": "@DB/A/A"}]})");
    const std::pair<std::string, std::string> cases[] = {
        {"show " + (dir / "none.json").string(),
         (dir / "none.json").string() + ": cannot read the session: no such file"},
        {"show " + (dir / "folder.json").string(),
         (dir / "folder.json").string() + ": cannot read the session: it is a folder"},
        {"play " + (dir / "folder.json").string() + " --run-dir " + (dir / "run").string(),
         (dir / "folder.json").string() + ": cannot read the workflow: it is a folder"},
        {"run --session " + (dir / "s.json").string() + " --tool rivet_mark --run-dir " + (dir / "run").string() +
             " --tools-dir " RIVET_TOOLS_DIR " --script " + (dir / "none.json").string(),
         (dir / "none.json").string() + ": cannot read the engineer script: no such file"},
        {"routes " + (dir / "s.json").string() + " --findings " + (dir / "none.txt").string(),
         (dir / "none.txt").string() + ": cannot read the route check's log: no such file"},
        {"log " + (dir / "none").string(), (dir / "none").string() + ": no such run folder or log file"},
    };
    for (const auto &[arguments, message] : cases) {
        result r = nxsim(arguments);
        EXPECT_EQ(r.status, 2) << arguments;
        EXPECT_NE(r.err.find(message + "\n"), std::string::npos) << r.err;
    }
}

TEST_F(NxsimCli, AnUnknownToolListsTheToolsThereAre) {
    write("s.json", R"({"display": "@DB/A/A", "parts": [{"name": "@DB/A/A"}]})");
    write("x.json", R"({"actions": []})");
    result r =
        nxsim("run --session " + (dir / "s.json").string() + " --tool route_wlak --script " +
              (dir / "x.json").string() + " --run-dir " + (dir / "run").string() + " --tools-dir " RIVET_TOOLS_DIR);
    EXPECT_EQ(r.status, 2);
    // The suite's list of plug-ins, in the order of names.
    std::vector<std::string> names;
    std::istringstream list(RIVET_TOOL_NAMES);
    for (std::string name; std::getline(list, name, ',');) names.push_back(name);
    std::sort(names.begin(), names.end());
    std::string tools;
    for (const auto &name : names) tools += (tools.empty() ? "" : ", ") + name;
    EXPECT_GE(names.size(), 9u);
    EXPECT_NE(r.err.find("unknown tool 'route_wlak' (the tools are " + tools + ")"), std::string::npos) << r.err;
}

// ---- the route table -------------------------------------------------------------

// Two routes: RT1 walked 0, 20, 10, 30 (travel 50) where the walk from its first rivet
// would take 30; RT2 with one point_id only, its rivets at 0, 10 and 40.
std::string route_session(int units) {
    auto rivet = [](const char *name, double x, const char *id, const char *fast, const char *grip) {
        nlohmann::json attributes = {{"RIVET", "work"}};
        if (*id) attributes["point_id"] = id;
        if (*fast) attributes["fast_code"] = fast;
        if (*grip) attributes["grip_lng"] = grip;
        return nlohmann::json{{"name", name}, {"part", "@DB/RIV/A"}, {"origin", {x, 0, 0}}, {"attributes", attributes}};
    };
    nlohmann::json s = {
        {"managed", true},
        {"display", "@DB/ASM/A"},
        {"parts",
         {{{"name", "@DB/ASM/A"},
           {"units", units},
           {"components",
            {{{"name", "RT1"}, {"part", "@DB/AAAAB_001/A"}, {"origin", {0, 0, 0}}},
             {{"name", "RT2"}, {"part", "@DB/AAAAB_002/A"}, {"origin", {0, 100, 0}}},
             {{"name", "SKIN"}, {"part", "@DB/SKIN/A"}, {"origin", {0, 0, 0}}}}}},
          {{"name", "@DB/AAAAB_001/A"},
           {"attributes", {{"PATH", "work"}}},
           {"components",
            {rivet("R1", 0, "AAAAB_001_01", "F1", "080"), rivet("R2", 20, "AAAAB_001_02", "F1", "095"),
             rivet("R3", 10, "AAAAB_001_03", "F2", "080"), rivet("R4", 30, "AAAAB_001_04", "F1", "080")}}},
          {{"name", "@DB/AAAAB_002/A"},
           {"attributes", {{"PATH", "work"}}},
           {"components",
            {rivet("R1", 0, "", "", ""), rivet("R2", 10, "AAAAB_002_01", "", ""), rivet("R3", 40, "", "", "")}}},
          {{"name", "@DB/RIV/A"}},
          {{"name", "@DB/SKIN/A"}}}}};
    return s.dump();
}

TEST_F(NxsimCli, RouteTableCountsAndLengths) {
    fs::path s = write("s.json", route_session(1));
    // Two findings of the route check in RT1, none in RT2 (Windows-1251, CR LF).
    fs::path log = write(
        "prterr.txt",
        "\r\n <route_check>\tHAS STARTED\t\tline=43\r\n"
        "\t \xE2 \xEC\xE0\xF0\xF8\xF0\xF3\xF2\xE5 <RT1> \xE7\xE0\xEA\xEB\xE5\xEF\xEA\xE0 <AAAAB_001_02> - x\tline=133\r\n"
        "\t \xE2 \xEC\xE0\xF0\xF8\xF0\xF3\xF2\xE5 <RT1> \xE7\xE0\xEA\xEB\xE5\xEF\xEA\xE0 <AAAAB_001_03> - y\tline=133\r\n");
    result r = nxsim("routes " + s.string() + " --findings=" + log.string());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(
        r.out,
        "route  rivets  fasteners  grips  walked  findings  travel mm  shortest mm  time s  best mm  best start\n"
        "RT1         4          2      3  yes            2       50.0         30.0    15.0     30.0  AAAAB_001_01\n"
        "RT2         3          0      0  no             0          -            -    11.2     40.0  RT2/R1\n");

    r = nxsim("routes " + s.string() + " --format csv");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "route,rivets,fasteners,grips,walked,travel_mm,shortest_mm,time_s,best_mm,best_start\n"
              "RT1,4,2,3,yes,50.0,30.0,15.0,30.0,AAAAB_001_01\n"
              "RT2,3,0,0,no,-,-,11.2,40.0,RT2/R1\n");

    // Inches: the lengths still in millimetres.
    s = write("inch.json", route_session(2));
    r = nxsim("routes " + s.string() + " --format json --rivet-seconds 6");
    EXPECT_EQ(r.status, 0) << r.err;
    nlohmann::json rows = nlohmann::json::parse(r.out);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0]["route"], "RT1");
    EXPECT_EQ(rows[0]["walked"], true);
    EXPECT_NEAR(rows[0]["travel_mm"].get<double>(), 50 * 25.4, 1e-9);
    EXPECT_NEAR(rows[0]["shortest_mm"].get<double>(), 30 * 25.4, 1e-9);
    EXPECT_NEAR(rows[0]["best_mm"].get<double>(), 30 * 25.4, 1e-9);
    EXPECT_EQ(rows[0]["time_s"].get<double>(), 24);  // 4 rivets at 6 s, as fpdf_check counts them
    EXPECT_EQ(rows[1]["time_s"].get<double>(), 18);
    EXPECT_FALSE(rows[0].contains("findings"));
    EXPECT_TRUE(rows[1]["travel_mm"].is_null());
    EXPECT_TRUE(rows[1]["shortest_mm"].is_null());
    EXPECT_EQ(rows[1]["best_start"], "RT2/R1");
}

// The shortest order keeps the route's current first rivet (01), where the best walk
// may start elsewhere: R3 (x 10) first, then R2 (20), R1 (0), R4 (30) travels
// 10 + 20 + 30; from R3 the shortest is R1, R2, R4: 10 + 20 + 10.
TEST_F(NxsimCli, ShortestTravelIsFromTheCurrentFirstRivet) {
    std::string text = route_session(1);
    text.replace(text.find("AAAAB_001_01"), 12, "AAAAB_001_XX");
    text.replace(text.find("AAAAB_001_03"), 12, "AAAAB_001_01");
    text.replace(text.find("AAAAB_001_XX"), 12, "AAAAB_001_03");
    result r = nxsim("routes " + write("s.json", text).string() + " --format csv");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\nRT1,4,2,3,yes,60.0,40.0,15.0,30.0,AAAAB_001_03\n"), std::string::npos) << r.out;
}

// A walked route is numbered 1..n with its own part number: a gap, a repeat or
// another route's number is not walked.
TEST_F(NxsimCli, WalkedMeansNumbered1ToNOfThisRoute) {
    for (const auto &[from, to] : std::vector<std::pair<std::string, std::string>>{
             {"AAAAB_001_04", "AAAAB_001_05"}, {"AAAAB_001_04", "AAAAB_001_03"}, {"AAAAB_001_04", "AAAAB_002_04"}}) {
        std::string text = route_session(1);
        text.replace(text.find(from), from.size(), to);
        result r = nxsim("routes " + write("s.json", text).string() + " --format csv");
        EXPECT_NE(r.out.find("RT1,4,2,3,no,"), std::string::npos) << to << "\n" << r.out;
    }
}

// ---- the run's summary and its log -------------------------------------------------

TEST_F(NxsimCli, RouteCheckRunSaysHowManyFindingsAndWhereAndTheLogReadsInUtf8) {
    fs::path c = fs::path(SCENARIO_DIR) / "route_check" / "findings_two_routes";
    fs::copy_file(fs::path(SCENARIO_DIR) / "route_check" / "sessions" / "routes.json", dir / "s.json");
    fs::path run = dir / "run";
    result r = nxsim("run --session " + (dir / "s.json").string() + " --tool route_check --script " +
                     (c / "script.json").string() + " --run-dir " + run.string() +
                     " --tools-dir " RIVET_TOOLS_DIR " --dialogs-dir " RIVET_DIALOGS_DIR);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "route_check         return code 0, 0 message boxes; parts created 0; components added 0, "
              "moved 0, removed 0; attributes written 0; 18 findings in " +
                  (run / "D" / "prterr.txt").string() + "\n");

    r = nxsim("log " + run.string());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find(utf8(u8"\t в маршруте <ROUTE_B> заклепка <AAAAB_002_POINT_IDE> - неправильное значение "
                              u8"атрибута <pr_code> <Z>\tline=")),
              std::string::npos)
        << r.out;
    EXPECT_EQ(r.out.find('\r'), std::string::npos);
    EXPECT_EQ(nxsim("log " + (run / "D" / "prterr.txt").string()).out, r.out);
}

// `nxsim run` reads its summary from the run's journal, as `nxsim play` does: the
// sample workflow run by run says what the whole workflow played at once says.
TEST_F(NxsimCli, RunSaysWhatTheSameRunSaysInAWorkflow) {
    const fs::path panel = fs::path(SCENARIO_DIR).parent_path() / "examples" / "panel";
    const std::string dirs = " --tools-dir " RIVET_TOOLS_DIR " --dialogs-dir " RIVET_DIALOGS_DIR;
    fs::copy_file(panel / "design.json", dir / "played.json");
    result played = nxsim("play " + (panel / "workflow.json").string() + " --session " +
                          (dir / "played.json").string() + " --run-dir " + (dir / "play").string() + dirs);
    ASSERT_EQ(played.status, 0) << played.err;
    std::vector<std::string> lines;
    std::istringstream in(played.out);
    for (std::string line; std::getline(in, line);) lines.push_back(line);

    // One run folder for all, as the workflow's: a later run reads the files of the
    // runs before it. The route check names its log, which lies elsewhere in a workflow.
    auto without_log = [](const std::string &line) { return line.substr(0, line.find(" findings in ")); };
    nlohmann::json workflow = nlohmann::json::parse(scenario::read_file(panel / "workflow.json"));
    ASSERT_EQ(lines.size(), workflow["runs"].size());
    fs::copy_file(panel / "design.json", dir / "s.json");
    for (size_t k = 0; k < lines.size(); ++k) {
        const nlohmann::json &run = workflow["runs"][k];
        if (!run.contains("tool")) {
            // The engineer's own step (reopen, move), played alone.
            write("step.json", nlohmann::json{{"session", "s.json"}, {"runs", nlohmann::json::array({run})}}.dump());
            ASSERT_EQ(nxsim("play " + (dir / "step.json").string() + " --session " + (dir / "s.json").string() +
                            " --run-dir " + (dir / ("step" + std::to_string(k))).string() + dirs)
                          .status,
                      0);
            continue;
        }
        result r = nxsim("run --session " + (dir / "s.json").string() + " --tool " + run["tool"].get<std::string>() +
                         " --script " + (panel / run["script"].get<std::string>()).string() + " --run-dir " +
                         (dir / "run").string() + dirs);
        ASSERT_EQ(r.status, 0) << r.err;
        // "NN " before the play's line.
        EXPECT_EQ(without_log(r.out), without_log(lines[k].substr(lines[k].find(' ') + 1) + "\n")) << k;
    }
    EXPECT_EQ(scenario::read_file(dir / "s.json"), scenario::read_file(dir / "played.json"));
}

// In a workflow's run folder the highest run number wins (run 100 after run 99), of
// any tool or of the one asked for; the UTF-8 copies are not logs of their own.
TEST_F(NxsimCli, LogOfAWorkflowIsItsLastRunsOrTheLastOfATool) {
    fs::create_directories(dir / "play" / "logs");
    for (const char *name : {"99_route_check", "100_route_check", "10_fpdf_export", "101_rivet_mark"})
        write(std::string("play/logs/") + name + ".prterr.txt", std::string(name) + "\r\n");
    write("play/logs/102_rivet_mark.prterr.utf8.txt", "copy\n");
    EXPECT_EQ(nxsim("log " + (dir / "play").string()).out, "101_rivet_mark\n");
    EXPECT_EQ(nxsim("log " + (dir / "play").string() + " --tool route_check").out, "100_route_check\n");
    EXPECT_EQ(nxsim("log " + (dir / "play").string() + " --tool=fpdf_export").out, "10_fpdf_export\n");
    result r = nxsim("log " + (dir / "play").string() + " --tool route_walk");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "nxsim: " + (dir / "play" / "logs").string() + ": no error log of route_walk in it\n");
}

}  // namespace
