#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "child_process.h"
#include "scenario.h"

SCENARIO_SUITE(RivetGroupAttr, "rivet_group_attr");

namespace fs = std::filesystem;

namespace {

constexpr int GROUP_CAPACITY = 30000;

// The transcript is UTF-8, while these sources compile to Windows-1251 like the tools.
std::string utf8(const char8_t *text) { return reinterpret_cast<const char *>(text); }

void write_text(const fs::path &path, const std::string &text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

// A panel of exactly as many rivets as a group holds, plus one more rivet X.
std::string full_panel_session() {
    nlohmann::json components = nlohmann::json::array();
    for (int i = 1; i <= GROUP_CAPACITY; ++i)
        components.push_back(
            {{"name", "R" + std::to_string(i)}, {"part", "@DB/RIV/A"}, {"attributes", {{"RIVET", "work"}}}});
    components.push_back({{"name", "X"}, {"part", "@DB/RIV/A"}, {"attributes", {{"RIVET", "work"}}}});
    nlohmann::json session = {
        {"managed", true},
        {"display", "@DB/PANEL/A"},
        {"parts", {{{"name", "@DB/PANEL/A"}, {"components", components}}, {{"name", "@DB/RIV/A"}, {"bodies", 1}}}}};
    return session.dump();
}

// A scenario folder in /tmp with that session; the caller writes the script.
fs::path full_panel_case() {
    fs::path dir = scenario::make_temp_dir("rivet-group-capacity");
    write_text(dir / "session.json", full_panel_session());
    write_text(dir / "case.json", R"({"tool": "rivet_group_attr", "session": "session.json"})");
    return dir;
}

}  // namespace

// A group of exactly the capacity is written whole; one more component is refused
// with a message and the selection is shown again, nothing written past the table.
TEST(RivetGroupAttrCapacity, FullGroupTakenLargerRefused) {
    fs::path dir = full_panel_case();
    ASSERT_FALSE(dir.empty());
    write_text(dir / "script.json", R"({"actions": [
        {"styler": [{"pick": "PROCESS_CODE", "entry": 0}, "ok"]}, {"select": ["R*"]}, {"message_dialog": "OK"},
        {"styler": ["ok"]}, {"select": ["R*", "X"]}, {"select": ["X"]}, {"message_dialog": "CANCEL"}]})");

    scenario::outcome out = scenario::run(dir);
    ASSERT_EQ(out.exit_code, 0) << out.stderr_text;

    std::string transcript = scenario::read_file(out.work / "run" / "transcript.txt");
    EXPECT_NE(transcript.find(utf8(u8"message \"Обработана группа из  30000 заклепок\\n\"")), std::string::npos);
    EXPECT_NE(transcript.find("respond 2 (30001 objects)"), std::string::npos);
    EXPECT_NE(transcript.find(
                  utf8(u8"message \"Выбрано 30001 компонент, в группе не более 30000. Выберите группу меньше.\"\n")),
              std::string::npos);
    EXPECT_NE(transcript.find(utf8(u8"message \"Обработана группа из  1 заклепок\\n\"")), std::string::npos);

    std::string log = scenario::read_file(out.work / "run" / "D" / "prterr.txt");
    EXPECT_NE(log.find("\r\nset_attr_to_comp -> Выбрано 30001 компонент, больше допустимых 30000\r\n"),
              std::string::npos);

    nlohmann::json saved = nlohmann::json::parse(scenario::read_file(out.work / "session.json"));
    const auto &components = saved["parts"][0]["components"];
    ASSERT_EQ(components.size(), static_cast<size_t>(GROUP_CAPACITY + 1));
    // The first group took process code A on every rivet; the refused selection
    // wrote nothing, the last group (X alone) took the initial H.
    for (int i = 0; i < GROUP_CAPACITY; i += 997) EXPECT_EQ(components[i]["attributes"]["pr_code"], "A") << i;
    EXPECT_EQ(components[GROUP_CAPACITY - 1]["attributes"]["grip_lng"], "080");
    EXPECT_EQ(components[GROUP_CAPACITY]["attributes"]["pr_code"], "H");

    fs::remove_all(out.work);
    fs::remove_all(dir);
}

// A refused selection whose un-highlight fails ends the group step as failed:
// reported, the engineer told, and nothing written on any rivet.
TEST(RivetGroupAttrCapacity, RefusedGroupWhoseUnhighlightFailsWritesNothing) {
    fs::path dir = full_panel_case();
    ASSERT_FALSE(dir.empty());
    write_text(dir / "script.json", R"({"faults": [{"call": "UF_DISP_set_highlight", "nth": 1, "code": 1}],
        "actions": [{"styler": ["ok"]}, {"select": ["R*", "X"]}, {"message_dialog": "CANCEL"}]})");

    scenario::outcome out = scenario::run(dir);
    ASSERT_EQ(out.exit_code, 0) << out.stderr_text;

    std::string transcript = scenario::read_file(out.work / "run" / "transcript.txt");
    size_t refused = transcript.find(
        utf8(u8"message \"Выбрано 30001 компонент, в группе не более 30000. Выберите группу меньше.\""));
    size_t fault = transcript.find("fault UF_DISP_set_highlight");
    size_t told = transcript.find(utf8(u8"message \"Назначение атрибутов выполнено не корректно.\""));
    ASSERT_NE(refused, std::string::npos);
    ASSERT_NE(fault, std::string::npos);
    ASSERT_NE(told, std::string::npos);
    EXPECT_LT(refused, fault);
    EXPECT_LT(fault, told);

    std::string log = scenario::read_file(out.work / "run" / "D" / "prterr.txt");
    size_t reported = log.find("errorCode=1\t\tmessage=NX error 1\t\tline=");
    size_t closing = log.find("\r\nset_attr_to_component - отработала; возвращает 2\r\n");
    ASSERT_NE(reported, std::string::npos);
    ASSERT_NE(closing, std::string::npos);
    EXPECT_LT(reported, closing);

    nlohmann::json saved = nlohmann::json::parse(scenario::read_file(out.work / "session.json"));
    const auto &components = saved["parts"][0]["components"];
    ASSERT_EQ(components.size(), static_cast<size_t>(GROUP_CAPACITY + 1));
    for (const auto &component : components) ASSERT_FALSE(component["attributes"].contains("pr_code"));

    fs::remove_all(out.work);
    fs::remove_all(dir);
}

// Every host call of a full run fails in turn: the tool reports and ends or goes
// on, but never crashes, hangs or stays loaded (exit 2). A script that no longer
// fits what the tool does after the failure ends with exit 1, which is fine here.
TEST(RivetGroupAttrFaultSweep, EveryHostCallMayFail) {
    const fs::path session = fs::path(SCENARIO_DIR) / "rivet_group_attr" / "sessions" / "panel.json";
    const std::string actions = R"([
        {"styler": [{"pick": "FAST_CODE", "entry": 8}, {"pick": "GRIP_LNG", "entry": 9}, "apply",
                    {"pick": "FAST_CODE", "entry": 6}, {"pick": "RIVET", "entry": 1}, "ok"]},
        {"select": ["R1"], "press": "back"}, {"select": []}, {"select": ["R2", "R4"]}, {"message_dialog": "OK"},
        {"styler": ["cancel"]}, {"message_dialog": "CANCEL"}])";
    EXPECT_GT(scenario::sweep_faults("rivet_group_attr", session, actions), 60);
}
