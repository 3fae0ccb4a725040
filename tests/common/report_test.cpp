// The error reporter: code 0 does nothing; any other code reaches the status line
// and the log in the variant's own layout.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
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

// The layouts' table holds when the line reaches the disk: at once for the plain and
// the logic layouts, at the log's close for the dialog and timed ones.
TEST(Reporter, FlushedWhereTheLayoutSaysSo) {
    const struct {
        report_layout layout;
        bool flushed;
    } layouts[] = {{report_layout::plain, true},
                   {report_layout::logic, true},
                   {report_layout::dialog, false},
                   {report_layout::timed, false}};
    for (const auto &l : layouts) {
        SCOPED_TRACE(static_cast<int>(l.layout));
        nxsim::Host::get().reset();
        char path[] = "/tmp/rivet-report-XXXXXX";
        int fd = mkstemp(path);
        ASSERT_GE(fd, 0);
        close(fd);
        error_log = std::fopen(path, "w");
        ASSERT_NE(error_log, nullptr);
        report_in(l.layout, 515003, 10, "tool.cpp");
        std::FILE *reader = std::fopen(path, "r");
        ASSERT_NE(reader, nullptr);
        EXPECT_EQ(written(reader).empty(), !l.flushed);
        std::fclose(error_log);
        error_log = nullptr;
        EXPECT_FALSE(written(reader).empty());
        std::fclose(reader);
        std::remove(path);
    }
}

TEST(Reporter, TimedLayoutWithoutSourceEndsAfterTheLine) {
    nxsim::Host::get().reset();
    error_log = std::tmpfile();
    report_in(report_layout::timed, 77, 13);
    EXPECT_EQ(written(error_log), "NX error 77 \terrorCode=77 \tline=13  \n");
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
