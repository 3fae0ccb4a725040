// Runs the built fpdf_check program on machine files written here as the export
// writes them, on damaged copies, on files that are no machine file at all, and on
// the export's own golden files.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "child_process.h"
#include "machine_file.h"
#include "scenario.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

struct result {
    int status = -1;
    std::string out;
    std::string err;
};

void write_bytes(const fs::path &path, const std::string &bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << bytes;
}

std::vector<std::string> lines_of(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

class FpdfCheck : public ::testing::Test {
protected:
    scenario::temp_dir scratch{"fpdf-check"};
    fs::path dir = scratch.path();

    // RUNNER, when given, starts the program (another user's, say).
    result run(const std::vector<std::string> &args, const scenario::child_options &options = {},
               const std::vector<std::string> &runner = {}) {
        std::vector<std::string> argv = runner;
        argv.push_back(FPDF_CHECK_EXE);
        argv.insert(argv.end(), args.begin(), args.end());
        scenario::child_result c = scenario::run_child(argv, options);
        EXPECT_FALSE(c.signalled) << "the program did not exit normally: " << args.front();
        return {c.signalled ? -1 : c.exit_code, c.out, c.err};
    }

    // Writes the bytes as NAME in the test folder, checks it, and makes sure the
    // check left the file as it was.
    result check(const std::string &bytes, const std::string &name = "m.fpdf") {
        fs::path path = dir / name;
        write_bytes(path, bytes);
        result r = run({path.string()});
        EXPECT_EQ(scenario::read_file(path), bytes) << "the checked file changed";
        return r;
    }

    std::string path_of(const std::string &name = "m.fpdf") { return (dir / name).string(); }

    // The finding lines of a report: "<file>:<line>: ...".
    std::vector<std::string> findings(const result &r, const std::string &name = "m.fpdf") {
        std::vector<std::string> found;
        for (const std::string &line : lines_of(r.out)) {
            std::string prefix = path_of(name) + ":";
            if (line.rfind(prefix, 0) == 0 && line.size() > prefix.size() &&
                std::isdigit(static_cast<unsigned char>(line[prefix.size()])))
                found.push_back(line.substr(prefix.size()));
        }
        return found;
    }
};

std::string record(const char *pr, const char *ad, const char *fast, const char *grip, const char *id, double x,
                   double y, double z, double i, double j, double k) {
    return scenario::fpdf_record(pr, ad, fast, grip, id, x, y, z, i, j, k);
}

// A clean file; each entry is one line with its line end. The assembly name is
// Windows-1251 for "PANEL-7" in Cyrillic capitals.
std::vector<std::string> clean_lines() {
    return {
        "$$HEAD,\t\xCF\xC0\xCD\xC5\xCB\xDC-7,\tA,\tTOLV,\t07-12-2026\r\n",
        "$$PATH,\tRT,\t3\r\n",
        record("H", "A", "3404579D35", "080", "RT_01", 120.5, -35.25, 0, 0, 0, 1),
        record("X", "B", "3404480D40_CK", "095", "RT_02", -1234567890.5, 7, 0.000001, 1, 0, 0),
        record("A", "A", "163768D40", "155", "RT_10", 1, 2, 3, 0, -1, 0),
        "$$PATH,\tAAAAB_001,\t2\r\n",
        record("B", "B", "3004887D80", "640", "AAAAB_001_01", 0, 0, 0, 0, 0, 1),
        record("G", "A", "3404579D35", "095", "AAAAB_001_02", 10, 20, 30, 0, 0, -1),
        "$$PATH,\tEMPTY_001,\t0\r\n",
    };
}

std::string join(const std::vector<std::string> &lines) { return scenario::joined_lines(lines); }

void set_field(std::string &line, size_t n, const std::string &value) { scenario::set_fpdf_field(line, n, value); }

}  // namespace

TEST_F(FpdfCheck, CleanFileAsTheExportWritesIt) {
    result r = check(join(clean_lines()));
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.err, "");
    std::string p = path_of();
    // The assembly name comes out as UTF-8 Cyrillic.
    EXPECT_EQ(
        r.out,
        p + ": assembly \"\xD0\x9F\xD0\x90\xD0\x9D\xD0\x95\xD0\x9B\xD0\xAC-7\", area \"A\", date \"07-12-2026\"\n" + p +
            ": route \"RT\" (line 2): 3 announced, 3 found; travel 2469135902.5 mm, cell time 11.2 s (0:00:11)\n" + p +
            ": route \"AAAAB_001\" (line 6): 2 announced, 2 found; travel 37.4 mm, cell time 7.5 s (0:00:08)\n" + p +
            ": route \"EMPTY_001\" (line 9): 0 announced, 0 found; travel 0.0 mm, cell time 0.0 s (0:00:00)\n" + p +
            ": fastener \"3404579D35\": 2 rivets; grips \"080\" x1, \"095\" x1\n" + p +
            ": fastener \"3404480D40_C\" (3404480D40_CK cut to 12 characters): 1 rivet; grips \"095\" x1\n" + p +
            ": fastener \"163768D40\": 1 rivet; grips \"155\" x1\n" + p +
            ": fastener \"3004887D80\": 1 rivet; grips \"640\" x1\n" + p +
            ": travel 2469135939.9 mm in the routes and 3.7 mm between them; cell time 18.8 s (0:00:19): 5 rivets at "
            "3.75 s and 3.7 mm at 100 mm/s\n" +
            p + ": 3 routes, 5 rivets, 4 fasteners with 5 grips; clean\n");
}

TEST_F(FpdfCheck, RouteOf99RecordsIsClean) {
    std::vector<std::string> lines = {"$$HEAD,\tASM3,\tA,\tTOLV,\t07-12-2026\r\n", "$$PATH,\tR99_00001,\t99\r\n"};
    for (int n = 1; n <= 99; ++n) {
        char id[16];
        std::snprintf(id, sizeof id, "R99_00001_%02d", n);
        lines.push_back(record("H", "A", "3404579D35", "080", id, n, 0, 0, 0, 0, 1));
    }
    result r = check(join(lines));
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("route \"R99_00001\" (line 2): 99 announced, 99 found; travel 98.0 mm, cell time 371.2 s "
                         "(0:06:11)\n"),
              std::string::npos)
        << r.out;
}

