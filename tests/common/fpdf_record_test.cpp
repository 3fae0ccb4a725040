// The machine file's fields put together without printf, checked against printf
// itself: the same bytes for every value, or the file would change.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "common/fpdf_record.h"

namespace {

std::string by_printf(const char *format, double value) {
    char text[512];
    snprintf(text, sizeof text, format, value);
    return text;
}

std::string fixed(double value, int width, int precision) {
    char text[512];
    record_text record = {text, sizeof text, 0};
    EXPECT_TRUE(append_fixed(record, value, width, precision));
    EXPECT_EQ(record.length, strlen(text));
    return text;
}

double from_bits(uint64_t bits) {
    double value;
    memcpy(&value, &bits, sizeof value);
    return value;
}

// Values where rounding is decided: exact halves of the last decimal, the numbers
// either side of them, signs, zeros, the ends of the quick path and beyond it.
std::vector<double> edge_values() {
    std::vector<double> values = {0.0,
                                  -0.0,
                                  1.0,
                                  -1.0,
                                  0.5,
                                  1.5,
                                  2.5,
                                  0.000005,
                                  0.000015,
                                  0.0000049999999999,
                                  -0.000001,
                                  99999.999995,
                                  -99999.999995,
                                  0.999995,
                                  0.9999949999,
                                  120.5,
                                  -35.25,
                                  1e-300,
                                  -1e-300,
                                  std::numeric_limits<double>::denorm_min(),
                                  std::numeric_limits<double>::min(),
                                  9007199254740992.0,
                                  9007199254740993.0,
                                  18446744073709549568.0,  // the largest double below 2^64
                                  18446744073709551616.0,  // 2^64
                                  1e20,
                                  -1e300,
                                  std::numeric_limits<double>::max(),
                                  -std::numeric_limits<double>::max(),
                                  std::numeric_limits<double>::infinity(),
                                  -std::numeric_limits<double>::infinity(),
                                  std::numeric_limits<double>::quiet_NaN(),
                                  -std::numeric_limits<double>::quiet_NaN()};
    // k / 2^n has exactly n decimals: at n = 6 and beyond, many are exact halves.
    for (int n = 1; n <= 12; ++n)
        for (int k = -300; k <= 300; ++k) values.push_back(std::ldexp(static_cast<double>(k), -n));
    for (double v : std::vector<double>(values)) {
        values.push_back(std::nextafter(v, 1e308));
        values.push_back(std::nextafter(v, -1e308));
    }
    return values;
}

TEST(RecordText, FixedEdgesAsPrintf) {
    for (double v : edge_values())
        for (int precision : {0, 1, 5, 9, 12}) {
            std::string format = "%15." + std::to_string(precision) + "f";
            ASSERT_EQ(fixed(v, 15, precision), by_printf(format.c_str(), v)) << precision << " " << v;
        }
}

// Random bit patterns cover every exponent; the ranges below those a panel has.
TEST(RecordText, FixedRandomAsPrintf) {
    std::mt19937_64 random(20261208);
    std::uniform_real_distribution<double> panel(-60000.0, 60000.0);
    std::uniform_real_distribution<double> axis(-1.0, 1.0);
    std::uniform_real_distribution<double> tiny(-0.001, 0.001);
    for (int i = 0; i < 100000; ++i) {
        for (double v : {from_bits(random()), panel(random), axis(random), tiny(random),
                         std::round(panel(random) * 1e5) / 1e5, std::round(panel(random) * 2e5) / 2e5}) {
            ASSERT_EQ(fixed(v, 15, 5), by_printf("%15.5f", v)) << v;
            if (i % 16 == 0) {
                ASSERT_EQ(fixed(v, 0, 3), by_printf("%.3f", v)) << v;
            }
        }
    }
}

TEST(RecordText, CutAndPlainAsPrintf) {
    struct Case {
        const char *value;
        int width;
        const char *printf_format;
    };
    const Case cases[] = {
        {"", 1, "%1.1s"},
        {"H", 1, "%1.1s"},
        {"HA", 1, "%1.1s"},
        {"3404579D35", 12, "%12.12s"},
        {"3404480D40_C", 12, "%12.12s"},
        {"3404480D40_CUT", 12, "%12.12s"},
        {"95", 3, "%3.3s"},
        {"9.5", 3, "%3.3s"},
        {"", 12, "%12.12s"},
    };
    for (const Case &c : cases) {
        char expected[64];
        snprintf(expected, sizeof expected, c.printf_format, c.value);
        char text[64];
        record_text record = {text, sizeof text, 0};
        ASSERT_TRUE(append_cut(record, c.value, c.width));
        EXPECT_STREQ(text, expected) << c.printf_format << " " << c.value;
    }
    char text[64];
    record_text record = {text, sizeof text, 0};
    ASSERT_TRUE(append_plain(record, "1, 0, 0\n"));
    ASSERT_TRUE(append_plain(record, ""));
    EXPECT_STREQ(text, "1, 0, 0\n");
}

// A field that does not fit leaves the text as it was, as the route's buffer needs.
TEST(RecordText, FieldThatDoesNotFitChangesNothing) {
    char text[16];
    record_text record = {text, sizeof text, 0};
    ASSERT_TRUE(append_plain(record, "AB"));
    EXPECT_FALSE(append_fixed(record, 1.0, 15, 5));  // 15 characters after 2: no room for the end
    EXPECT_FALSE(append_cut(record, "X", 14));
    EXPECT_FALSE(append_plain(record, "0123456789ABCD"));
    EXPECT_EQ(record.length, 2u);
    EXPECT_STREQ(text, "AB");
    EXPECT_TRUE(append_plain(record, "0123456789ABC"));  // exactly full with its end
    EXPECT_EQ(record.length, 15u);
    EXPECT_FALSE(append_plain(record, "D"));
}

// A precision printf would not take is refused; the widest number at the widest
// precision still fits the slow path's room.
TEST(RecordText, PrecisionRangeAndWidestNumber) {
    char text[512];
    record_text record = {text, sizeof text, 0};
    text[0] = '\0';
    EXPECT_FALSE(append_fixed(record, 1.0, 15, -1));
    EXPECT_FALSE(append_fixed(record, 1.0, 15, 21));
    EXPECT_EQ(record.length, 0u);
    double widest = -std::numeric_limits<double>::max();
    ASSERT_TRUE(append_fixed(record, widest, 0, 20));
    EXPECT_EQ(std::string(text), by_printf("%.20f", widest));
}

// The whole record, as the machine file's worked example spells it out field by field.
TEST(RivetRecord, WorkedExampleAsPrintf) {
    char text[1024];
    record_text record = {text, sizeof text, 0};
    text[0] = '\0';
    rivet_record rivet = {"AX", "B", "3404480D40_CK", "0950", "RT_01", {120.5, -35.25, 0}, {0, 0, 1}};
    ASSERT_TRUE(append_rivet_record(record, rivet));
    char want[1024];
    snprintf(
        want, sizeof want,
        "%1.1s,\t%1.1s,\t%12.12s,\t%3.3s,\t%12.12s,\t0,\t%15.5f,\t%15.5f,\t%15.5f,\t%15.5f,\t%15.5f,\t%15.5f,\t1, 0, "
        "0\n",
        "AX", "B", "3404480D40_CK", "0950", "RT_01", 120.5, -35.25, 0.0, 0.0, 0.0, 1.0);
    EXPECT_STREQ(text, want);
    EXPECT_EQ(std::string(text).rfind("A,\tB,\t3404480D40_C,\t095,\t       RT_01,\t0,\t      120.50000,\t", 0), 0u);
}

// A record that does not fit answers false and never runs past the buffer.
TEST(RivetRecord, DoesNotFitAnswersFalse) {
    char text[40];
    record_text record = {text, sizeof text, 0};
    text[0] = '\0';
    rivet_record rivet = {"A", "B", "3404579D35", "095", "RT_01", {1, 2, 3}, {0, 0, 1}};
    EXPECT_FALSE(append_rivet_record(record, rivet));
    EXPECT_LT(record.length, sizeof text);
    EXPECT_EQ(strlen(text), record.length);
}

}  // namespace
