// The session model's indexes give the answers the tree walks gave: the first
// occurrence of a part in depth-first order, siblings in list order after removals,
// and a run taken back to the last detail.
#include <gtest/gtest.h>

#include "dialog_file.h"
#include "references.h"
#include "session_file.h"

using namespace nxsim;

namespace {

std::unique_ptr<Session> load(const char *text) { return session_from_json(parse_json_text(text, "s"), "s"); }

// ASM: A (SUB, which holds X of T), B (T), C (SUB2 not loaded, which holds T).
const char *kNested = R"({"display": "@DB/ASM/A", "parts": [
  {"name": "@DB/ASM/A", "components": [{"name": "A", "part": "@DB/SUB/A", "origin": [100, 0, 0]},
                                       {"name": "B", "part": "@DB/T/A", "origin": [5, 0, 0]},
                                       {"name": "C", "part": "@DB/SUB2/A"}]},
  {"name": "@DB/SUB/A", "components": [{"name": "Y", "part": "@DB/LEAF/A"},
                                       {"name": "X", "part": "@DB/T/A", "origin": [0, 7, 0]}]},
  {"name": "@DB/SUB2/A", "loaded": false, "components": [{"name": "Z", "part": "@DB/T/A"}]},
  {"name": "@DB/T/A"}, {"name": "@DB/LEAF/A"}]})";

TEST(SessionModel, TheFirstOccurrenceOfAPartIsTheDepthFirstOne) {
    auto s = load(kNested);
    Part *t = s->find_part("@DB/T/A");
    tag_t occ = s->find_occurrence_of_part(s->display, t);
    EXPECT_EQ(describe(*s, occ), "A/X") << "A's branch comes before B, however deep";
    Frame f = s->absolute(*s->occurrence(occ));
    EXPECT_DOUBLE_EQ(f.origin[0], 100);
    EXPECT_DOUBLE_EQ(f.origin[1], 7);

    s->remove_instance(s->find_part("@DB/SUB/A")->components.next(s->find_part("@DB/SUB/A")->components.next(nullptr)));
    EXPECT_EQ(describe(*s, s->find_occurrence_of_part(s->display, t)), "B") << "X removed: B is next";

    Instance *b = *std::next(s->display->components.begin());
    s->remove_instance(b);
    EXPECT_EQ(s->find_occurrence_of_part(s->display, t), NULL_TAG) << "SUB2 is not loaded: its Z does not count";
    s->find_part("@DB/SUB2/A")->loaded = true;
    EXPECT_EQ(describe(*s, s->find_occurrence_of_part(s->display, t)), "C/Z");
    EXPECT_EQ(s->find_occurrence_of_part(s->display, s->display), NULL_TAG) << "the root is no occurrence of itself";
}

TEST(SessionModel, ComponentListsKeepTheirOrderThroughRemovalsAndSqueezing) {
    std::string text = R"({"display": "@DB/ASM/A", "parts": [{"name": "@DB/ASM/A", "components": [)";
    for (int i = 0; i < 100; ++i)
        text += std::string(i ? "," : "") + R"({"name": "R)" + std::to_string(i) + R"(", "part": "@DB/R/A"})";
    text += R"(]}, {"name": "@DB/R/A"}]})";
    auto s = load(text.c_str());
    std::vector<Instance *> all(s->display->components.begin(), s->display->components.end());
    for (int i = 0; i < 100; ++i)
        if (i % 3 != 0) s->remove_instance(all[i]);
    std::vector<std::string> left;
    for (Instance *i = s->display->components.next(nullptr); i != nullptr; i = s->display->components.next(i))
        left.push_back(i->name);
    ASSERT_EQ(left.size(), 34u);
    EXPECT_EQ(s->display->components.size(), 34u);
    EXPECT_EQ(left[1], "R3");
    EXPECT_EQ(left[33], "R99");
    std::vector<tag_t> picked = resolve(*s, "R*");
    ASSERT_EQ(picked.size(), 34u);
    EXPECT_EQ(describe(*s, picked[2]), "R6");
}

TEST(SessionModel, ARunTakenBackLeavesTheSessionAsItWas) {
    auto s = load(kNested);
    std::string before = session_text(*s);
    s->begin_journal();
    Instance *a = *s->display->components.begin();
    s->touch(a);
    a->color = 9;
    a->attributes.set({"MARK", AttrType::String, "x", 0, 0});
    s->touch(a);
    a->object_name = "CHANGED";
    s->remove_instance(*std::next(s->display->components.begin()));
    Instance *added = s->add_instance(s->display, "NEW", "@DB/T/A");
    added->color = 4;
    Part *p = s->add_part("@DB/NEW/A");
    s->display = p;
    Part *sub = s->find_part("@DB/SUB/A");
    s->touch(sub);
    sub->loaded = false;
    s->discard_part(s->find_part("@DB/LEAF/A"));
    EXPECT_NE(session_text(*s), before);
    s->rollback_journal();
    EXPECT_EQ(session_text(*s), before);
    EXPECT_EQ(describe(*s, s->find_occurrence_of_part(s->display, s->find_part("@DB/T/A"))), "A/X");
    EXPECT_EQ(s->find_part("@DB/NEW/A"), nullptr);
}

// The transcript and the terminal show an item's value alike; only a list with no
// entry selected reads as each caller names it.
TEST(DialogItems, ValueTextIsTheSameForHostAndTerminalButAnEmptyList) {
    auto item = [](ItemKind kind) {
        DialogItem i;
        i.kind = kind;
        return i;
    };
    DialogItem text = item(ItemKind::Text);
    text.text = "a\tb \"\xE0\"";  // Windows-1251 a-cyrillic
    DialogItem integer = item(ItemKind::Integer);
    integer.integer = -12;
    DialogItem toggle = item(ItemKind::Toggle);
    toggle.integer = 1;
    DialogItem real = item(ItemKind::Real);
    real.real = 0.95;
    DialogItem none = item(ItemKind::List);
    none.entries = {"x", "y"};
    DialogItem picked = none;
    picked.selected = 1;
    struct Row {
        const DialogItem &item;
        const char *shown;
    };
    const Row rows[] = {
        {text, "\"a\\tb \\\"\xD0\xB0\\\"\""}, {integer, "-12"}, {toggle, "1"}, {real, "0.95"}, {picked, "1 \"y\""},
    };
    for (const Row &r : rows) {
        EXPECT_EQ(item_value_text(r.item, "-1"), r.shown);
        EXPECT_EQ(item_value_text(r.item, "none selected"), r.shown);
    }
    EXPECT_EQ(item_value_text(none, "-1"), "-1");
    EXPECT_EQ(item_value_text(none, "none selected"), "none selected");
}

}  // namespace