TEST_F(FpdfCheck, RouteOf100RecordsIsOverTheLimit) {
    std::vector<std::string> lines = {"$$HEAD,\tASM3,\tA,\tTOLV,\t07-12-2026\r\n", "$$PATH,\tBIG,\t100\r\n"};
    for (int n = 1; n <= 100; ++n) {
        char id[16];
        std::snprintf(id, sizeof id, "BIG_%02d", n);
        lines.push_back(record("H", "A", "3404579D35", "080", id, n, 0, 0, 0, 0, 1));
    }
    result r = check(join(lines));
    EXPECT_EQ(r.status, 1);
    std::vector<std::string> expected = {
        "2: the route announces 100 rivets; a route holds at most 99",
        "2: route \"BIG\" has 100 records; a route holds at most 99",
        "102: the point identifier \"BIG_100\" is not BIG_NN (the route name, an underscore, two digits 01 to 99)",
        "102: the point identifier \"BIG_100\" is out of order: it follows \"BIG_99\" (line 101), and the export "
        "writes a route's identifiers in byte order",
    };
    EXPECT_EQ(findings(r), expected) << r.out;
}

// A damaged copy of the clean file and the findings it must give, in order.
struct damage {
    const char *name;
    std::function<void(std::vector<std::string> &)> apply;
    std::vector<std::string> expected;  // "<line>: <start of the finding>"
};

void PrintTo(const damage &d, std::ostream *os) { *os << d.name; }

class FpdfCheckDamage : public FpdfCheck, public ::testing::WithParamInterface<damage> {};

TEST_P(FpdfCheckDamage, IsFound) {
    std::vector<std::string> lines = clean_lines();
    GetParam().apply(lines);
    result r = check(join(lines));
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_EQ(r.err, "");
    std::vector<std::string> found = findings(r);
    ASSERT_EQ(found.size(), GetParam().expected.size()) << r.out;
    for (size_t i = 0; i < found.size(); ++i)
        EXPECT_EQ(found[i].rfind(GetParam().expected[i], 0), 0u)
            << found[i] << "\nexpected: " << GetParam().expected[i];
    EXPECT_NE(r.out.find(std::to_string(found.size()) + (found.size() == 1 ? " finding\n" : " findings\n")),
              std::string::npos)
        << r.out;
}

