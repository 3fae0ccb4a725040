// nxsim itself: what the tools rely on the host stand-in to do as the host does.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "child_process.h"
#include "common/host_records.h"
#include "cp1251.h"
#include "engineer.h"
#include "host.h"
#include "references.h"
#include "scenario.h"
#include "session_file.h"
#include "temp_dir.h"
#include "uf_assem.h"
#include "uf_attr.h"
#include "uf_csys.h"
#include "uf_disp.h"
#include "uf_obj.h"
#include "uf_part.h"
#include "uf_styler.h"
#include "uf_ui.h"
#include "win_crt.h"

extern "C" FILE *__wrap_fopen(const char *path, const char *mode);
extern "C" char *__wrap_asctime(const struct tm *tm);
extern "C" struct tm *__wrap_localtime(const time_t *t);

namespace fs = std::filesystem;
using namespace nxsim;

namespace {

const char *const kSession = R"({
  "display": "@DB/ASM/A",
  "parts": [
    {"name": "@DB/ASM/A", "wcs": {"origin": [10, 0, 0], "x": [0, 1, 0], "y": [-1, 0, 0]},
     "components": [
       {"name": "SUB", "part": "@DB/SUB/A", "origin": [100, 0, 0], "x": [0, 1, 0], "y": [-1, 0, 0]},
       {"name": "R", "part": "@DB/RIV/A", "origin": [1, 2, 3], "attributes": {"RIVET": "work"}},
       {"name": "R", "part": "@DB/RIV/A", "origin": [4, 5, 6]}]},
    {"name": "@DB/SUB/A", "bodies": 1, "attributes": {"PATH": "work"},
     "components": [{"name": "R1", "part": "@DB/RIV/A", "origin": [10, 0, 0], "name_origin": [10, 1, 0],
                     "attributes": {"RIVET": "work", "pr_code": "H"}}]},
    {"name": "@DB/RIV/A", "bodies": 1, "attributes": {"pr_code": "A", "kind": 3}}
  ]})";

class HostTest : public ::testing::Test {
protected:
    void SetUp() override {
        session = session_from_json(parse_json_text(kSession, "session"), "session");
        play("{}");
    }
    void TearDown() override {
        Host::get().reset();
        Host::get().session = nullptr;
        Host::get().engineer = nullptr;
    }
    // Starts a run with this script; NX Open started as the frame would.
    void play(const std::string &script_json) {
        script = script_from_json(parse_json_text(script_json, "script.json"), "script.json");
        engineer = std::make_unique<ScriptEngineer>(script);
        Host &h = Host::get();
        h.reset();
        h.session = session.get();
        h.engineer = engineer.get();
        h.run_dir = run_dir;
        h.faults = script.faults;
        h.clock = script.clock;
        prepare_dirs();
        ASSERT_EQ(UF_initialize(), 0);
    }
    void prepare_dirs() { fs::create_directories(run_dir / "D" / "application"); }
    tag_t one(const char *reference) {
        auto found = resolve(*session, reference);
        EXPECT_EQ(found.size(), 1u) << reference;
        return found.empty() ? NULL_TAG : found.front();
    }
    std::vector<std::string> transcript() const { return Host::get().transcript; }

    scenario::temp_dir scratch{"nxsim-test"};
    fs::path run_dir = scratch.path();
    std::unique_ptr<Session> session;
    Script script;
    std::unique_ptr<ScriptEngineer> engineer;
};

