#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "../../attr_dialog/include/attr_dialog/attr_dialog.h"
#include "scenario.h"

SCENARIO_SUITE(RivetAttrInspect, "rivet_attr_inspect");

namespace {

constexpr std::size_t READ_BUFFER_SIZE = 136;  // the inspector's read buffers

namespace fs = std::filesystem;

}  // namespace

// The host stand-in stores at most 132 characters, so a value longer than the
// read buffers only comes from a real host: the copy cuts it, never overruns.
TEST(RivetAttrInspectReadBuffer, LongerValueIsCut) {
    char guarded[READ_BUFFER_SIZE + 8];
    std::memset(guarded, '#', sizeof guarded);
    std::string value(200, 'X');
    EXPECT_FALSE(copy_text_cut(guarded, READ_BUFFER_SIZE, value.c_str()));
    EXPECT_EQ(std::strlen(guarded), READ_BUFFER_SIZE - 1);
    for (std::size_t i = READ_BUFFER_SIZE; i < sizeof guarded; ++i) EXPECT_EQ(guarded[i], '#') << i;
}

TEST(RivetAttrInspectReadBuffer, ValueThatFitsIsWhole) {
    char buffer[READ_BUFFER_SIZE];
    std::string value(READ_BUFFER_SIZE - 1, 'Y');
    EXPECT_TRUE(copy_text_cut(buffer, sizeof buffer, value.c_str()));
    EXPECT_EQ(value, buffer);
    EXPECT_TRUE(copy_text_cut(buffer, sizeof buffer, "3404480D40_CK"));
    EXPECT_STREQ(buffer, "3404480D40_CK");
}

// A missing text copies as empty; a buffer of no bytes takes nothing and fits only
// an empty text.
TEST(RivetAttrInspectReadBuffer, MissingTextAndEmptyBuffer) {
    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_TRUE(copy_text_cut(buffer, sizeof buffer, nullptr));
    EXPECT_STREQ(buffer, "");
    buffer[0] = '#';
    EXPECT_TRUE(copy_text_cut(buffer, 0, nullptr));
    EXPECT_TRUE(copy_text_cut(buffer, 0, ""));
    EXPECT_FALSE(copy_text_cut(buffer, 0, "A"));
    EXPECT_EQ(buffer[0], '#') << "nothing is written into a buffer of no bytes";
}

// Every host call of a full run fails in turn: the inspector reports and ends or
// goes on, but never crashes, hangs or stays loaded (exit 2). The run changes the
// fastener of a rivet whose grip list stands at its 10th entry, so a failed
// fastener callback leaves a grip index the new fastener does not have.
TEST(RivetAttrInspectFaultSweep, EveryHostCallMayFail) {
    const fs::path session = fs::path(SCENARIO_DIR) / "rivet_attr_inspect" / "sessions" / "panel.json";
    const std::string actions = R"([
        {"select": ["LAST_ROWS"]}, {"styler": [{"pick": "FAST_CODE", "entry": 6}, "ok"]},
        {"select": [], "press": "back"}, {"select": []},
        {"select": ["EMPTY"]}, {"styler": [{"pick": "RIVET", "entry": 2}, "apply", {"pick": "GRIP_LNG", "entry": 4}, "ok"]},
        {"select": ["MARKED"]}, {"styler": ["cancel"]}, {"select": [], "press": "cancel"}])";
    EXPECT_GT(scenario::sweep_faults("rivet_attr_inspect", session, actions), 100);
}