INSTANTIATE_TEST_SUITE_P(
    , FpdfCheckDamage,
    ::testing::Values(
        // Counts.
        damage{"record_missing",
               [](auto &l) { l.erase(l.begin() + 4); },
               {"2: route \"RT\" announces 3 rivets, but 2 records follow"}},
        damage{"extra_record",
               [](auto &l) {
                   l.insert(l.begin() + 8, record("H", "A", "3404579D35", "080", "AAAAB_001_03", 0, 0, 0, 0, 0, 1));
               },
               {"6: route \"AAAAB_001\" announces 2 rivets, but 3 records follow"}},
        damage{"count_with_leading_zero",
               [](auto &l) { set_field(l[1], 2, "03"); },
               {"2: the rivet count \"03\" is not a decimal number as the export writes it"}},
        damage{"count_not_a_number",
               [](auto &l) { set_field(l[1], 2, "three"); },
               {"2: the rivet count \"three\" is not a decimal number"}},
        damage{"count_empty",
               [](auto &l) { set_field(l[1], 2, ""); },
               {"2: the rivet count \"\" is not a decimal number as the export writes it"}},
        // Too long to be read as a number: refused, never wrapped into a small count.
        damage{"count_ten_digits",
               [](auto &l) { set_field(l[1], 2, "1234567890"); },
               {"2: the route announces 1234567890 rivets; a route holds at most 99"}},
        // Order and uniqueness of point identifiers.
        damage{"out_of_order",
               [](auto &l) { std::swap(l[2], l[3]); },
               {"4: the point identifier \"RT_01\" is out of order: it follows \"RT_02\" (line 3)"}},
        damage{"ten_before_two_in_byte_order",
               [](auto &l) {
                   set_field(l[4], 4, "        RT_2");
                   set_field(l[3], 4, "       RT_10");
               },
               {"5: the point identifier \"RT_2\" is not RT_NN"}},
        damage{"duplicate",
               [](auto &l) { set_field(l[3], 4, "       RT_01"); },
               {"4: the point identifier \"RT_01\" appears twice in the route (first at line 3)"}},
        // Values outside the catalogue.
        damage{"process_Y",
               [](auto &l) { set_field(l[2], 0, "Y"); },
               {"3: the process code \"Y\" is not one of the letters A to X"}},
        damage{"process_lower_case",
               [](auto &l) { set_field(l[2], 0, "h"); },
               {"3: the process code \"h\" is not one of the letters A to X"}},
        damage{"process_blank", [](auto &l) { set_field(l[2], 0, " "); }, {"3: the process code is blank"}},
        damage{"process_two_letters",
               [](auto &l) { set_field(l[2], 0, "HA"); },
               {"3: the process code field is 2 characters wide; the export writes 1",
                "3: the process code \"HA\" is not one of the letters A to X"}},
        damage{"add_C",
               [](auto &l) { set_field(l[2], 1, "C"); },
               {"3: the add code \"C\" is not one of the catalogue's add codes (A, B)"}},
        damage{"add_blank", [](auto &l) { set_field(l[2], 1, " "); }, {"3: the add code is blank"}},
        damage{"fastener_unknown",
               [](auto &l) { set_field(l[2], 2, "  3404579D99"); },
               {"3: the fastener code \"3404579D99\" is not in the catalogue"}},
        damage{"fastener_cut_unknown",
               [](auto &l) { set_field(l[3], 2, "3404480D40_X"); },
               {"4: the fastener code \"3404480D40_X\" is not in the catalogue"}},
        damage{"fastener_unpadded",
               [](auto &l) { set_field(l[2], 2, "3404579D35"); },
               {"3: the fastener code field is 10 characters wide; the export writes 12"}},
        damage{"fastener_blank",
               [](auto &l) { set_field(l[2], 2, std::string(12, ' ')); },
               {"3: the fastener code is blank"}},
        damage{"grip_of_another_fastener",
               [](auto &l) { set_field(l[2], 3, "155"); },
               {"3: the grip code \"155\" is not a grip code of fastener 3404579D35 (080, 095, 110, 125, 140)"}},
        damage{"grip_in_millimetres",
               [](auto &l) { set_field(l[3], 3, "9.5"); },
               {"4: the grip code \"9.5\" is not a grip code of fastener 3404480D40_CK (095, 110)"}},
        damage{"grip_four_wide",
               [](auto &l) { set_field(l[2], 3, " 080"); },
               {"3: the grip code field is 4 characters wide; the export writes 3"}},
        damage{"grip_blank", [](auto &l) { set_field(l[2], 3, "   "); }, {"3: the grip code is blank"}},
        damage{"point_id_of_another_route",
               [](auto &l) { set_field(l[4], 4, "       XX_10"); },
               {"5: the point identifier \"XX_10\" is not RT_NN"}},
        damage{"point_id_without_underscore",
               [](auto &l) { set_field(l[2], 4, "       RTX01"); },
               {"3: the point identifier \"RTX01\" is not RT_NN"}},
        damage{"point_id_letters",
               [](auto &l) { set_field(l[4], 4, "       RT_AB"); },
               {"5: the point identifier \"RT_AB\" is not RT_NN"}},
        damage{"point_id_zero",
               [](auto &l) { set_field(l[2], 4, "       RT_00"); },
               {"3: the point identifier \"RT_00\" is not RT_NN"}},
        damage{"point_id_wide",
               [](auto &l) { set_field(l[4], 4, "        RT_10"); },
               {"5: the point identifier field is 13 characters wide; the export writes 12"}},
        damage{"point_id_blank",
               [](auto &l) { set_field(l[2], 4, std::string(12, ' ')); },
               {"3: the point identifier is blank"}},
        // Constant fields and numbers.
        damage{"field_six",
               [](auto &l) { set_field(l[2], 5, "1"); },
               {"3: field 6 is \"1\"; the export writes the constant 0"}},
        damage{"number_left_aligned",
               [](auto &l) { set_field(l[2], 6, "120.50000      "); },
               {"3: the position X \"120.50000      \" is not right-aligned: the export pads it on the left"}},
        damage{"axis_left_aligned",
               [](auto &l) { set_field(l[3], 11, "0.00000        "); },
               {"4: the axis K \"0.00000        \" is not right-aligned: the export pads it on the left"}},
        damage{"fastener_left_aligned",
               [](auto &l) { set_field(l[2], 2, "3404579D35  "); },
               {"3: the fastener code \"3404579D35  \" is not right-aligned: the export pads it on the left"}},
        damage{"point_id_left_aligned",
               [](auto &l) { set_field(l[2], 4, "RT_01       "); },
               {"3: the point identifier \"RT_01       \" is not right-aligned: the export pads it on the left"}},
        damage{"number_short",
               [](auto &l) { set_field(l[2], 6, "120.5"); },
               {"3: the position X \"120.5\" is not a number with 5 decimals"}},
        damage{"number_nan",
               [](auto &l) { set_field(l[2], 11, "            nan"); },
               {"3: the axis K \"            nan\" is not a number with 5 decimals"}},
        damage{"number_narrow",
               [](auto &l) { set_field(l[2], 7, "      -35.2500"); },
               {"3: the position Y \"      -35.2500\" is not a number with 5 decimals"}},
        damage{"number_blank",
               [](auto &l) { set_field(l[2], 6, std::string(15, ' ')); },
               {"3: the position X \"               \" is not a number with 5 decimals"}},
        damage{"number_without_integer_part",
               [](auto &l) { set_field(l[2], 7, "       -.25000"); },
               {"3: the position Y \"       -.25000\" is not a number with 5 decimals"}},
        damage{"number_letter_before_point",
               [](auto &l) { set_field(l[2], 6, "      12a.50000"); },
               {"3: the position X \"      12a.50000\" is not a number with 5 decimals"}},
        damage{"number_letter_after_point",
               [](auto &l) { set_field(l[2], 6, "      120.5000x"); },
               {"3: the position X \"      120.5000x\" is not a number with 5 decimals"}},
        damage{"word_left_aligned",
               [](auto &l) { set_field(l[2], 9, "none           "); },
               {"3: the axis I \"none           \" is not a number with 5 decimals"}},
        damage{"number_width",
               [](auto &l) { set_field(l[2], 8, "       0.00000"); },
               {"3: the position Z field is 14 characters wide; the export writes 15"}},
        damage{"wide_number_padded",
               [](auto &l) { set_field(l[3], 6, " -1234567890.50000"); },
               {"4: the position X field is 18 characters wide; the export writes 17"}},
        damage{"tail",
               [](auto &l) { set_field(l[2], 12, "1, 0, 1"); },
               {"3: the record ends in \"1, 0, 1\"; the export writes the constant \"1, 0, 0\""}},
        damage{"record_short",
               [](auto &l) { l[2] = l[2].substr(0, l[2].rfind(",\t")) + "\r\n"; },
               {"3: the line is not a rivet record: it has 12 fields, a record has 13"}},
        // Lines.
        damage{"lf_alone",
               [](auto &l) { l[3].erase(l[3].size() - 2, 1); },
               {"4: the line ends in LF alone; the export ends every line in CR LF"}},
        // A fault on many lines is one finding with its first line and a count.
        damage{
            "lf_everywhere",
            [](auto &l) {
                for (auto &line : l) line.erase(line.size() - 2, 1);
            },
            {"1: the line ends in LF alone; the export ends every line in CR LF (9 times, from this line to line 9)"}},
        damage{"same_unknown_fastener_twice",
               [](auto &l) {
                   set_field(l[2], 2, "  3404579D99");
                   set_field(l[7], 2, "  3404579D99");
               },
               {"3: the fastener code \"3404579D99\" is not in the catalogue (2 times, from this line to line 8)"}},
        damage{"cr_inside",
               [](auto &l) { l[1] = "$$PATH,\tRT,\t3\r\r\n"; },
               {"2: a CR inside the line", "2: the rivet count \"3\\x0D\" is not a decimal number"}},
        damage{"empty_line", [](auto &l) { l.insert(l.begin() + 5, "\r\n"); }, {"6: an empty line"}},
        damage{"empty_line_lf_alone",
               [](auto &l) { l.insert(l.begin() + 5, "\n"); },
               {"6: the line ends in LF alone; the export ends every line in CR LF", "6: an empty line"}},
        // Values in findings: quote, backslash and tab escaped, Windows-1251 shown in UTF-8
        // ("\x85" is the ellipsis, three bytes), the one byte without a character as \x98.
        damage{"quote_in_a_field",
               [](auto &l) { set_field(l[2], 0, "\""); },
               {"3: the process code \"\\\"\" is not one of the letters A to X"}},
        damage{"backslash_in_a_field",
               [](auto &l) { set_field(l[2], 1, "\\"); },
               {"3: the add code \"\\\\\" is not one of the catalogue's add codes (A, B)"}},
        damage{"tab_in_a_field",
               [](auto &l) { set_field(l[2], 5, "0\t"); },
               {"3: field 6 is \"0\\t\"; the export writes the constant 0"}},
        damage{"upper_half_bytes",
               [](auto &l) { set_field(l[2], 2, "  3404579D\x98\x85"); },
               {"3: the fastener code \"3404579D\\x98\xE2\x80\xA6\" is not in the catalogue"}},
        damage{"second_header",
               [](auto &l) {
                   std::string head = l[0];
                   l.insert(l.begin() + 5, head);
               },
               {"6: a second header line (the header is line 1)"}},
        damage{"unknown_line", [](auto &l) { l.push_back("$$END\r\n"); }, {"10: an unknown line \"$$END\""}},
        damage{"record_before_route",
               [](auto &l) {
                   std::string rec = l[2];
                   l.insert(l.begin() + 1, rec);
               },
               {"2: a rivet record before any route line"}},
        // Route lines.
        damage{"route_line_spaces",
               [](auto &l) { l[5] = "$$PATH, AAAAB_001, 2\r\n"; },
               {"6: the route line is not \"$$PATH\", route name and rivet count"}},
        damage{"route_keyword_longer",
               [](auto &l) { l[5] = "$$PATHS,\tAAAAB_001,\t2\r\n"; },
               {"6: the route line is not \"$$PATH\", route name and rivet count"}},
        damage{"route_name_long",
               [](auto &l) { set_field(l[5], 1, "AAAAB_001C"); },
               {"6: the route name \"AAAAB_001C\" is 10 characters long; the export writes at most 9"}},
        damage{"route_name_empty", [](auto &l) { set_field(l[8], 1, ""); }, {"9: the route name is empty"}},
        damage{"route_twice",
               [](auto &l) {
                   set_field(l[5], 1, "RT");
                   set_field(l[6], 4, "       RT_01");
                   set_field(l[7], 4, "       RT_02");
               },
               {"6: route \"RT\" appears again (first at line 2)"}},
        // Header.
        damage{"header_cell",
               [](auto &l) { set_field(l[0], 3, "TOLX"); },
               {"1: the header names the cell \"TOLX\"; the export writes \"TOLV\""}},
        damage{"header_fields",
               [](auto &l) { l[0] = "$$HEAD,\tASM1,\tTOLV,\t07-12-2026\r\n"; },
               {"1: the header is not \"$$HEAD\", assembly, area, \"TOLV\" and date"}},
        damage{"header_keyword_longer",
               [](auto &l) { l[0] = "$$HEADER,\tASM1,\tA,\tTOLV,\t07-12-2026\r\n"; },
               {"1: the header is not \"$$HEAD\", assembly, area, \"TOLV\" and date"}},
        damage{"header_empty_assembly",
               [](auto &l) { set_field(l[0], 1, ""); },
               {"1: the header's assembly name is empty"}},
        damage{"header_empty_date", [](auto &l) { set_field(l[0], 4, ""); }, {"1: the header's date is empty"}},
        damage{"header_empty_area", [](auto &l) { set_field(l[0], 2, ""); }, {"1: the header's area name is empty"}},
        damage{
            "no_route", [](auto &l) { l.resize(1); }, {"1: the file holds no route: there is nothing for the cell"}}),
    [](const ::testing::TestParamInfo<damage> &info) { return std::string(info.param.name); });