TEST_F(HostTest, DrivePathsStayInsideTheRunFolder) {
    Host &h = Host::get();
    EXPECT_EQ(*h.map_path("d:\\a\\B.txt"), run_dir / "D" / "a" / "B.txt");
    EXPECT_EQ(*h.map_path("\\\\appsrv\\server\\x\\y.dlg"), run_dir / "unc" / "appsrv" / "server" / "x" / "y.dlg");
    EXPECT_EQ(*h.map_path("D:\\a\\..\\b.txt"), run_dir / "D" / "b.txt");
    EXPECT_FALSE(h.map_path("D:\\..\\b.txt"));
    EXPECT_FALSE(h.map_path("D:\\a\\..\\..\\..\\etc\\passwd"));
    EXPECT_FALSE(h.map_path("D:\\a<b.txt"));
    EXPECT_FALSE(h.map_path("relative.txt"));
    EXPECT_FALSE(h.map_path("\\\\host"));
    EXPECT_EQ(__wrap_fopen("D:\\..\\escape.txt", "w"), nullptr);
    EXPECT_EQ(__wrap_fopen("Q:\\prterr.txt", "w"), nullptr) << "a missing drive cannot be opened";
}

TEST_F(HostTest, TextModeWritesCrLfAndBinaryModeDoesNot) {
    FILE *f = __wrap_fopen("D:\\log.txt", "w");
    ASSERT_NE(f, nullptr);
    std::fprintf(f, "a\nb\n\n");
    std::fclose(f);
    EXPECT_EQ(scenario::read_file(run_dir / "D" / "log.txt"), "a\r\nb\r\n\r\n");
    FILE *b = __wrap_fopen("D:\\raw.bin", "wb");
    ASSERT_NE(b, nullptr);
    std::fputs("a\nb", b);
    std::fclose(b);
    EXPECT_EQ(scenario::read_file(run_dir / "D" / "raw.bin"), "a\nb");
}

TEST_F(HostTest, ClockTextsAreThoseOfTheWindowsRunTime) {
    play(R"({"clock": "2026-12-07 09:05:03"})");
    time_t now = Host::get().clock;
    EXPECT_STREQ(__wrap_asctime(__wrap_localtime(&now)), "Mon Dec 07 09:05:03 2026\n");
    char date[9];
    _tzset();
    EXPECT_STREQ(_strdate(date), "12/07/26");
}

TEST_F(HostTest, ComponentDataIsAbsoluteAndMappingReachesWorkAndWcs) {
    tag_t r1 = one("SUB/R1");
    char part[MAX_FSPEC_SIZE + 1], refset[MAX_ENTITY_NAME_SIZE + 1], name[MAX_ENTITY_NAME_SIZE + 1];
    double origin[3], matrix[9], transform[4][4];
    ASSERT_EQ(UF_ASSEM_ask_component_data(r1, part, refset, name, origin, matrix, transform), 0);
    EXPECT_STREQ(part, "@DB/RIV/A");
    EXPECT_STREQ(name, "R1");
    // SUB is turned 90 degrees about Z and moved to x=100: its (10,0,0) is (100,10,0).
    EXPECT_NEAR(origin[0], 100, 1e-12);
    EXPECT_NEAR(origin[1], 10, 1e-12);
    EXPECT_NEAR(matrix[1], 1, 1e-12);  // X axis now along Y
    double p[3] = {100, 10, 0};
    ASSERT_EQ(UF_CSYS_map_point(UF_CSYS_ROOT_COORDS, p, UF_CSYS_ROOT_WCS_COORDS, p), 0);
    EXPECT_NEAR(p[0], 10, 1e-12);  // WCS at (10,0,0), turned like SUB
    EXPECT_NEAR(p[1], -90, 1e-12);
    ASSERT_EQ(UF_ASSEM_set_work_part(session->find_part("@DB/SUB/A")->tag), 0);
    double q[3] = {100, 10, 0};
    ASSERT_EQ(UF_CSYS_map_point(UF_CSYS_ROOT_COORDS, q, UF_CSYS_WORK_COORDS, q), 0);
    EXPECT_NEAR(q[0], 10, 1e-12);
    EXPECT_NEAR(q[1], 0, 1e-12);
    // Name origins are given in the work part's coordinates.
    double n[3];
    ASSERT_EQ(UF_OBJ_ask_name_origin(r1, n), 0);
    EXPECT_NEAR(n[0], 10, 1e-12);
    EXPECT_NEAR(n[1], 1, 1e-12);
}

