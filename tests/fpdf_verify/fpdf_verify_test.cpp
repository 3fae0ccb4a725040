// The machine file held against the assembly: every kind of difference, every file
// that cannot be read, the dialog and the selection, host failures; and the tool
// under every host call failing in turn.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "scenario.h"
#include "temp_dir.h"

SCENARIO_SUITE(FpdfVerify, "fpdf_verify");

namespace fs = std::filesystem;

namespace {

const fs::path cases = fs::path(SCENARIO_DIR) / "fpdf_verify";

std::string log_of(const char *case_name) {
    scenario::outcome out = scenario::run(cases / case_name);
    EXPECT_EQ(out.exit_code, 0) << out.stderr_text;
    std::string log = scenario::read_file(out.work / "run" / "D" / "prterr.txt");
    fs::remove_all(out.work);
    return log;
}

size_t count_of(const std::string &text, const std::string &what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

}  // namespace

// Each difference is one log line naming the route: as many lines as the box counts.
TEST(FpdfVerifyLog, OneLinePerDifference) {
    struct expected {
        const char *name;
        size_t lines;
    };
    const expected all[] = {{"matches_file_of_before", 0},
                            {"route_missing", 1},
                            {"count_differs", 1},
                            {"rivet_missing", 2},
                            {"rivet_extra", 2},
                            {"rivet_duplicate", 2},
                            {"position_differs", 1},
                            {"axis_differs", 1},
                            {"precision_boundary", 1},
                            {"differences_in_two_routes", 3},
                            {"wcs_moved", 5},
                            {"position_differs_in_z", 1},
                            {"record_twice_rivet_gone", 2},
                            {"route_holds_other_part", 0},
                            {"field_too_long", 0}};
    for (const expected &e : all) {
        std::string log = log_of(e.name);
        EXPECT_EQ(count_of(log, "\n\tмаршрут "), e.lines) << e.name << "\n" << log;
        if (e.lines == 0)
            EXPECT_NE(log.find("совпадает со сборкой"), std::string::npos) << e.name;
        else
            EXPECT_NE(log.find("расходится со сборкой: расхождений " + std::to_string(e.lines) + " "),
                      std::string::npos)
                << e.name << "\n"
                << log;
    }
}

// The tool only reads: in every case the file is left byte for byte as it was laid
// in, and the saved session is the one the case started from.
TEST(FpdfVerifyReadOnly, FileAndSessionAsTheyWere) {
    int files = 0, sessions = 0;
    for (const std::string &name : scenario::list(cases)) {
        fs::path dir = cases / name;
        nlohmann::json c = nlohmann::json::parse(scenario::read_file(dir / "case.json"));
        if (c.contains("runs")) continue;  // the export writes the file first
        if (c.contains("files"))
            for (const auto &[rel, source] : c["files"].items()) {
                EXPECT_EQ(scenario::read_file(dir / "expected" / rel),
                          scenario::read_file(dir / source.get<std::string>()))
                    << name << ": " << rel;
                ++files;
            }
        if (fs::exists(dir / "expected" / "session.json")) {
            EXPECT_EQ(nlohmann::json::parse(scenario::read_file(dir / "expected" / "session.json")),
                      nlohmann::json::parse(scenario::read_file(dir / c["session"].get<std::string>())))
                << name;
            ++sessions;
        }
    }
    EXPECT_GT(files, 30);
    EXPECT_GT(sessions, 30);
}

// A file past the reader's limit is refused whole: one box, one log line naming it,
// and no route asked for.
TEST(FpdfVerifyBadFile, OverTheSizeLimit) {
    scenario::temp_dir dir("rivet-verify-big");
    std::string given = scenario::read_file(cases / "matches_file_of_before" / "given.fpdf");
    {
        std::ofstream big(dir / "big.fpdf", std::ios::binary);
        big << given;
        std::string record = given.substr(given.rfind("A,\t"));
        for (size_t written = given.size(); written <= 16u * 1024 * 1024; written += record.size()) big << record;
    }
    std::ofstream(dir / "case.json") << nlohmann::json{
        {"tool", "fpdf_verify"},
        {"session", (cases / "sessions" / "assembly.json").string()},
        {"files",
         {{"D/ASM1aaa.fpdf", "big.fpdf"}}}}.dump();
    std::ofstream(dir / "script.json") << R"({"actions": [{"styler": ["ok"]}]})";
    scenario::outcome out = scenario::run(dir.path());
    EXPECT_EQ(out.exit_code, 0) << out.stderr_text;
    std::string log = scenario::read_file(out.work / "run" / "D" / "prterr.txt");
    EXPECT_NE(log.find("\n\tфайл заклепок D:\\ASM1aaa.fpdf не прочитан: строка 0: the file is larger than 16777216 "
                       "bytes"),
              std::string::npos)
        << log;
    std::string transcript = scenario::read_file(out.work / "run" / "transcript.txt");
    EXPECT_EQ(count_of(transcript, "\nmessage "), 1u) << transcript;
    EXPECT_EQ(transcript.find("select "), std::string::npos) << transcript;
    fs::remove_all(out.work);
}

// Every host call of a run that finds differences may fail: reported, never a crash,
// the file and the session as they were.
TEST(FpdfVerifyFaultSweep, EveryHostCallMayFail) {
    const std::string actions = R"([{"styler": [{"enter": "FPDF_NAME", "value": "ASM1"}, "apply", "ok"]},
                                    {"select": ["RA", "RB"]}])";
    EXPECT_GT(scenario::sweep_faults("fpdf_verify", cases / "sessions" / "changed.json", actions, {},
                                     {{"D/ASM1aaa.fpdf", cases / "matches_file_of_before" / "given.fpdf"}}),
              80);
}
