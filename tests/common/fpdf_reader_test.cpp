// The machine-file reader: what it reads from a file as the export writes it, and
// the line and reason of everything it refuses; the programs' reading from disk.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/fpdf_file.h"
#include "common/fpdf_reader.h"
#include "temp_dir.h"

namespace {

const char HEAD[] = "$$HEAD,\tASM_1,\tA,\tTOLV,\t07-12-2026\r\n";
const char RECORD_1[] =
    "H,\tA,\t  3404579D35,\t095,\t       RT_01,\t0,\t      120.50000,\t      -35.25000,\t        0.00000,\t"
    "        0.00000,\t        0.00000,\t        1.00000,\t1, 0, 0\r\n";
const char RECORD_2[] =
    "X,\tB,\t3404480D40_C,\t080,\t       RT_02,\t0,\t-1234567890.50000,\t        7.00000,\t        0.00001,\t"
    "       -1.00000,\t        0.00000,\t        0.00000,\t1, 0, 0\r\n";

std::string clean_file() {
    return std::string(HEAD) + "$$PATH,\tRT,\t2\r\n" + RECORD_1 + RECORD_2 + "$$PATH,\tEMPTY_001,\t0\r\n";
}

TEST(FpdfReader, ReadsHeaderRoutesAndRecordsAsTheExportWritesThem) {
    fpdf::file f;
    fpdf::problem why;
    ASSERT_TRUE(fpdf::read(clean_file(), f, why)) << why.line << ": " << why.why;
    EXPECT_EQ(f.head.line, 1);
    EXPECT_EQ(f.head.assembly, "ASM_1");
    EXPECT_EQ(f.head.area, "A");
    EXPECT_EQ(f.head.cell, "TOLV");
    EXPECT_EQ(f.head.date, "07-12-2026");
    ASSERT_EQ(f.routes.size(), 2u);
    EXPECT_EQ(f.routes[0].name, "RT");
    EXPECT_EQ(f.routes[0].count, 2);
    EXPECT_EQ(f.routes[0].line, 2);
    EXPECT_EQ(f.routes[0].first, 0u);
    EXPECT_EQ(f.routes[0].size, 2u);
    EXPECT_EQ(f.routes[1].name, "EMPTY_001");
    EXPECT_EQ(f.routes[1].count, 0);
    EXPECT_EQ(f.routes[1].line, 5);
    EXPECT_EQ(f.routes[1].first, 2u);
    EXPECT_EQ(f.routes[1].size, 0u);
    ASSERT_EQ(f.records.size(), 2u);
    const fpdf::record &a = f.records[0];
    EXPECT_EQ(a.line, 3);
    EXPECT_EQ(a.route, 0u);
    EXPECT_EQ(a.process, "H");
    EXPECT_EQ(a.add, "A");
    EXPECT_EQ(a.fastener, "3404579D35");
    EXPECT_EQ(a.grip, "095");
    EXPECT_EQ(a.point_id, "RT_01");
    EXPECT_DOUBLE_EQ(a.position[0], 120.5);
    EXPECT_DOUBLE_EQ(a.position[1], -35.25);
    EXPECT_DOUBLE_EQ(a.position[2], 0);
    EXPECT_DOUBLE_EQ(a.axis[2], 1);
    const fpdf::record &b = f.records[1];
    EXPECT_EQ(b.fastener, "3404480D40_C");
    EXPECT_EQ(b.point_id, "RT_02");
    EXPECT_DOUBLE_EQ(b.position[0], -1234567890.5);
    EXPECT_DOUBLE_EQ(b.position[2], 0.00001);
    EXPECT_DOUBLE_EQ(b.axis[0], -1);
}

TEST(FpdfReader, GivesACountAndItsRecordsAsTheyAre) {
    std::string bytes = std::string(HEAD) + "$$PATH,\tRT,\t5\r\n" + RECORD_1;
    fpdf::file f;
    fpdf::problem why;
    ASSERT_TRUE(fpdf::read(bytes, f, why)) << why.why;
    EXPECT_EQ(f.routes[0].count, 5);
    EXPECT_EQ(f.routes[0].size, 1u);
}

TEST(FpdfReader, ReadsAgainFromNothing) {
    fpdf::file f;
    fpdf::problem why;
    ASSERT_TRUE(fpdf::read(clean_file(), f, why));
    ASSERT_TRUE(fpdf::read(std::string(HEAD) + "$$PATH,\tONE,\t0\r\n", f, why));
    EXPECT_EQ(f.routes.size(), 1u);
    EXPECT_TRUE(f.records.empty());
    EXPECT_FALSE(fpdf::read("", f, why));
    EXPECT_TRUE(f.routes.empty());
}

// Bytes the reader cannot read, and the line and reason it gives.
struct bad_bytes {
    const char *name;
    std::string bytes;
    long line;
    std::string why;
};

void PrintTo(const bad_bytes &b, std::ostream *os) { *os << b.name; }

class FpdfReaderRefuses : public ::testing::TestWithParam<bad_bytes> {};

TEST_P(FpdfReaderRefuses, WithLineAndReason) {
    fpdf::file f;
    fpdf::problem why;
    EXPECT_FALSE(fpdf::read(GetParam().bytes, f, why));
    EXPECT_EQ(why.line, GetParam().line);
    EXPECT_EQ(why.why, GetParam().why);
    EXPECT_TRUE(f.routes.empty());
    EXPECT_TRUE(f.records.empty());
}

std::string replaced(std::string text, const std::string &from, const std::string &to) {
    return text.replace(text.find(from), from.size(), to);
}

std::string with_line(const std::string &line) { return std::string(HEAD) + "$$PATH,\tRT,\t1\r\n" + line; }

INSTANTIATE_TEST_SUITE_P(
    , FpdfReaderRefuses,
    ::testing::Values(
        bad_bytes{"empty", "", 0, "the file is empty"},
        bad_bytes{"over_the_limit", std::string(fpdf::MAX_FILE_BYTES + 1, 'A'), 0,
                  "the file is larger than 16777216 bytes: no FPDF file is that long"},
        bad_bytes{"binary", std::string(HEAD) + "$$PATH,\tRT,\t1\r\nH\x01\r\n", 3,
                  "binary data: byte 0x01 at offset 52; an FPDF file is text"},
        bad_bytes{"nul_byte", std::string("$$HEAD\0x", 8), 1,
                  "binary data: byte 0x00 at offset 6; an FPDF file is text"},
        bad_bytes{"not_fpdf", "<?xml version=\"1.0\"?>\r\n", 1, "not an FPDF file: it does not begin with \"$$HEAD\""},
        bad_bytes{"cut_short", std::string(HEAD) + "$$PATH,\tRT,\t1\r\nH,\tA", 3,
                  "the file is cut short: its last line has no line end"},
        bad_bytes{"cr_alone", "$$HEAD,\tA,\tA,\tTOLV,\t1\r$$PATH,\tRT,\t0\r", 1,
                  "the lines end in CR alone; an FPDF file ends every line in CR LF"},
        bad_bytes{"lf_alone", std::string(HEAD) + "$$PATH,\tRT,\t0\n", 2,
                  "the line ends in LF alone; the export ends every line in CR LF"},
        bad_bytes{"cr_inside", std::string(HEAD) + "$$PATH,\tRT\r,\t0\r\n", 2, "a CR inside the line"},
        bad_bytes{"short_header", "$$HEAD,\tASM,\tA\r\n", 1,
                  "the header is not \"$$HEAD\", assembly, area, cell and date, each field followed by a comma and a "
                  "tab"},
        bad_bytes{"header_key_with_more", "$$HEADER,\tA,\tA,\tTOLV,\t1\r\n", 1,
                  "the header is not \"$$HEAD\", assembly, area, cell and date, each field followed by a comma and a "
                  "tab"},
        bad_bytes{"route_fields", std::string(HEAD) + "$$PATH,\tRT\r\n", 2,
                  "the route line is not \"$$PATH\", route name and rivet count, each field followed by a comma and "
                  "a tab"},
        bad_bytes{"route_name_empty", std::string(HEAD) + "$$PATH,\t,\t1\r\n", 2, "the route name is empty"},
        bad_bytes{"count_word", std::string(HEAD) + "$$PATH,\tRT,\tthree\r\n", 2,
                  "the rivet count is not a decimal number of at most 9 digits"},
        bad_bytes{"count_negative", std::string(HEAD) + "$$PATH,\tRT,\t-1\r\n", 2,
                  "the rivet count is not a decimal number of at most 9 digits"},
        bad_bytes{"count_ten_digits", std::string(HEAD) + "$$PATH,\tRT,\t1234567890\r\n", 2,
                  "the rivet count is not a decimal number of at most 9 digits"},
        bad_bytes{"count_empty", std::string(HEAD) + "$$PATH,\tRT,\t\r\n", 2,
                  "the rivet count is not a decimal number of at most 9 digits"},
        bad_bytes{"record_first", std::string(HEAD) + RECORD_1, 2, "a rivet record before any route line"},
        bad_bytes{"record_fields", with_line("H,\tA,\t3404579D35\r\n"), 3,
                  "the line is not a rivet record: it has 3 fields, a record has 13, each but the last followed by a "
                  "comma and a tab"},
        bad_bytes{"record_many_fields", with_line(std::string(RECORD_1).insert(0, "H,\tA,\tH,\tA,\t")), 3,
                  "the line is not a rivet record: it has 17 fields, a record has 13, each but the last followed by "
                  "a comma and a tab"},
        bad_bytes{"position_word", with_line(replaced(RECORD_1, "      -35.25000", "        abcdefg")), 3,
                  "the position Y is not a number"},
        bad_bytes{"axis_blank", with_line(replaced(RECORD_1, "        1.00000", "               ")), 3,
                  "the axis K is not a number"},
        bad_bytes{"empty_line", with_line("\r\n"), 3, "an empty line"},
        bad_bytes{"second_header", with_line(HEAD), 3, "a second header line (the header is line 1)"},
        bad_bytes{"unknown_line", with_line("$$END\r\n"), 3, "an unknown line: it begins with \"$$\""}));

TEST(FpdfReader, NumbersInFixedNotationOnly) {
    double v = 7;
    EXPECT_TRUE(fpdf::number("      -12.50000", v));
    EXPECT_DOUBLE_EQ(v, -12.5);
    EXPECT_TRUE(fpdf::number("3", v));
    EXPECT_DOUBLE_EQ(v, 3);
    for (const char *text : {"", "   ", "1e5", "nan", "inf", "-inf", "+1.0", "1.0.0", "1,5", "0x10", "1.0 x"}) {
        v = 7;
        EXPECT_FALSE(fpdf::number(text, v)) << '"' << text << '"';
        EXPECT_EQ(v, 7) << "changed by \"" << text << '"';
    }
    EXPECT_FALSE(fpdf::number(std::string(400, '9'), v)) << "out of range";
}

TEST(FpdfReader, SplitsAndCountsFieldsPastTheKeptOnes) {
    fpdf::fields f = fpdf::split("a,\tb,\t,\tc");
    ASSERT_EQ(f.count, 4u);
    EXPECT_EQ(f.at[0], "a");
    EXPECT_EQ(f.at[2], "");
    EXPECT_EQ(f.at[3], "c");
    std::string many;
    for (int i = 0; i < 40; ++i) many += "x,\t";
    f = fpdf::split(many);
    EXPECT_EQ(f.count, 41u);
    EXPECT_EQ(f.at[fpdf::MAX_FIELDS - 1], "x");
    EXPECT_EQ(fpdf::split("a,b\tc").count, 1u);
}

TEST(FpdfReader, LinesWithTheirEnds) {
    std::string bytes = "one\r\ntwo\n\r\nlast";
    std::vector<std::string> texts;
    std::vector<bool> ends;
    size_t offset = 0;
    fpdf::line l;
    while (fpdf::next_line(bytes, offset, l)) {
        texts.emplace_back(l.text);
        ends.push_back(l.crlf);
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"one", "two", "", "last"}));
    EXPECT_EQ(ends, (std::vector<bool>{true, false, true, false}));
    EXPECT_EQ(l.number, 4);
}