TEST_F(HostTest, OccurrenceAttributesFallBackToThePart) {
    tag_t r1 = one("SUB/R1");
    int type = -1;
    ASSERT_EQ(UF_ATTR_find_attribute(r1, UF_ATTR_string, "PATH", &type), 0);
    EXPECT_EQ(type, 0);
    ASSERT_EQ(UF_ATTR_find_attribute(one("SUB"), UF_ATTR_string, "PATH", &type), 0);
    EXPECT_EQ(type, UF_ATTR_string) << "a part attribute is found through the component";
    ASSERT_EQ(UF_ATTR_find_attribute(r1, UF_ATTR_string, "rivet", &type), 0);
    EXPECT_EQ(type, 0) << "titles are case-sensitive";
    UF_ATTR_value_t v;
    ASSERT_EQ(UF_ATTR_read_value(r1, "pr_code", UF_ATTR_any, &v), 0);
    ASSERT_EQ(v.type, UF_ATTR_string);
    EXPECT_STREQ(v.value.string, "H") << "the instance's value shadows the part's";
    UF_free(v.value.string);
    ASSERT_EQ(UF_ATTR_find_attribute(r1, UF_ATTR_string, "kind", &type), 0);
    EXPECT_EQ(type, 0) << "an integer attribute is not a string attribute";

    std::vector<std::string> titles;
    int index = 0;
    char title[UF_ATTR_MAX_TITLE_LEN + 1];
    do {
        ASSERT_EQ(UF_ATTR_cycle(r1, &index, UF_ATTR_string, title, &v), 0);
        if (index != 0) {
            titles.emplace_back(title);
            UF_free(v.value.string);
        }
    } while (index != 0);
    EXPECT_EQ(titles, (std::vector<std::string>{"RIVET", "pr_code"}));

    v.type = UF_ATTR_string;
    std::string long_value(133, 'x');
    v.value.string = long_value.data();
    EXPECT_NE(UF_ATTR_assign(r1, "X", v), 0) << "values over 132 characters are refused";
}

int reject_r_filter(tag_t object, int[3], void *, UF_UI_selection_p_t) {
    char name[MAX_ENTITY_NAME_SIZE + 1];
    UF_OBJ_ask_name(object, name);
    int type = 0;
    UF_ATTR_find_attribute(object, UF_ATTR_string, "RIVET", &type);
    return type == UF_ATTR_string ? UF_UI_SEL_ACCEPT : UF_UI_SEL_REJECT;
}

int keep_two(int, tag_p_t selected, int, tag_p_t, void *, UF_UI_selection_p_t select) {
    int count = 0;
    UF_UI_ask_sel_list_count(select, &count);
    if (count > 2) UF_UI_remove_from_sel_list(select, 1, selected, TRUE);
    return UF_UI_CB_CONTINUE_DIALOG;
}

int components_only(UF_UI_selection_p_t select, void *) {
    UF_UI_mask_t mask = mask_triple(UF_component_type, 0, 0);
    return UF_UI_set_sel_mask(select, UF_UI_SEL_MASK_CLEAR_AND_ENABLE_SPECIFIC, 1, &mask) == 0 &&
                   UF_UI_set_sel_procs(select, reject_r_filter, keep_two, nullptr) == 0
               ? 1
               : 0;
}