// Files that are no machine file: one line on the error stream naming the file
// and the place, nothing on the report, status 2, the file left alone.
struct unreadable_case {
    const char *name;
    std::function<std::string()> bytes;
    std::string message;  // after "<file>"
};

void PrintTo(const unreadable_case &c, std::ostream *os) { *os << c.name; }

class FpdfCheckUnreadable : public FpdfCheck, public ::testing::WithParamInterface<unreadable_case> {};

TEST_P(FpdfCheckUnreadable, OneLineAndStatus2) {
    result r = check(GetParam().bytes());
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, path_of() + GetParam().message + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    , FpdfCheckUnreadable,
    ::testing::Values(
        unreadable_case{"empty", [] { return std::string(); }, ": not checked: the file is empty"},
        unreadable_case{"cut_inside_a_record",
                        [] {
                            std::string b = join(clean_lines());
                            return b.substr(0, b.find("RT_02") + 3);
                        },
                        ":4: not checked: the file is cut short: its last line has no line end"},
        unreadable_case{"cut_before_lf",
                        [] {
                            std::string b = join(clean_lines());
                            return b.substr(0, b.size() - 1);
                        },
                        ":9: not checked: the file is cut short: its last line has no line end"},
        unreadable_case{"one_line_without_end", [] { return std::string("$$HEAD,\tASM1"); },
                        ":1: not checked: the file is cut short: its last line has no line end"},
        unreadable_case{"executable",
                        [] {
                            return std::string(
                                "\x7f"
                                "ELF\x02\x01\x01",
                                7);
                        },
                        ":1: not checked: binary data: byte 0x7F at offset 0; an FPDF file is text"},
        unreadable_case{"other_text", [] { return std::string("name;fast;grip\r\nRT_01;3404579D35;080\r\n"); },
                        ":1: not checked: not an FPDF file: it does not begin with \"$$HEAD\""},
        unreadable_case{"utf8_mark", [] { return "\xEF\xBB\xBF" + join(clean_lines()); },
                        ":1: not checked: not an FPDF file: it does not begin with \"$$HEAD\""},
        unreadable_case{"cr_line_ends",
                        [] {
                            std::string b = join(clean_lines());
                            std::erase(b, '\n');
                            return b;
                        },
                        ":1: not checked: the lines end in CR alone; an FPDF file ends every line in CR LF"}),
    [](const ::testing::TestParamInfo<unreadable_case> &info) { return std::string(info.param.name); });

