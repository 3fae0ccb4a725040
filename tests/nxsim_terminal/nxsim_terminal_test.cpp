// The terminal's line grammar and its recorder, in-process: what each typed line stands
// for (or what the engineer is told), and the script the answers make.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "terminal_grammar.h"
#include "terminal_recorder.h"

using namespace nxsim;
using namespace nxsim::terminal;
using Kind = SelectionLine::Kind;

TEST(TerminalGrammar, SelectionWordsAreReadWhateverTheirCase) {
    EXPECT_EQ(read_selection("HELP", 0, false).kind, Kind::Help);
    EXPECT_EQ(read_selection("Tree", 0, false).kind, Kind::Tree);
    SelectionLine list = read_selection("List S001R*", 0, false);
    EXPECT_EQ(list.kind, Kind::List);
    EXPECT_EQ(list.pattern, "S001R*");
    SelectionLine back = read_selection("Back", 0, false);
    EXPECT_EQ(back.kind, Kind::Press);
    EXPECT_EQ(back.press, Press::Back);
    SelectionLine respond = read_selection("respond -7", 0, false);
    EXPECT_EQ(respond.kind, Kind::Press);
    EXPECT_EQ(respond.press, Press::Code);
    EXPECT_EQ(respond.code, -7);
    SelectionLine wrong = read_selection("respond 99999999999", 0, false);
    EXPECT_EQ(wrong.kind, Kind::Problem);
    EXPECT_EQ(wrong.problem, "respond needs a response number");
}

TEST(TerminalGrammar, NumbersAndRangesOfTheLastList) {
    SelectionLine picked = read_selection("2 4-6 1", 6, false);
    ASSERT_EQ(picked.kind, Kind::Numbers);
    EXPECT_EQ(picked.numbers, (std::vector<size_t>{2, 4, 5, 6, 1}));
    EXPECT_EQ(read_selection("7", 6, false).problem, "7: the list runs from 1 to 6");
    EXPECT_EQ(read_selection("3-2", 6, false).problem, "3-2: the list runs from 1 to 6");
    EXPECT_EQ(read_selection("1", 0, false).problem, "1: nothing is listed");
    EXPECT_EQ(read_selection("1 2", 6, true).problem, "the dialog takes one object");
    EXPECT_EQ(read_selection("2", 6, true).numbers, (std::vector<size_t>{2}));
}

TEST(TerminalGrammar, AnythingElseIsOneReference) {
    SelectionLine ref = read_selection("SUB1/R*", 6, false);
    EXPECT_EQ(ref.kind, Kind::Reference);
    EXPECT_EQ(ref.reference, "SUB1/R*");
    // A number followed by a word, a negative number, a word of the grammar after pick, a quoted text.
    EXPECT_EQ(read_selection("1 R7", 6, false).reference, "1 R7");
    EXPECT_EQ(read_selection("-1", 6, false).reference, "-1");
    EXPECT_EQ(read_selection("pick ok", 6, false).reference, "ok");
    EXPECT_EQ(read_selection("\" R 7 \"", 6, false).reference, " R 7 ");
    EXPECT_EQ(read_selection("\"\"", 6, false).problem, "not a reference; help lists the answers");
    EXPECT_EQ(read_selection("\"open", 6, false).problem, "not a reference; help lists the answers");
}

TEST(TerminalGrammar, ChoiceByNumberTextOrWord) {
    std::vector<std::string> options{"first", "second"};
    EXPECT_EQ(read_choice("6", options), 6);
    EXPECT_EQ(read_choice("second", options), 6);
    EXPECT_EQ(read_choice("\"first\"", options), 5);
    EXPECT_EQ(read_choice("19", options), 19);
    EXPECT_EQ(read_choice("back", options), 1);
    EXPECT_EQ(read_choice("cancel", options), 2);
    EXPECT_FALSE(read_choice("7", options));
    EXPECT_FALSE(read_choice("3", options));
    EXPECT_FALSE(read_choice("\"back\"", options));
}

TEST(TerminalGrammar, QuestionByLabelAnyCaseOrResponse) {
    std::vector<std::string> labels{"Yes", "No"};
    std::vector<int> responses{1, 2};
    EXPECT_EQ(read_question("No", labels, responses).response, 2);
    EXPECT_EQ(read_question("yes", labels, responses).response, 1);
    EXPECT_EQ(read_question("2", labels, responses).response, 2);
    EXPECT_FALSE(read_question("3", labels, responses).response);
    EXPECT_TRUE(read_question("help", labels, responses).help);
    // A button labelled help is a button.
    QuestionLine help_button = read_question("help", {"help"}, {1});
    EXPECT_FALSE(help_button.help);
    EXPECT_EQ(help_button.response, 1);
}

