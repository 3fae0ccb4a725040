// The fastener catalogue: exact whole-text lookups and the rows as the tools rely on them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/catalogue.h"

namespace {

TEST(Catalogue, LookupsAreExactCaseSensitiveAndUntrimmed) {
    EXPECT_EQ(find_process("H"), 7);
    EXPECT_EQ(find_process("A"), 0);
    EXPECT_EQ(find_process("Z"), 25);
    for (const char *text : {"h", " H", "H ", "", "HH", "H - Полный цикл без герметика"})
        EXPECT_EQ(find_process(text), NOT_FOUND) << '"' << text << '"';
    EXPECT_EQ(find_add("B"), 1);
    EXPECT_EQ(find_add("C"), NOT_FOUND);
    EXPECT_EQ(find_add("a"), NOT_FOUND);
    EXPECT_EQ(find_rivet_kind("work"), 0);
    EXPECT_EQ(find_rivet_kind("techno"), 2);
    EXPECT_EQ(find_rivet_kind("Work"), NOT_FOUND);
    EXPECT_EQ(find_process(nullptr), NOT_FOUND);
    EXPECT_EQ(find_add(nullptr), NOT_FOUND);
    EXPECT_EQ(find_rivet_kind(nullptr), NOT_FOUND);
    EXPECT_EQ(find_fast(nullptr), NOT_FOUND);
}

TEST(Catalogue, FastenersAndTheirOwnGrips) {
    EXPECT_EQ(find_fast("3404579D35"), 0);
    EXPECT_EQ(find_fast("3404480D40"), 6) << "never the _CK row";
    EXPECT_EQ(find_fast("3404480D40_CK"), 16);
    EXPECT_EQ(find_fast(""), NOT_FOUND);
    EXPECT_EQ(find_fast("3404480D40_CK_LONGER"), NOT_FOUND);
    EXPECT_EQ(find_fast("3404480D40_C"), NOT_FOUND);
    EXPECT_EQ(find_grip(find_fast("3404579D35"), "095"), 1);
    EXPECT_EQ(find_grip(find_fast("3404480D40"), "095"), 0);
    EXPECT_EQ(find_grip(find_fast("3404579D40"), "095"), NOT_FOUND) << "its grips start at 110";
    EXPECT_EQ(find_grip(find_fast("3404579D35"), "9.5"), NOT_FOUND) << "millimetres are not a grip code";
    EXPECT_EQ(find_grip(NOT_FOUND, "095"), NOT_FOUND);
    EXPECT_EQ(find_grip(FAST_COUNT, "095"), NOT_FOUND);
    // Only the row's first n codes count, even where the table has room for more.
    EXPECT_EQ(find_grip(find_fast("3404480D40"), nullptr), NOT_FOUND);
}

TEST(Catalogue, RowsHoldWhatTheDialogsAndTheFileNeed) {
    EXPECT_EQ(all_fast.size(), 19u);
    for (const auto &row : all_fast) {
        ASSERT_GE(row.n, 1);
        ASSERT_LE(row.n, GRIP_CAPACITY) << row.code;
        for (int k = 0; k < row.n; ++k) {
            // Each grip code is the millimetres times ten, in three digits.
            std::string mm = row.grip_mm[k];
            auto dot = mm.find('.');
            ASSERT_NE(dot, std::string::npos) << row.code;
            ASSERT_EQ(mm.size() - dot, 2u) << "one decimal: " << mm;
            std::string code = mm.substr(0, dot) + mm.substr(dot + 1);
            while (code.size() < 3) code.insert(0, "0");
            EXPECT_STREQ(row.grip_code[k], code.c_str()) << row.code;
        }
        for (int k = row.n; k < GRIP_CAPACITY; ++k) EXPECT_EQ(row.grip_code[k], nullptr) << row.code;
    }
    int ten = 0;
    for (const auto &row : all_fast) ten += row.n == GRIP_CAPACITY;
    EXPECT_EQ(ten, 3) << "3404480D60, 3004887D80 and 3404480D60_CK fill a row";
    for (int i = 0; i < PROCESS_COUNT; ++i) {
        EXPECT_EQ(std::strlen(all_process[i].code), 1u);
        EXPECT_EQ(all_process[i].code[0], 'A' + i);
        EXPECT_EQ(std::string(process_texts[i]).substr(0, 4), std::string(all_process[i].code) + " - ");
    }
    EXPECT_STREQ(process_texts[7], "H - Полный цикл без герметика");
    EXPECT_STREQ(add_texts[0], "A - Стандартный код");
    EXPECT_STREQ(fast_codes[18], "3404480D60_CK");
}

TEST(Catalogue, RouteCheckCopyHasTheSameRowsWithRoomForTwenty) {
    static constexpr auto check = make_fast_table<CHECK_GRIP_CAPACITY>();
    for (int i = 0; i < FAST_COUNT; ++i) {
        EXPECT_STREQ(check[i].code, all_fast[i].code);
        ASSERT_EQ(check[i].n, all_fast[i].n);
        for (int k = 0; k < all_fast[i].n; ++k) EXPECT_STREQ(check[i].grip_code[k], all_fast[i].grip_code[k]);
        for (int k = all_fast[i].n; k < CHECK_GRIP_CAPACITY; ++k) EXPECT_EQ(check[i].grip_code[k], nullptr);
    }
    EXPECT_EQ(find_fast_in(check, "3404480D40"), 6);
    EXPECT_EQ(find_grip_in(check, 16, "095"), 0);
}

}  // namespace