TEST_F(FpdfCheck, NulByteInsideARecord) {
    std::string bytes = join(clean_lines());
    size_t at = bytes.find("RT_02");
    bytes[at] = '\0';
    result r = check(bytes);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, path_of() + ":4: not checked: binary data: byte 0x00 at offset " + std::to_string(at) +
                         "; an FPDF file is text\n");
}

TEST_F(FpdfCheck, MissingFile) {
    result r = run({path_of("none.fpdf")});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, path_of("none.fpdf") + ": not checked: cannot open the machine file: no such file\n");
    EXPECT_FALSE(fs::exists(path_of("none.fpdf")));
}

TEST_F(FpdfCheck, Folder) {
    fs::create_directory(dir / "d.fpdf");
    result r = run({path_of("d.fpdf")});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, path_of("d.fpdf") + ": not checked: cannot read the machine file: it is a folder\n");
}

// Root reads any file, so as root the check runs as the user nobody: CI runs as
// root, and the test would otherwise check nothing there. The same file readable
// is clean for that user, so the refusal is the file's permission and not the way
// to it.
TEST_F(FpdfCheck, FileWithoutReadPermission) {
    write_bytes(dir / "locked.fpdf", join(clean_lines()));
    std::vector<std::string> runner;
    scenario::child_options options;
    if (geteuid() == 0) {
        ASSERT_TRUE(fs::exists("/usr/bin/setpriv")) << "util-linux's setpriv is needed to run as another user";
        runner = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
        fs::permissions(dir, fs::perms::owner_all | fs::perms::others_exec);
        // A coverage build's counters go where that user may write them (and are not kept).
        fs::create_directory(dir / "gcov");
        fs::permissions(dir / "gcov", fs::perms::all);
        options.with("GCOV_PREFIX=" + (dir / "gcov").string());
    }
    auto check_as_user = [&] { return run({path_of("locked.fpdf")}, options, runner); };
    fs::permissions(dir / "locked.fpdf", fs::perms::owner_read | fs::perms::others_read);
    result readable = check_as_user();
    EXPECT_EQ(readable.status, 0) << readable.out << readable.err;
    EXPECT_EQ(readable.err, "");

    fs::permissions(dir / "locked.fpdf", fs::perms::none);
    result r = check_as_user();
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, path_of("locked.fpdf") + ": not checked: cannot open the machine file: permission denied\n");
}

// A FIFO or a device would be read for ever, or until the writer at the other end
// stops: only a regular file is checked.
TEST_F(FpdfCheck, FifoOrDeviceIsNotRead) {
    ASSERT_EQ(mkfifo(path_of("fifo.fpdf").c_str(), 0644), 0);
    for (const std::string &path : {path_of("fifo.fpdf"), std::string("/dev/zero")}) {
        scenario::child_result c =
            scenario::run_child({FPDF_CHECK_EXE, path}, scenario::child_options().time_limit(20));
        ASSERT_FALSE(c.timed_out) << "blocked on " << path;
        ASSERT_FALSE(c.signalled);
        EXPECT_EQ(c.exit_code, 2) << "crashed on " << path;
        EXPECT_EQ(c.err,
                  path + ": not checked: cannot read the machine file: not a regular file (a FIFO or a device)\n");
    }
}

// One byte past the limit, and a file far past it, of which no more than the limit
// and one read is taken.
TEST_F(FpdfCheck, FileTooLarge) {
    for (size_t size : {size_t{16} * 1024 * 1024 + 1, size_t{20} * 1024 * 1024}) {
        std::string bytes = join(clean_lines());
        bytes.resize(size, 'A');
        result r = check(bytes);
        EXPECT_EQ(r.status, 2) << size;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err,
                  path_of() + ": not checked: the file is larger than 16777216 bytes: no FPDF file is that long\n");
    }
}

// Why a file cannot be opened or read, in the report's words or the system's.
TEST_F(FpdfCheck, OpenAndReadFailuresNameTheReason) {
    write_bytes(dir / "m.fpdf", join(clean_lines()));
    struct failing_path {
        std::string path;
        std::string why;
    };
    const failing_path cases[] = {
        {path_of() + "/inner.fpdf", "cannot open the machine file: a part of its path is not a folder"},
        {path_of(std::string(300, 'n') + ".fpdf"), "cannot open the machine file: File name too long"},
        // A regular file of the system that cannot be read from its start.
        {"/proc/self/mem", "cannot read the machine file: Input/output error"},
    };
    for (const failing_path &c : cases) {
        result r = run({c.path});
        EXPECT_EQ(r.status, 2) << c.path;
        EXPECT_EQ(r.out, "") << c.path;
        EXPECT_EQ(r.err, c.path + ": not checked: " + c.why + "\n");
    }
}

