// fpdf_check.exe and fpdf_diff.exe under a Windows run-time we did not write: the
// sample panel's machine file checked, its locations table, two issues compared,
// and the files neither reads, each refused with one line.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "child_process.h"
#include "machine_file.h"
#include "scenario.h"

namespace fs = std::filesystem;

namespace {

const char SAMPLE_PANEL[] = EXAMPLES_DIR "/panel/expected/PANEL_01.fpdf";

// Text-mode output ends its lines in CR LF on Windows.
std::string windows_lines(std::string text) {
    for (size_t at = 0; (at = text.find('\n', at)) != std::string::npos; at += 2) text.insert(at, "\r");
    return text;
}

size_t count_of(const std::string &text, const std::string &what) {
    size_t n = 0;
    for (size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += what.size()) ++n;
    return n;
}

class MachineFilePrograms : public ::testing::Test {
protected:
    fs::path dir = scenario::make_temp_dir("rivet-fpdf");
    // The sample panel's machine file under a Windows path, the one the reports name.
    std::string panel = copied();

    std::string copied() {
        fs::copy_file(SAMPLE_PANEL, dir / "PANEL_01.fpdf");
        return (dir / "PANEL_01.fpdf").string();
    }
    void TearDown() override {
        if (!HasFailure()) fs::remove_all(dir);
    }
    std::string write(const std::string &name, const std::string &bytes) {
        std::ofstream(dir / name, std::ios::binary | std::ios::trunc) << bytes;
        return (dir / name).string();
    }
};

TEST_F(MachineFilePrograms, CheckOfTheSamplePanelWithItsCellTimeAndTable) {
    std::string table = (dir / "panel.csv").string();
    scenario::child_result r = scenario::run_child({FPDF_CHECK_EXE, "--csv", table, panel});
    ASSERT_EQ(r.exit_code, 0) << r.out << r.err;
    EXPECT_EQ(r.err, "");
    std::string p = panel;
    EXPECT_NE(r.out.find(windows_lines(p + ": route \"PANEL_008\" (line 245): 23 announced, 23 found; travel 550.0 "
                                           "mm, cell time 86.2 s (0:01:26)\n")),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find(windows_lines(p +
                                       ": travel 7045.0 mm in the routes and 3582.5 mm between them; cell time "
                                       "1010.8 s (0:16:51): 260 rivets at 3.75 s and 3582.5 mm at 100 mm/s\n" +
                                       p + ": 7 routes, 260 rivets, 4 fasteners with 4 grips; clean\n")),
              std::string::npos)
        << r.out;

    std::string rows = scenario::read_file(table);
    EXPECT_EQ(rows.rfind("route,sequence,point_id,process_code,add_code,fastener,grip,x,y,z,i,j,k\r\n"
                         "PANEL_001,1,PANEL_001_01,H,A,3404579D35,095,179.95191,161.68584,-12.00000,0.00000,0.00000,"
                         "1.00000\r\n",
                         0),
              0u)
        << rows.substr(0, 300);
    EXPECT_EQ(count_of(rows, "\r\n"), 261u);
    EXPECT_EQ(count_of(rows, "\n"), 261u);

    // On standard output the same bytes: no CR added by a text-mode stream.
    r = scenario::run_child({FPDF_CHECK_EXE, "--csv", "-", panel});
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_TRUE(r.out == rows) << r.out.substr(0, 300);
    EXPECT_NE(r.err.find("7 routes, 260 rivets"), std::string::npos) << r.err;
}

TEST_F(MachineFilePrograms, CheckFindsADamagedCopy) {
    std::string bytes = scenario::read_file(panel);
    bytes.replace(bytes.find("PANEL_001_02"), 12, "PANEL_001_01");
    std::string path = write("damaged.fpdf", bytes);
    scenario::child_result r = scenario::run_child({FPDF_CHECK_EXE, path});
    EXPECT_EQ(r.exit_code, 1) << r.out;
    EXPECT_NE(r.out.find(windows_lines(
                  path + ":4: the point identifier \"PANEL_001_01\" appears twice in the route (first at line 3)\n")),
              std::string::npos)
        << r.out;
}

TEST_F(MachineFilePrograms, DiffOfTwoIssues) {
    scenario::child_result r = scenario::run_child({FPDF_DIFF_EXE, panel, panel});
    EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
    EXPECT_EQ(r.out, windows_lines(panel + " -> " + panel + ": the same (7 routes, 260 rivets)\n"));

    std::vector<std::string> lines;
    std::string bytes = scenario::read_file(panel);
    for (size_t start = 0, end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(bytes.substr(start, end + 2 - start));
    scenario::set_fpdf_field(lines[3], 3, "125");
    std::string next = write("next.fpdf", scenario::joined_lines(lines));
    r = scenario::run_child({FPDF_DIFF_EXE, panel, next});
    EXPECT_EQ(r.exit_code, 1) << r.out << r.err;
    EXPECT_EQ(r.out.rfind(windows_lines("route \"PANEL_001\", rivet \"PANEL_001_02\": recoded: grip \"095\" -> \"125\" "
                                        "(old line 4, new line 4)\n"),
                          0),
              0u)
        << r.out;

    r = scenario::run_child({FPDF_DIFF_EXE, "--json", panel, next});
    EXPECT_EQ(r.exit_code, 1);
    nlohmann::json doc = nlohmann::json::parse(r.out);
    EXPECT_EQ(doc["summary"]["changes"], 1);
    EXPECT_EQ(doc["changes"][0]["fields"]["grip"]["new"], "125");
}

// What neither program reads: one line on the error stream naming the file, the
// line where there is one, and why; nothing on the standard output; status 2.
using scenario::bad_file;
using scenario::written;

class BadMachineFileUnderWine : public MachineFilePrograms, public ::testing::WithParamInterface<bad_file> {};

TEST_P(BadMachineFileUnderWine, IsOneLine) {
    std::string bad = GetParam().make(dir);
    for (const char *verb : {"checked", "compared"}) {
        bool check = std::string(verb) == "checked";
        std::vector<std::string> argv =
            check ? std::vector<std::string>{FPDF_CHECK_EXE, bad} : std::vector<std::string>{FPDF_DIFF_EXE, panel, bad};
        scenario::child_result r = scenario::run_child(argv);
        EXPECT_EQ(r.exit_code, 2) << verb;
        EXPECT_EQ(r.out, "") << verb;
        EXPECT_EQ(r.err, windows_lines(bad + GetParam().where + ": not " + verb + ": " + GetParam().why + "\n"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    , BadMachineFileUnderWine,
    ::testing::ValuesIn(scenario::bad_machine_files(
        {},
        bad_file{"binary", [](const fs::path &d) { return written(d / "bin.fpdf", "$$HEAD\r\n\x01\r\n"); }, ":2",
                 "binary data: byte 0x01 at offset 8; an FPDF file is text"},
        bad_file{"cut_short", [](const fs::path &d) { return written(d / "cut.fpdf", "$$HEAD,\tA\r\n$$PATH"); }, ":2",
                 "the file is cut short: its last line has no line end"})));

}  // namespace