TEST_F(HostTest, SelectionAppliesMaskFilterAndCallback) {
    play(R"({"actions": [{"select": ["SUB/#0", "SUB", "R[2]", "R[1]", "SUB/R1", "R[1]"], "press": "ok"},
                         {"select": ["SUB/R1"], "press": "back"},
                         {"select": [], "press": 7}]})");
    int response = 0, count = 0;
    tag_t *objects = nullptr;
    ASSERT_EQ(UF_UI_select_with_class_dialog("cue", "title", 3, components_only, nullptr, &response, &count, &objects),
              0);
    EXPECT_EQ(response, UF_UI_OK);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(objects[0], one("R[1]"));
    EXPECT_EQ(objects[1], one("SUB/R1"));
    UF_free(objects);
    auto t = transcript();
    auto has = [&](const std::string &line) { return std::find(t.begin(), t.end(), line) != t.end(); };
    EXPECT_TRUE(has("refused SUB/#0 (mask)"));
    EXPECT_TRUE(has("refused SUB (filter)"));
    EXPECT_TRUE(has("refused R[2] (filter)"));
    EXPECT_TRUE(has("pick R[1] (already selected)"));

    ASSERT_EQ(UF_UI_select_with_class_dialog("cue", "title", 3, components_only, nullptr, &response, &count, &objects),
              0);
    EXPECT_EQ(response, UF_UI_BACK);
    UF_free(objects);
    ASSERT_EQ(UF_UI_select_with_class_dialog("cue", "title", 3, components_only, nullptr, &response, &count, &objects),
              0);
    EXPECT_EQ(response, 7);
    EXPECT_EQ(count, 0);
    EXPECT_FALSE(Host::get().aborted());
}

TEST_F(HostTest, SelectionCallbackDropsAPickOverItsLimit) {
    play(R"({"actions": [{"select": ["R[1]", "SUB/R1", "R[1]"]}]})");
    session->instance(session->occurrence(one("SUB/R1"))->instance->tag);  // exists
    UF_ATTR_value_t v{};
    v.type = UF_ATTR_string;
    char work[] = "work";
    v.value.string = work;
    ASSERT_EQ(UF_ATTR_assign(one("R[2]"), "RIVET", v), 0);
    play(R"({"actions": [{"select": ["R[1]", "SUB/R1", "R[2]"]}]})");
    int response = 0, count = 0;
    tag_t *objects = nullptr;
    ASSERT_EQ(UF_UI_select_with_class_dialog("c", "t", 3, components_only, nullptr, &response, &count, &objects), 0);
    EXPECT_EQ(count, 2);
    UF_free(objects);
    auto t = transcript();
    EXPECT_NE(std::find(t.begin(), t.end(), "dropped R[2]"), t.end());
    EXPECT_EQ(Host::get().highlighted.count(one("R[2]")), 0u) << "dropped with its highlight";
}

TEST_F(HostTest, SingleSelectionClosesOnTheFirstAcceptedPick) {
    play(R"({"actions": [{"select": ["SUB", "R[1]"]}, {"select": [], "press": "cancel"}]})");
    auto init = [](UF_UI_selection_p_t select, void *) -> int {
        return UF_UI_set_sel_procs(select, reject_r_filter, nullptr, nullptr) == 0 ? 1 : 0;
    };
    int response = 0;
    tag_t object = NULL_TAG;
    double cursor[3];
    tag_t view;
    ASSERT_EQ(UF_UI_select_with_single_dialog("m", "t", 3, init, nullptr, &response, &object, cursor, &view), 0);
    EXPECT_EQ(response, UF_UI_OBJECT_SELECTED);
    EXPECT_EQ(object, one("R[1]"));
    ASSERT_EQ(UF_UI_select_with_single_dialog("m", "t", 3, init, nullptr, &response, &object, cursor, &view), 0);
    EXPECT_EQ(response, UF_UI_CANCEL);
    EXPECT_EQ(object, NULL_TAG);
}

TEST_F(HostTest, ScriptOutOfStepStopsTheRunWithCancel) {
    play(R"({"actions": [{"choice": 5}]})");
    int response = 0, count = 0;
    tag_t *objects = nullptr;
    ASSERT_EQ(UF_UI_select_with_class_dialog("c", "t", 3, nullptr, nullptr, &response, &count, &objects), 0);
    EXPECT_EQ(response, UF_UI_CANCEL);
    EXPECT_NE(Host::get().script_error.find("script.json: actions[0]: a choice action"), std::string::npos)
        << Host::get().script_error;
}