TEST(FpdfReader, Unpadded) {
    EXPECT_EQ(fpdf::unpadded("  RT_01  "), "RT_01");
    EXPECT_EQ(fpdf::unpadded("   "), "");
    EXPECT_EQ(fpdf::unpadded("A B"), "A B");
}

// --- Reading from disk ------------------------------------------------------------

class FpdfFile : public ::testing::Test {
protected:
    scenario::temp_dir scratch{"fpdf-file"};
    std::filesystem::path dir = scratch.path();

    std::string write(const std::string &name, const std::string &bytes) {
        std::filesystem::path p = dir / name;
        std::ofstream(p, std::ios::binary) << bytes;
        return p.string();
    }
};

TEST_F(FpdfFile, ReadsARegularFileWhole) {
    std::string path = write("m.fpdf", clean_file());
    std::string bytes = "old";
    fpdf::problem why;
    ASSERT_TRUE(fpdf::read_file(path.c_str(), bytes, why)) << why.why;
    EXPECT_EQ(bytes, clean_file());
}

TEST_F(FpdfFile, StopsOneBytePastTheLimit) {
    std::string path = write("big.fpdf", std::string(fpdf::MAX_FILE_BYTES + 200000, 'A'));
    std::string bytes;
    fpdf::problem why;
    ASSERT_TRUE(fpdf::read_file(path.c_str(), bytes, why)) << why.why;
    EXPECT_GT(bytes.size(), fpdf::MAX_FILE_BYTES);
    EXPECT_LT(bytes.size(), fpdf::MAX_FILE_BYTES + 200000);
    EXPECT_TRUE(fpdf::refuse(bytes, why));
}

TEST_F(FpdfFile, RefusesWhatIsNoRegularFile) {
    std::string fifo = (dir / "fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string plain = write("plain", "x");
    struct {
        std::string path;
        std::string why;
    } cases[] = {
        {(dir / "missing.fpdf").string(), "cannot open the machine file: no such file"},
        {dir.string(), "cannot read the machine file: it is a folder"},
        {fifo, "cannot read the machine file: not a regular file (a FIFO or a device)"},
        {"/dev/null", "cannot read the machine file: not a regular file (a FIFO or a device)"},
        {plain + "/m.fpdf", "cannot open the machine file: a part of its path is not a folder"},
    };
    for (const auto &c : cases) {
        std::string bytes;
        fpdf::problem why;
        EXPECT_FALSE(fpdf::read_file(c.path.c_str(), bytes, why)) << c.path;
        EXPECT_EQ(why.line, 0) << c.path;
        EXPECT_EQ(why.why, c.why) << c.path;
    }
}

}  // namespace
