// Picks by pattern come from the ordered name index: the same components in the
// same order as matching every name of the part in list order, through removals,
// additions after them and a run taken back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model.h"
#include "references.h"

using namespace nxsim;

namespace {

// List order differs from name order: joints added out of turn, one name twice,
// names that begin other names, an empty name and a Windows-1251 letter.
const char *const kNames[] = {"S002R01", "S001R10", "S001R02", "S001R1", "S001R01", "S0010",   "S001R02",
                              "S003R01", "S001R9",  "",        "S001R",  "\xC0R1",  "S001R100"};

struct Panel {
    Session session;
    Part *part = nullptr;

    Panel() {
        part = session.add_part("@DB/PANEL/A");
        session.add_part("@DB/R/A");
        session.display = session.work = part;
        for (const char *name : kNames) session.add_instance(part, name, "@DB/R/A");
    }

    // What every pick did before the index: each component of the list, in turn.
    std::vector<Instance *> scanned(const std::string &pattern) const {
        std::vector<Instance *> found;
        for (Instance *inst : part->components)
            if (pattern.find_first_of("*?") == std::string::npos ? inst->name == pattern
                                                                 : glob_match(pattern, inst->name))
                found.push_back(inst);
        return found;
    }

    std::vector<std::string> names_of(const std::vector<Instance *> &instances) const {
        std::vector<std::string> names;
        for (const Instance *i : instances) names.push_back(i->name);
        return names;
    }
};

struct PatternCase {
    const char *pattern;
    std::vector<std::string> names;  // in list order
};

const PatternCase kCases[] = {
    {"S001R*", {"S001R10", "S001R02", "S001R1", "S001R01", "S001R02", "S001R9", "S001R", "S001R100"}},
    {"S001R?", {"S001R1", "S001R9"}},
    {"S001R1*", {"S001R10", "S001R1", "S001R100"}},
    {"S001R1?", {"S001R10"}},
    {"S001R*0", {"S001R10", "S001R100"}},
    {"S00?R01", {"S002R01", "S001R01", "S003R01"}},
    {"?001R1", {"S001R1"}},
    {"*R01", {"S002R01", "S001R01", "S003R01"}},
    {"*",
     {"S002R01", "S001R10", "S001R02", "S001R1", "S001R01", "S0010", "S001R02", "S003R01", "S001R9", "", "S001R",
      "\xC0R1", "S001R100"}},
    {"?", {}},
    {"S001R02", {"S001R02", "S001R02"}},
    {"S001R", {"S001R"}},
    {"", {""}},
    {"\xC0*", {"\xC0R1"}},
    {"S009*", {}},
    {"S001R1000*", {}},
    {"ZZZ", {}},
    {"S001R*?", {"S001R10", "S001R02", "S001R1", "S001R01", "S001R02", "S001R9", "S001R100"}},
};

TEST(NameIndex, PatternsGiveWhatTheListGaveInItsOrder) {
    Panel p;
    for (const PatternCase &c : kCases) {
        EXPECT_EQ(p.names_of(p.scanned(c.pattern)), c.names) << "the table itself: " << c.pattern;
        EXPECT_EQ(p.session.matching(p.part, c.pattern), p.scanned(c.pattern)) << c.pattern;
        if (std::string(c.pattern).find_first_of("*?") != std::string::npos) {
            EXPECT_EQ(p.session.names(p.part).match(c.pattern), p.scanned(c.pattern)) << c.pattern;
        }
    }
}

TEST(NameIndex, PlainPrefixStopsAtTheFirstWildcard) {
    const std::pair<const char *, const char *> cases[] = {{"S001R*", "S001R"}, {"S0?1R*", "S0"},       {"*R1", ""},
                                                           {"?", ""},           {"S001R10", "S001R10"}, {"", ""}};
    for (const auto &[pattern, prefix] : cases) EXPECT_EQ(NameIndex::plain_prefix(pattern), prefix) << pattern;
}

// A transfer removes rivets and adds them again elsewhere; a failed run is taken back.
TEST(NameIndex, StaysInListOrderThroughRemovalsAdditionsAndUndo) {
    Panel p;
    ASSERT_FALSE(p.session.matching(p.part, "S001R*").empty());  // the index is built from here on
    std::vector<Instance *> all(p.part->components.begin(), p.part->components.end());
    p.session.remove_instance(all[2]);  // the first S001R02
    p.session.remove_instance(all[3]);  // S001R1
    p.session.add_instance(p.part, "S001R1", "@DB/R/A");
    p.session.add_instance(p.part, "S001R05", "@DB/R/A");
    p.session.add_instance(p.part, "S001R02", "@DB/R/A");
    for (const PatternCase &c : kCases)
        EXPECT_EQ(p.session.matching(p.part, c.pattern), p.scanned(c.pattern)) << c.pattern;
    EXPECT_EQ(p.names_of(p.session.matching(p.part, "S001R0*")),
              (std::vector<std::string>{"S001R01", "S001R02", "S001R05", "S001R02"}));

    p.session.begin_journal();
    std::vector<Instance *> before = p.session.matching(p.part, "S001R*");
    for (Instance *i : before) p.session.remove_instance(i);
    p.session.add_instance(p.part, "S001R77", "@DB/R/A");
    EXPECT_EQ(p.names_of(p.session.matching(p.part, "S001R*")), (std::vector<std::string>{"S001R77"}));
    p.session.rollback_journal();
    EXPECT_EQ(p.session.matching(p.part, "S001R*"), before);
    for (const PatternCase &c : kCases)
        EXPECT_EQ(p.session.matching(p.part, c.pattern), p.scanned(c.pattern)) << c.pattern;
}

// The references of a script pick through the index: "R[k]" counts among the matches.
TEST(NameIndex, ReferencesPickInListOrder) {
    Panel p;
    std::vector<std::string> described;
    for (tag_t t : resolve(p.session, "S001R1*")) described.push_back(describe(p.session, t));
    EXPECT_EQ(described, (std::vector<std::string>{"S001R10", "S001R1", "S001R100"}));
    std::vector<tag_t> second = resolve(p.session, "S001R0?[2]");
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(describe(p.session, second[0]), "S001R01");
    EXPECT_EQ(describe(p.session, resolve(p.session, "S001R02[2]").at(0)), "S001R02[2]");
}

}  // namespace