TEST_F(HostTest, FaultsFailTheNamedCallOrTheNthCall) {
    play(R"({"faults": [{"call": "UF_ATTR_find_attribute", "nth": 2, "code": 42}, {"at": 5, "code": 43}]})");
    int type = 0;
    tag_t r = one("R[1]");
    EXPECT_EQ(UF_ATTR_find_attribute(r, UF_ATTR_string, "RIVET", &type), 0);                   // call 2
    EXPECT_EQ(UF_ATTR_find_attribute(r, UF_ATTR_string, "RIVET", &type), 42);                  // call 3
    EXPECT_EQ(UF_ATTR_find_attribute(r, UF_ATTR_string, "RIVET", &type), 0);                   // call 4
    EXPECT_EQ(UF_PART_ask_display_part(), NULL_TAG) << "a failed query answers the null tag";  // call 5
    char text[UF_MAX_FAIL_MESSAGE_SIZE + 1];
    ASSERT_EQ(UF_get_fail_message(42, text), 0);
    EXPECT_STREQ(text, "NX error 42");
    UF_terminate();
    EXPECT_EQ(UF_ATTR_find_attribute(r, UF_ATTR_string, "RIVET", &type), code::kNotInitialized);
}

int g_activations = 0;
int on_activate(int dialog, void *, UF_STYLER_item_value_type_p_t data) {
    ++g_activations;
    // Grey the item that fired, through the record that came with the callback.
    data->item_attr = UF_STYLER_SENSITIVITY;
    data->value.integer = 0;
    return UF_STYLER_set_value(dialog, data) == 0 ? 0 : 1;
}
int on_constructor(int dialog, void *, UF_STYLER_item_value_type_p_t) {
    UF_STYLER_item_value_type_t v{};
    v.item_id = "NAME";
    v.item_attr = UF_STYLER_VALUE;
    char text[] = "from constructor";
    v.value.string = text;
    if (UF_STYLER_set_value(dialog, &v) != 0) return 1;
    char a[] = "x", b[] = "y";
    char *entries[] = {a, b};
    UF_STYLER_item_value_type_t l{};
    l.item_id = "LIST";
    l.item_attr = UF_STYLER_SUBITEM_VALUES;
    l.count = 2;
    l.value.strings = entries;
    return UF_STYLER_set_value(dialog, &l) == 0 ? 0 : 1;
}
std::string g_seen;
int on_ok(int dialog, void *, UF_STYLER_item_value_type_p_t) {
    UF_STYLER_item_value_type_t v{};
    v.item_id = "NAME";
    v.item_attr = UF_STYLER_VALUE;
    if (UF_STYLER_ask_value(dialog, &v) != 0) return 1;
    g_seen = v.value.string;
    UF_STYLER_free_value(&v);
    v.item_id = "LIST";
    if (UF_STYLER_ask_value(dialog, &v) != 0) return 1;
    g_seen += "|" + std::to_string(v.value.integer);
    return 1;
}
int on_apply(int, void *, UF_STYLER_item_value_type_p_t) { return 1; }

