// The error reporter: code 0 does nothing; any other code reaches the status line
// and the log in the variant's own layout.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "common/tool_run.h"
#include "host.h"

namespace {

std::string written(FILE *f) {
    std::string text;
    std::rewind(f);
    int c;
    while ((c = std::fgetc(f)) != EOF) text += static_cast<char>(c);
    return text;
}

TEST(Reporter, CodeZeroWritesNothingAndLeavesTheStatusLine) {
    nxsim::Host::get().reset();
    error_log = std::tmpfile();
    report_error(0, 10);
    report_error_logic(0, 11);
    report_error_dialog(0, 12);
    report_error_timed(0, 13, "tool.cpp");
    EXPECT_EQ(written(error_log), "");
    EXPECT_TRUE(nxsim::Host::get().transcript.empty());
    std::fclose(error_log);
    error_log = nullptr;
}

TEST(Reporter, EachVariantHasItsLayout) {
    nxsim::Host::get().reset();
    error_log = std::tmpfile();
    report_error(515003, 10);
    report_error_logic(515003, 11);
    report_error_dialog(515003, 12);
    report_error_timed(77, 13, "tool.cpp");
    EXPECT_EQ(written(error_log),
              "\n\terrorCode=515003\tmessage=Attribute could not be assigned\tline=10\n"
              "errorCode=515003\t\tmessage=Attribute could not be assigned\t\tline=11\n"
              "errorCode=515003\tmessage=Attribute could not be assigned\t\tline=12\t\n"
              "NX error 77 \terrorCode=77 \tline=13  tool.cpp\n");
    const auto &t = nxsim::Host::get().transcript;
    ASSERT_EQ(t.size(), 4u);
    EXPECT_EQ(t[0], "status \"Attribute could not be assigned\"");
    EXPECT_EQ(t[3], "status \"NX error 77\"");
    std::fclose(error_log);
    error_log = nullptr;
}

// A list owner may report after the frame has closed the log (a module-level list
// deleted at unload): every variant still sets the status line and writes nowhere.
TEST(Reporter, WithoutALogOnlyTheStatusLine) {
    nxsim::Host::get().reset();
    error_log = nullptr;
    report_error(515003, 10);
    report_error_logic(515003, 11);
    report_error_dialog(515003, 12);
    report_error_timed(77, 13, "tool.cpp");
    const auto &t = nxsim::Host::get().transcript;
    ASSERT_EQ(t.size(), 4u);
    EXPECT_EQ(t[0], "status \"Attribute could not be assigned\"");
    EXPECT_EQ(t[1], "status \"Attribute could not be assigned\"");
    EXPECT_EQ(t[2], "status \"Attribute could not be assigned\"");
    EXPECT_EQ(t[3], "status \"NX error 77\"");
}

}  // namespace