// A report that cannot be written is no report: status 2 and one line on the error stream.
TEST_F(FpdfCheck, ReportThatCannotBeWritten) {
    ASSERT_TRUE(fs::exists("/dev/full"));
    write_bytes(dir / "m.fpdf", join(clean_lines()));
    scenario::child_result c =
        scenario::run_child({FPDF_CHECK_EXE, path_of()}, scenario::child_options().output_to("/dev/full"));
    ASSERT_FALSE(c.signalled);
    EXPECT_EQ(c.exit_code, 2);
    EXPECT_EQ(c.err, "fpdf_check: the report could not be written\n");
}

// A broken file of many lines gives a bounded report, and many routes and
// fasteners are counted without a slowdown per route.
TEST_F(FpdfCheck, ManyFindingsAreCounted) {
    std::string bytes = "$$HEAD,\tASM1,\tA,\tTOLV,\t07-12-2026\r\n";
    for (int n = 0; n < 10005; ++n) bytes += "$$X" + std::to_string(n) + "\r\n";
    result r = check(bytes);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(findings(r).size(), 10000u);
    EXPECT_NE(r.out.find(path_of() + ": 6 more findings not shown\n"), std::string::npos);
    EXPECT_NE(r.out.find("; 10006 findings\n"), std::string::npos);
}

TEST_F(FpdfCheck, ManyRoutes) {
    std::string bytes = "$$HEAD,\tASM1,\tA,\tTOLV,\t07-12-2026\r\n";
    const int routes = 50000;  // the file stays below the size limit
    for (int n = 0; n < routes; ++n) {
        char id[16];
        std::snprintf(id, sizeof id, "R%06d", n);
        bytes += "$$PATH,\t" + std::string(id) + ",\t1\r\n";
        bytes += record("H", "A", id, "080", (std::string(id) + "_01").c_str(), 0, 0, 0, 0, 0, 1);
    }
    result r = check(bytes);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(findings(r).size(), 10000u);
    EXPECT_NE(
        r.out.find(path_of() + ": 50000 routes, 50000 rivets, 50000 fasteners with 50000 grips; 50000 findings\n"),
        std::string::npos);
}

TEST_F(FpdfCheck, LongValueShownCut) {
    std::vector<std::string> lines = clean_lines();
    lines.push_back("$$" + std::string(300, 'E') + "\r\n");
    result r = check(join(lines));
    EXPECT_EQ(findings(r), std::vector<std::string>{"10: an unknown line \"$$" + std::string(98, 'E') + "\"..."});
}

TEST_F(FpdfCheck, SeveralFilesTheWorstStatusCounts) {
    write_bytes(dir / "clean.fpdf", join(clean_lines()));
    std::vector<std::string> damaged = clean_lines();
    set_field(damaged[2], 0, "Z");
    write_bytes(dir / "bad.fpdf", join(damaged));

    result r = run({path_of("clean.fpdf"), path_of("bad.fpdf")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find(path_of("clean.fpdf") + ": 3 routes, 5 rivets, 4 fasteners with 5 grips; clean\n"),
              std::string::npos);
    EXPECT_EQ(findings(r, "bad.fpdf"),
              std::vector<std::string>{"3: the process code \"Z\" is not one of the letters A to X"});

    r = run({path_of("clean.fpdf"), path_of("none.fpdf"), path_of("bad.fpdf")});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.out.find(path_of("bad.fpdf") + ": 3 routes, 5 rivets, 4 fasteners with 5 grips; 1 finding\n"),
              std::string::npos);
    EXPECT_EQ(lines_of(r.err).size(), 1u) << r.err;
}