TEST_F(HostTest, StylerRunsConstructorStepsAndCallbacks) {
    std::ofstream(run_dir / "D" / "application" / "t.dlg") << R"({"buttons": ["ok", "apply", "cancel"], "items": [
              {"id": "NAME", "kind": "text", "value": "file"}, {"id": "LIST", "kind": "list"}]})";
    UF_STYLER_callback_info_t table[] = {
        styler_callback(UF_STYLER_DIALOG_INDEX, UF_STYLER_CONSTRUCTOR_CB, 0, on_constructor),
        styler_callback(UF_STYLER_DIALOG_INDEX, UF_STYLER_OK_CB, 0, on_ok),
        styler_callback(UF_STYLER_DIALOG_INDEX, UF_STYLER_APPLY_CB, 0, on_apply),
        styler_callback("NAME", UF_STYLER_ACTIVATE_CB, 0, on_activate),
        styler_callback("LIST", UF_STYLER_ACTIVATE_CB, 0, on_activate),
        styler_callback(UF_STYLER_NULL_OBJECT, UF_STYLER_NO_CB, 0, nullptr),
    };
    play(R"({"actions": [
        {"styler": [{"enter": "NAME", "value": "typed"}, {"type": "NAME", "value": "ignored"},
                    {"pick": "LIST", "text": "y"}, {"pick": "LIST", "entry": 0}, "ok"]},
        {"styler": ["apply"]},
        {"styler": [{"respond": 1}]}]})");
    int response = 0;
    g_activations = 0;
    ASSERT_EQ(UF_STYLER_create_dialog("D:\\application\\t.dlg", table, 6, nullptr, &response), 0);
    EXPECT_EQ(response, UF_UI_OK);
    EXPECT_EQ(g_activations, 2) << "greyed items neither change nor fire";
    EXPECT_EQ(g_seen, "typed|1");
    ASSERT_EQ(UF_STYLER_create_dialog("D:\\application\\t.dlg", table, 6, nullptr, &response), 0);
    EXPECT_EQ(response, UF_UI_CB_TERMINATE) << "Apply returning 1 closes the dialog";
    ASSERT_EQ(UF_STYLER_create_dialog("D:\\application\\t.dlg", table, 6, nullptr, &response), 0);
    EXPECT_EQ(response, UF_UI_PICK_RESPONSE);
    EXPECT_EQ(UF_STYLER_create_dialog("D:\\application\\none.dlg", table, 6, nullptr, &response), code::kDialogFile);
    EXPECT_FALSE(Host::get().aborted()) << Host::get().script_error;
}

TEST(SessionFile, BadInputNamesTheFileAndThePlace) {
    struct bad {
        const char *json;
        const char *message;
    };
    const bad cases[] = {
        {"{\"parts\": [", "s.json:1:12: not valid JSON"},
        {R"({"parts": [{"name": "A", "components": [{"name": "C", "part": "B"}]}]})",
         "s.json: parts[0].components[0].part: names no part of the session"},
        {R"({"parts": [{"name": "A", "units": "mm"}]})", "s.json: parts[0].units: expected a whole number"},
        {R"({"parts": [{"name": "A"}], "display": "B"})", "s.json: display: names no part of the session"},
        {R"({"parts": [{"name": "A", "components": [{"name": "C", "part": "A"}]}]})", "contains itself"},
        {R"({"parts": [{"name": "A", "colour": []}]})", "s.json: parts[0]: unknown key \"colour\""},
        {R"({"parts": [{"name": "A", "components": [{"name": "0123456789012345678901234567890", "part": "A"}]}]})",
         "longer than 30 characters"},
        {R"({"parts": [{"name": "A", "components": [{"name": "C", "part": "A", "x": [1, 1, 0]}]}]})",
         "unit vectors at right angles"},
    };
    for (const auto &c : cases) {
        try {
            session_from_json(parse_json_text(c.json, "s.json"), "s.json");
            ADD_FAILURE() << "accepted: " << c.json;
        } catch (const InputError &e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
    }
}

TEST(SessionFile, SavesWhatItLoaded) {
    auto s = session_from_json(parse_json_text(kSession, "s"), "s");
    Json first = session_to_json(*s);
    auto again = session_from_json(first, "again");
    EXPECT_EQ(session_to_json(*again).dump(), first.dump());
}

TEST(Text, Cp1251RoundTripKeepsEveryByte) {
    std::string all;
    for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
    auto back = utf8_to_cp1251(cp1251_to_utf8(all));
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, all);
    EXPECT_FALSE(utf8_to_cp1251("\xF0\x9F\x98\x80"));  // no such character in Windows-1251
    EXPECT_FALSE(utf8_to_cp1251("\xD0"));              // cut short
}