TEST(TerminalGrammar, PartNameWithUnitsOrCancel) {
    PartLine named = read_part("D:\\parts\\p 1.prt units 2", "new_part", true);
    ASSERT_TRUE(named.record);
    EXPECT_EQ(named.record->dump(), R"({"new_part":"D:\\parts\\p 1.prt","units":2})");
    // Units are a new part's only.
    EXPECT_EQ(read_part("P units 2", "open_part", false).record->dump(), R"({"open_part":"P units 2"})");
    EXPECT_EQ(read_part("cancel", "part_name", false).record->dump(), R"({"part_name":null})");
    EXPECT_EQ(read_part("\"cancel\"", "part_name", false).record->dump(), R"({"part_name":"cancel"})");
    EXPECT_TRUE(read_part("help", "part_name", false).help);
    EXPECT_EQ(read_part("\"cut", "part_name", false).problem, "a quoted name must be one JSON string");
}

TEST(TerminalGrammar, DialogStepsAsTheScriptCarriesThem) {
    DialogLayout d;
    d.buttons = {"ok", "cancel"};
    auto item = [&](const char *id, ItemKind kind) {
        DialogItem i;
        i.id = id;
        i.kind = kind;
        d.items.push_back(i);
        return &d.items.back();
    };
    item("name", ItemKind::Text);
    item("count", ItemKind::Integer);
    item("kind", ItemKind::List)->entries = {"A", "B"};
    item("flag", ItemKind::Toggle);
    item("grey", ItemKind::Real)->sensitive = false;
    auto step = [&](const std::string &line) {
        StepLine s = read_step(d, line);
        return s.step ? s.step->dump() : "refused: " + s.problem;
    };
    EXPECT_EQ(step("OK"), R"("ok")");
    EXPECT_EQ(step("apply"), "refused: the dialog has no apply button");
    EXPECT_EQ(step("respond 3"), R"({"respond":3})");
    EXPECT_EQ(step("type NAME \" a b \""), R"({"type":"name","value":" a b "})");
    EXPECT_EQ(step("enter count 12"), R"({"enter":"count","value":12})");
    EXPECT_EQ(step("enter count 1.5"), "refused: count takes a whole number");
    EXPECT_EQ(step("enter flag 2"), "refused: flag takes 0 or 1");
    EXPECT_EQ(step("pick kind 1"), R"({"pick":"kind","entry":1})");
    EXPECT_EQ(step("pick kind B"), R"({"pick":"kind","text":"B"})");
    EXPECT_EQ(step("pick kind 2"), "refused: kind has entries 0 to 1");
    EXPECT_EQ(step("pick kind C"), "refused: kind has no such entry");
    EXPECT_EQ(step("pick name x"), "refused: name is not a list");
    EXPECT_EQ(step("enter kind A"), "refused: kind is a list: pick an entry");
    EXPECT_EQ(step("enter grey 1"), "refused: grey is greyed: it cannot be changed now");
    EXPECT_EQ(step("enter other 1"), "refused: the dialog has no item other");
    EXPECT_EQ(step("enter"), "refused: enter needs an item");
    EXPECT_EQ(step("press ok"), "refused: not a step; help lists them");
}

TEST(TerminalRecorder, WaitsGoBeforeTheirAnswerWhateverCameAfter) {
    Recorder r;
    EXPECT_EQ(r.script(default_clock()),
              "{\n \"clock\": \"" + clock_text(default_clock()) + "\",\n \"actions\": []\n}\n");
    Recorder::Entry first = r.add(Json{{"select", Json::array({"R[1]"})}});
    Recorder::Entry second = r.add(Json{{"choice", 5}});
    r.add(Json{{"message_dialog", 1}});
    r.wait_before(second, 12);
    r.wait_before(first, 3);
    (*second)["choice"] = 6;  // an answer still being given stays where it is
    EXPECT_EQ(r.script(default_clock()), "{\n \"clock\": \"" + clock_text(default_clock()) +
                                             "\",\n \"actions\": [\n  {\"wait\":3},\n  {\"select\":[\"R[1]\"]},\n"
                                             "  {\"wait\":12},\n  {\"choice\":6},\n  {\"message_dialog\":1}\n ]\n}\n");
}