// One line saying what is wrong and where to read more, status 2; help and
// version on the standard output, status 0.
TEST_F(FpdfCheck, Usage) {
    const std::string more = "Try 'fpdf_check --help' for more information.\n";
    result r = run({});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "fpdf_check: missing FILE\n" + more);

    for (const char *help : {"--help", "-h"}) {
        r = run({help});
        EXPECT_EQ(r.status, 0) << help;
        EXPECT_NE(r.out.find("Usage: fpdf_check [OPTIONS] FILE..."), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("Exit status: 0 every file is clean, 1 findings, 2 wrong usage"), std::string::npos);
        EXPECT_EQ(r.err, "");
    }

    r = run({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, std::string("fpdf_check ") + RIVET_VERSION + "\n");

    r = run({"-x", path_of()});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "fpdf_check: unknown option -x (put -- before a file name that begins with -)\n" + more);

    r = run({path_of(), "--verison"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "fpdf_check: unknown option --verison (did you mean --version?)\n" + more);

    r = run({"--", "--version"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "--version: not checked: cannot open the machine file: no such file\n");

    write_bytes(dir / "-m.fpdf", join(clean_lines()));
    std::string cwd = fs::current_path().string();
    fs::current_path(dir);
    r = run({"--", "-m.fpdf"});
    fs::current_path(cwd);
    EXPECT_EQ(r.status, 0) << r.err;
}

// The export's golden files are what the export writes: the check reads every one
// of them, and those of runs without a fault or an odd value are clean.
TEST_F(FpdfCheck, GoldenFilesOfTheExport) {
    fs::path root = fs::path(SCENARIO_DIR) / "fpdf_export";
    int seen = 0;
    for (const std::string &name : scenario::list(root)) {
        fs::path drive = root / name / "expected" / "D";
        if (!fs::is_directory(drive)) continue;
        for (const auto &entry : fs::directory_iterator(drive)) {
            if (entry.path().extension() != ".fpdf") continue;
            ++seen;
            result r = run({entry.path().string()});
            EXPECT_TRUE(r.status == 0 || r.status == 1) << entry.path() << "\n" << r.err;
            EXPECT_EQ(r.err, "") << entry.path();
            std::vector<std::string> out = lines_of(r.out);
            ASSERT_FALSE(out.empty()) << entry.path();
            EXPECT_EQ(out.back().size() >= 5 && out.back().compare(out.back().size() - 5, 5, "clean") == 0,
                      r.status == 0)
                << out.back();
        }
    }
    EXPECT_GT(seen, 0);

    const char *clean[] = {"wcs_absolute/expected/D/ASM2aaa.fpdf", "wcs_moved/expected/D/ASM2aaa.fpdf",
                           "wcs_rotated/expected/D/ASM2aaa.fpdf", "native_part_names/expected/D/asm5aaa.fpdf",
                           "rivets_99_then_100/expected/D/ASM3aaa.fpdf"};
    for (const char *file : clean) {
        ASSERT_TRUE(fs::exists(root / file)) << file;
        result r = run({(root / file).string()});
        EXPECT_EQ(r.status, 0) << file << "\n" << r.out;
    }
}

// The golden file with a 13-character fastener cut to 12, a grip in millimetres
// and identifiers that do not follow the route walk's numbering.
TEST_F(FpdfCheck, GoldenFileWithOddValues) {
    fs::path file =
        fs::path(SCENARIO_DIR) / "fpdf_export" / "routes_in_order_picked" / "expected" / "D" / "ASM1aaa.fpdf";
    ASSERT_TRUE(fs::exists(file)) << "no golden file " << file;
    result r = run({file.string()});
    EXPECT_EQ(r.status, 1);
    std::string p = file.string() + ":";
    EXPECT_NE(r.out.find(p + "9: the grip code \"9.5\" is not a grip code of fastener 3404480D40_CK (095, 110)\n"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(r.out.find("\"3404480D40_C\" is not in the catalogue"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(p + "5: the point identifier \"DUP_001_01\" appears twice in the route (first at line 4)\n"),
              std::string::npos)
        << r.out;
}

// A file the export writes in this run, checked as it leaves the tool.
TEST_F(FpdfCheck, FreshExport) {
    fs::path case_dir = fs::path(SCENARIO_DIR) / "fpdf_export" / "wcs_rotated";
    ASSERT_TRUE(fs::exists(case_dir / "case.json")) << "no export scenario " << case_dir;
    scenario::outcome out = scenario::run(case_dir);
    fs::path file = out.work / "run" / "D" / "ASM2aaa.fpdf";
    ASSERT_TRUE(fs::exists(file)) << out.stderr_text;
    result r = run({file.string()});
    fs::remove_all(out.work);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
}

// --- Cell time ----------------------------------------------------------------------

// Two routes 100 mm apart: rivets 10 mm apart in each, the travel between them
// at the travel speed, the rivets at the rate given.
std::string two_routes() {
    return join({"$$HEAD,\tASM,\tA,\tTOLV,\t07-12-2026\r\n", "$$PATH,\tR1,\t3\r\n",
                 record("H", "A", "3404579D35", "080", "R1_01", 0, 0, 0, 0, 0, 1),
                 record("H", "A", "3404579D35", "080", "R1_02", 10, 0, 0, 0, 0, 1),
                 record("H", "A", "3404579D35", "080", "R1_03", 10, 10, 0, 0, 0, 1), "$$PATH,\tNONE,\t0\r\n",
                 "$$PATH,\tR2,\t2\r\n", record("H", "A", "3404579D35", "080", "R2_01", 10, 110, 0, 0, 0, 1),
                 record("H", "A", "3404579D35", "080", "R2_02", 10, 110, 10, 0, 0, 1)});
}

TEST_F(FpdfCheck, CellTimePerRouteAndInTotal) {
    result r = check(two_routes());
    ASSERT_EQ(r.status, 0) << r.out;
    std::string p = path_of();
    EXPECT_NE(r.out.find(p +
                         ": route \"R1\" (line 2): 3 announced, 3 found; travel 20.0 mm, cell time 11.2 s "
                         "(0:00:11)\n" +
                         p +
                         ": route \"NONE\" (line 6): 0 announced, 0 found; travel 0.0 mm, cell time 0.0 s "
                         "(0:00:00)\n" +
                         p +
                         ": route \"R2\" (line 7): 2 announced, 2 found; travel 10.0 mm, cell time 7.5 s "
                         "(0:00:08)\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find(p +
                         ": travel 30.0 mm in the routes and 100.0 mm between them; cell time 19.8 s (0:00:20): "
                         "5 rivets at 3.75 s and 100.0 mm at 100 mm/s\n" +
                         p + ": 3 routes, 5 rivets,"),
              std::string::npos)
        << r.out;
}

TEST_F(FpdfCheck, CellTimeWithTheCellsOwnFigures) {
    write_bytes(dir / "m.fpdf", two_routes());
    result r = run({"--rivet-seconds", "6", "--travel-speed", "25", path_of()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("; travel 20.0 mm, cell time 18.0 s (0:00:18)\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(": travel 30.0 mm in the routes and 100.0 mm between them; cell time 34.0 s (0:00:34): "
                         "5 rivets at 6 s and 100.0 mm at 25 mm/s\n"),
              std::string::npos)
        << r.out;
    r = run({"--rivet-seconds=0", "--travel-speed=1000", path_of()});
    EXPECT_NE(r.out.find("cell time 0.1 s (0:00:00): 5 rivets at 0 s and 100.0 mm at 1000 mm/s\n"), std::string::npos)
        << r.out;
}

// A cell time past any shift (a travel speed near zero) is given in seconds only.
TEST_F(FpdfCheck, CellTimeTooLongForHoursAndMinutes) {
    write_bytes(dir / "m.fpdf", two_routes());
    result r = run({"--travel-speed", "1e-12", path_of()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find(": travel 30.0 mm in the routes and 100.0 mm between them; cell time 100000000000018.8 s: "
                         "5 rivets at 3.75 s and 100.0 mm at 1e-12 mm/s\n"),
              std::string::npos)
        << r.out;
    // The routes' own times are still read by a person.
    EXPECT_NE(r.out.find("; travel 20.0 mm, cell time 11.2 s (0:00:11)\n"), std::string::npos) << r.out;
}

TEST_F(FpdfCheck, CellTimeFiguresOutOfRange) {
    write_bytes(dir / "m.fpdf", two_routes());
    for (std::vector<std::string> args : std::vector<std::vector<std::string>>{{"--rivet-seconds", "-1"},
                                                                               {"--rivet-seconds", "nan"},
                                                                               {"--rivet-seconds", "3s"},
                                                                               {"--travel-speed", "0"},
                                                                               {"--travel-speed", "inf"},
                                                                               {"--travel-speed", "fast"}}) {
        args.push_back(path_of());
        result r = run(args);
        EXPECT_EQ(r.status, 2) << args[0] << " " << args[1];
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find(args[1]), std::string::npos) << r.err;
        EXPECT_EQ(lines_of(r.err).size(), 2u) << r.err;
    }
}

// --- The locations table -------------------------------------------------------------

TEST_F(FpdfCheck, LocationsTable) {
    std::vector<std::string> lines = clean_lines();
    // A route name with a comma, an identifier with a quote, both in a table field as RFC 4180 quotes them.
    lines[5] = "$$PATH,\tA,B,\t2\r\n";
    set_field(lines[6], 4, "\xCF\"1");
    write_bytes(dir / "m.fpdf", join(lines));
    fs::path table = dir / "m.csv";
    result r = run({"--csv", table.string(), path_of()});
    EXPECT_EQ(r.status, 1) << r.out;  // the odd names are findings, the table is written all the same
    EXPECT_NE(r.out.find(": 3 routes, 5 rivets,"), std::string::npos) << r.out;
    EXPECT_EQ(scenario::read_file(table),
              "route,sequence,point_id,process_code,add_code,fastener,grip,x,y,z,i,j,k\r\n"
              "RT,1,RT_01,H,A,3404579D35,080,120.50000,-35.25000,0.00000,0.00000,0.00000,1.00000\r\n"
              "RT,2,RT_02,X,B,3404480D40_C,095,-1234567890.50000,7.00000,0.00000,1.00000,0.00000,0.00000\r\n"
              "RT,3,RT_10,A,A,163768D40,155,1.00000,2.00000,3.00000,0.00000,-1.00000,0.00000\r\n"
              "\"A,B\",1,\"\xD0\x9F\"\"1\",B,B,3004887D80,640,0.00000,0.00000,0.00000,0.00000,0.00000,1.00000\r\n"
              "\"A,B\",2,AAAAB_001_02,G,A,3404579D35,095,10.00000,20.00000,30.00000,0.00000,0.00000,-1.00000\r\n");
}

TEST_F(FpdfCheck, LocationsTableOnStandardOutput) {
    write_bytes(dir / "m.fpdf", two_routes());
    result r = run({"--csv", "-", path_of()});
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<std::string> rows = lines_of(r.out);
    ASSERT_EQ(rows.size(), 6u) << r.out;
    EXPECT_EQ(rows[0], "route,sequence,point_id,process_code,add_code,fastener,grip,x,y,z,i,j,k\r");
    EXPECT_EQ(rows[5], "R2,2,R2_02,H,A,3404579D35,080,10.00000,110.00000,10.00000,0.00000,0.00000,1.00000\r");
    // The report goes to the error stream then.
    EXPECT_NE(r.err.find(path_of() + ": 3 routes, 5 rivets, 1 fastener with 1 grip; clean\n"), std::string::npos)
        << r.err;
}

// A record the table cannot take whole gives no row; the row numbers still count it.
TEST_F(FpdfCheck, LocationsTableLeavesOutRecordsThatAreNone) {
    std::vector<std::string> lines = clean_lines();
    lines[3] = "X,\tB\r\n";
    write_bytes(dir / "m.fpdf", join(lines));
    result r = run({"--csv", "-", path_of()});
    EXPECT_EQ(r.status, 1);
    std::vector<std::string> rows = lines_of(r.out);
    ASSERT_EQ(rows.size(), 5u) << r.out;
    EXPECT_EQ(rows[1].rfind("RT,1,RT_01,", 0), 0u) << rows[1];
    EXPECT_EQ(rows[2].rfind("RT,3,RT_10,", 0), 0u) << rows[2];
}

TEST_F(FpdfCheck, LocationsTableOfAFileThatCannotBeChecked) {
    fs::path table = dir / "m.csv";
    write_bytes(table, "old table\r\n");
    write_bytes(dir / "m.fpdf", "");
    result r = run({"--csv", table.string(), path_of()});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, path_of() + ": not checked: the file is empty\n");
    EXPECT_EQ(scenario::read_file(table), "old table\r\n") << "the table of an earlier run changed";
}

// A table cut short by a full disk is not taken for a table: status 2 and one line,
// whether it goes to a file or to standard output.
TEST_F(FpdfCheck, LocationsTableThatCannotBeWrittenWhole) {
    ASSERT_TRUE(fs::exists("/dev/full"));
    write_bytes(dir / "m.fpdf", two_routes());
    result r = run({"--csv", "/dev/full", path_of()});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "fpdf_check: the locations table /dev/full could not be written whole\n");
    EXPECT_NE(r.out.find(path_of() + ": 3 routes, 5 rivets, 1 fastener with 1 grip; clean\n"), std::string::npos)
        << r.out;

    r = run({"--csv", "-", path_of()}, scenario::child_options().output_to("/dev/full"));
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find(path_of() + ": 3 routes, 5 rivets, 1 fastener with 1 grip; clean\n"), std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.substr(r.err.find("; clean\n") + 8),
              "fpdf_check: the locations table - could not be written whole\n");
}

TEST_F(FpdfCheck, LocationsTableUsage) {
    write_bytes(dir / "m.fpdf", two_routes());
    result r = run({"--csv", "-", path_of(), path_of()});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "fpdf_check: --csv takes the table of one machine file; 2 are given\n");

    r = run({"--csv", (dir / "no" / "m.csv").string(), path_of()});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "fpdf_check: cannot write the locations table " + (dir / "no" / "m.csv").string() +
                         ": No such file or directory\n");
}