TEST(Text, OverlongUtf8IsRefused) {
    // Longer forms of "A", NUL and U+0410 (in Windows-1251): not UTF-8, whatever they decode to.
    for (const char *overlong : {"\xC1\x81", "\xC0\x80", "\xE0\x81\x81", "\xE0\x90\x90", "\xF0\x80\x90\x90"}) {
        SCOPED_TRACE(overlong);
        EXPECT_FALSE(utf8_to_cp1251(std::string("PART/") + overlong));
    }
    EXPECT_EQ(utf8_to_cp1251("\xD0\x90"), std::string("\xC0"));  // U+0410 in its own form
}

}  // namespace

namespace {

using command_result = scenario::child_result;

command_result run_nxsim(const std::string &args) { return scenario::run_shell(std::string(NXSIM_EXE) + " " + args); }

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::ofstream(dir / "s.json") << R"({"display": "@DB/A/A", "parts": [{"name": "@DB/A/A"}]})";
        std::ofstream(dir / "x.json") << R"({"actions": []})";
    }
    std::string common(const std::string &tool) {
        return "run --session " + (dir / "s.json").string() + " --script " + (dir / "x.json").string() + " --run-dir " +
               (dir / "run").string() + " --tools-dir " TEST_TOOLS_DIR " --tool " + tool;
    }
    scenario::temp_dir scratch{"nxsim-prog"};
    fs::path dir = scratch.path();
};

TEST_F(ProgramTest, EveryRunStartsFromFreshModuleState) {
    std::ofstream(dir / "w.json") << R"({"session": "s.json", "runs": [
        {"tool": "counting_tool", "script": "x.json"}, {"tool": "counting_tool", "script": "x.json"}]})";
    command_result r = run_nxsim("play " + (dir / "w.json").string() + " --run-dir " + (dir / "play").string() +
                                 " --tools-dir " TEST_TOOLS_DIR);
    ASSERT_EQ(r.exit_code, 0) << r.out;
    EXPECT_NE(r.out.find("01 counting_tool       return code 1"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("02 counting_tool       return code 1"), std::string::npos) << r.out;
}

TEST_F(ProgramTest, AToolThatStaysLoadedFailsTheRun) {
    std::string before = scenario::read_file(dir / "s.json");
    command_result r = run_nxsim(common("sticky_tool"));
    EXPECT_EQ(r.exit_code, 1) << r.out;
    EXPECT_NE(r.out.find("stayed loaded"), std::string::npos) << r.out;
    EXPECT_EQ(scenario::read_file(dir / "s.json"), before);
}

TEST_F(ProgramTest, BadInputIsOneLineNamingFileAndPlace) {
    command_result r = run_nxsim(common("no_such_tool"));
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_NE(
        r.out.find(
            "unknown tool 'no_such_tool' (the tools are changing_tool, counting_tool, file_tool, leaky_tool, sticky_tool)"),
        std::string::npos)
        << r.out;
    std::ofstream(dir / "x.json") << R"({"actions": [{"select": "R1"}]})";
    r = run_nxsim(common("counting_tool"));
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_NE(r.out.find("x.json: actions[0].select: expected a list"), std::string::npos) << r.out;
    std::ofstream(dir / "y.json") << R"({"actions": []})";
    std::ofstream(dir / "w.json") << R"({"session": "s.json", "runs": [{"tool": "counting_tool", "script": "y.json"},
                                         {"tool": "nope", "script": "y.json"}]})";
    r = run_nxsim("play " + (dir / "w.json").string() + " --run-dir " + (dir / "play").string() +
                  " --tools-dir " TEST_TOOLS_DIR);
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_NE(
        r.out.find("w.json: runs[1].tool: unknown tool 'nope' (the tools are changing_tool, counting_tool, file_tool, "
                   "leaky_tool, sticky_tool)"),
        std::string::npos)
        << r.out;
    EXPECT_FALSE(fs::exists(dir / "play" / "session.json")) << "nothing runs before the workflow is checked";
}

}  // namespace
