// The shared steps' contracts that no scenario pins alone: owners free on every way
// out, a failure on the way out does not hide the one that ended the step, and a
// step stops at its first failing call.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/steps.h"
#include "common/tool_run.h"
#include "common/vocabulary.h"
#include "host.h"
#include "references.h"

namespace {

constexpr int LIST_FAULT = 610001;
constexpr int EARLIER_FAILURE = 515003;

class Steps : public ::testing::Test {
protected:
    void SetUp() override {
        nxsim::Host::get().reset();
        ASSERT_EQ(UF_initialize(), 0);
    }
    void TearDown() override {
        UF_terminate();
        nxsim::Host::get().faults.clear();
        error_log = nullptr;
    }
    static void fail(const char *call, long nth, int code) {
        nxsim::Host::get().faults.push_back(nxsim::Fault{call, nth, 0, code});
    }
    static long calls(const char *call) { return nxsim::Host::get().calls_by_name[call]; }
};

TEST_F(Steps, ListRemovedAtTheRegularEndIsGoneOnce) {
    {
        host_list list(report_error);
        ASSERT_EQ(list.create(), 0);
        EXPECT_EQ(nxsim::Host::get().lists.size(), 1u);
        EXPECT_EQ(list.remove(), 0);
        EXPECT_EQ(list.list, nullptr);
    }
    EXPECT_TRUE(nxsim::Host::get().lists.empty());
    EXPECT_EQ(calls("UF_MODL_delete_list"), 1);
}

TEST_F(Steps, ListLeftOnAFailedWayOutIsDeletedByItsOwner) {
    {
        host_list list(report_error);
        ASSERT_EQ(list.create(), 0);
        error_code = EARLIER_FAILURE;
    }
    EXPECT_TRUE(nxsim::Host::get().lists.empty());
    EXPECT_EQ(error_code, EARLIER_FAILURE);
}

TEST_F(Steps, FailingDeleteOnTheWayOutIsReportedButKeepsTheEarlierFailure) {
    fail("UF_MODL_delete_list", 1, LIST_FAULT);
    uf_list_p_t kept = nullptr;
    {
        host_list list(report_error);
        ASSERT_EQ(list.create(), 0);
        kept = list.list;
        error_code = EARLIER_FAILURE;
    }
    EXPECT_EQ(error_code, EARLIER_FAILURE);
    EXPECT_EQ(calls("UF_MODL_delete_list"), 1);
    const auto &t = nxsim::Host::get().transcript;
    ASSERT_FALSE(t.empty());
    EXPECT_EQ(t.back(), "status \"Invalid list\"");
    EXPECT_EQ(UF_MODL_delete_list(&kept), 0);  // the host kept what it failed to delete
}

TEST_F(Steps, FailingRemoveIsNotTriedAgainByTheOwner) {
    fail("UF_MODL_delete_list", 1, LIST_FAULT);
    uf_list_p_t kept = nullptr;
    {
        host_list list(report_error);
        ASSERT_EQ(list.create(), 0);
        kept = list.list;
        EXPECT_EQ(list.remove(), LIST_FAULT);
        EXPECT_EQ(error_code, LIST_FAULT);
    }
    EXPECT_EQ(calls("UF_MODL_delete_list"), 1);
    EXPECT_EQ(UF_MODL_delete_list(&kept), 0);  // the host kept what it failed to delete
}

TEST_F(Steps, FailedCreateLeavesNothingToDelete) {
    fail("UF_MODL_create_list", 1, LIST_FAULT);
    {
        host_list list(nullptr);
        EXPECT_EQ(list.create(), LIST_FAULT);
        EXPECT_EQ(list.list, nullptr);
    }
    EXPECT_EQ(calls("UF_MODL_delete_list"), 0);
    EXPECT_EQ(nxsim::Host::get().transcript.size(), 1u);  // the fault note alone: not reported
}

// Owners and steps given no reporter leave the failure to their caller: the code
// comes back, nothing reaches the status line (the transcript holds the fault note
// alone), and the host keeps the list it failed to delete.
TEST_F(Steps, ListFailuresWithoutReporterAreLeftToTheCaller) {
    for (bool removed : {false, true}) {
        SCOPED_TRACE(removed ? "remove()" : "destructor");
        nxsim::Host::get().reset();
        ASSERT_EQ(UF_initialize(), 0);
        fail("UF_MODL_delete_list", 1, LIST_FAULT);
        uf_list_p_t kept = nullptr;
        {
            host_list list(nullptr);
            ASSERT_EQ(list.create(), 0);
            kept = list.list;
            if (removed) {
                EXPECT_EQ(list.remove(), LIST_FAULT);
            }
        }
        EXPECT_EQ(calls("UF_MODL_delete_list"), 1);
        EXPECT_EQ(nxsim::Host::get().transcript.size(), 1u);
        EXPECT_EQ(UF_MODL_delete_list(&kept), 0);
        UF_terminate();
        nxsim::Host::get().faults.clear();
    }
}

TEST_F(Steps, RemovingAListNeverMadeCallsNothing) {
    host_list list(report_error);
    error_code = EARLIER_FAILURE;
    EXPECT_EQ(list.remove(), 0);
    EXPECT_EQ(error_code, EARLIER_FAILURE);
    EXPECT_EQ(calls("UF_MODL_delete_list"), 0);
}

TEST_F(Steps, UnhighlightWithoutReporterAnswersTheCode) {
    fail("UF_DISP_set_highlight", 1, EARLIER_FAILURE);
    const tag_t objects[] = {101, 102, 103};
    EXPECT_EQ(unhighlight(objects, 3, nullptr), EARLIER_FAILURE);
    EXPECT_EQ(calls("UF_DISP_set_highlight"), 1);
    EXPECT_EQ(nxsim::Host::get().transcript.size(), 1u);
}

TEST_F(Steps, SelectionFailingWithoutReporterEndsFailedAndEmpty) {
    fail("UF_UI_select_with_class_dialog", 1, EARLIER_FAILURE);
    const component_selection dialog = {"cue", "title", component_mask_init, "nothing", nullptr};
    host_tags objects;
    EXPECT_EQ(select_components(dialog, objects), step::failed);
    EXPECT_EQ(error_code, EARLIER_FAILURE);
    EXPECT_EQ(objects.items, nullptr);
    EXPECT_EQ(objects.count, 0);
    EXPECT_EQ(nxsim::Host::get().transcript.size(), 1u);
}

TEST_F(Steps, UnhighlightStopsAtTheFirstFailingCall) {
    fail("UF_DISP_set_highlight", 1, EARLIER_FAILURE);
    const tag_t objects[] = {101, 102, 103};
    EXPECT_EQ(unhighlight(objects, 3, report_error), EARLIER_FAILURE);
    EXPECT_EQ(calls("UF_DISP_set_highlight"), 1);
    EXPECT_EQ(nxsim::Host::get().transcript.back(), "status \"Attribute could not be assigned\"");
}

TEST_F(Steps, UnhighlightOfNothingCallsNothing) {
    error_code = 0;
    EXPECT_EQ(unhighlight(nullptr, 0, report_error), 0);
    EXPECT_EQ(calls("UF_DISP_set_highlight"), 0);
}

TEST_F(Steps, HalfMadeInstanceTakenBackKeepsTheFailureThatStoppedIt) {
    nxsim::Session session;
    nxsim::Part *assembly = session.add_part("assembly");
    session.add_part("rivet");
    tag_t made = session.add_instance(assembly, "R1", "rivet")->tag;
    nxsim::Host::get().session = &session;
    error_code = EARLIER_FAILURE;
    bool gone = take_back_instance(made, __LINE__, report_error);
    nxsim::Host::get().session = nullptr;
    EXPECT_TRUE(gone);
    EXPECT_EQ(error_code, EARLIER_FAILURE);
    EXPECT_EQ(session.instance(made), nullptr);
    EXPECT_EQ(calls("UF_ASSEM_remove_instance"), 1);
}

TEST_F(Steps, FailingTakeBackIsReportedAfterTheFailureAndKeepsIt) {
    nxsim::Session session;
    nxsim::Host::get().session = &session;
    fail("UF_ASSEM_remove_instance", 1, LIST_FAULT);
    error_code = EARLIER_FAILURE;
    bool gone = take_back_instance(NULL_TAG, __LINE__, report_error);
    nxsim::Host::get().session = nullptr;
    EXPECT_FALSE(gone);
    EXPECT_EQ(error_code, EARLIER_FAILURE);
    EXPECT_EQ(calls("UF_ASSEM_remove_instance"), 1);
    const auto &t = nxsim::Host::get().transcript;
    ASSERT_GE(t.size(), 2u);
    EXPECT_EQ(t.back(), "status \"Invalid list\"");  // the remove's own failure, last
}

TEST_F(Steps, FailingTakeBackWithoutReporterAnswersFalseAndKeepsTheFailure) {
    nxsim::Session session;
    nxsim::Host::get().session = &session;
    fail("UF_ASSEM_remove_instance", 1, LIST_FAULT);
    error_code = EARLIER_FAILURE;
    bool gone = take_back_instance(NULL_TAG, __LINE__, nullptr);
    nxsim::Host::get().session = nullptr;
    EXPECT_FALSE(gone);
    EXPECT_EQ(error_code, EARLIER_FAILURE);
    EXPECT_EQ(calls("UF_ASSEM_remove_instance"), 1);
    EXPECT_EQ(nxsim::Host::get().transcript.size(), 1u);  // the fault note alone: not reported
}

// A route of two rivets under a shown assembly, the session the host's.
class Children : public Steps {
protected:
    void SetUp() override {
        Steps::SetUp();
        nxsim::Part *assembly = session.add_part("assembly");
        nxsim::Part *part = session.add_part("route");
        session.add_part("rivet");
        session.add_instance(part, "R1", "rivet");
        session.add_instance(part, "R2", "rivet");
        session.display = session.work = assembly;
        route = session.occurrence_of(assembly, NULL_TAG, session.add_instance(assembly, "RT", "route"));
        nxsim::Host::get().session = &session;
    }
    void TearDown() override {
        nxsim::Host::get().session = nullptr;
        Steps::TearDown();
    }
    nxsim::Session session;
    tag_t route = NULL_TAG;
};

TEST_F(Children, AskedReplaceWhatTheOwnerHeld) {
    host_tags children;
    ASSERT_EQ(ask_occurrence_children(route, children, report_error), 0);
    ASSERT_EQ(children.count, 2);
    EXPECT_EQ(describe(session, children.items[0]), "RT/R1");
    EXPECT_EQ(describe(session, children.items[1]), "RT/R2");
    // Asked again into the same owner (a route dialog shown again): the first array is
    // released, the sanitizer build sees any leak.
    ASSERT_EQ(ask_occurrence_children(children.items[0], children, report_error), 0);
    EXPECT_EQ(children.count, 0);
    EXPECT_EQ(children.items, nullptr);
}

// The host answers a failure as its code negated: the code, positive, is the step's
// answer and error_code, it is reported, and the owner holds nothing.
TEST_F(Children, FailureIsTheCodeNotANegativeCount) {
    host_tags children;
    ASSERT_EQ(ask_occurrence_children(route, children, nullptr), 0);
    fail("UF_ASSEM_ask_part_occ_children", 2, EARLIER_FAILURE);
    error_log = std::tmpfile();
    EXPECT_EQ(ask_occurrence_children(route, children, report_error), EARLIER_FAILURE);
    EXPECT_EQ(error_code, EARLIER_FAILURE);
    EXPECT_EQ(children.count, 0);
    EXPECT_EQ(children.items, nullptr);
    EXPECT_EQ(nxsim::Host::get().transcript.back(), "status \"Attribute could not be assigned\"");
    std::rewind(error_log);
    char line[200] = "";
    ASSERT_NE(std::fgets(line, sizeof line, error_log), nullptr);  // the layout's leading line end
    ASSERT_NE(std::fgets(line, sizeof line, error_log), nullptr);
    EXPECT_EQ(std::string(line).rfind("\terrorCode=515003\tmessage=Attribute could not be assigned\tline=", 0), 0u)
        << line;
    std::fclose(error_log);
}

TEST_F(Children, FailureWithoutReporterIsLeftToTheCaller) {
    fail("UF_ASSEM_ask_part_occ_children", 1, EARLIER_FAILURE);
    host_tags children;
    EXPECT_EQ(ask_occurrence_children(route, children, nullptr), EARLIER_FAILURE);
    EXPECT_EQ(children.count, 0);
    EXPECT_EQ(nxsim::Host::get().transcript.size(), 1u);  // the fault note alone: not reported
}

// A route whose second member is no rivet (it carries no rivet mark).
class RivetMembers : public Children {
protected:
    void SetUp() override {
        Children::SetUp();
        nxsim::Part *part = session.find_part("route");
        ASSERT_NE(part, nullptr);
        session.add_part("bracket");
        session.add_instance(part, "B1", "bracket");
        session.add_instance(part, "R3", "rivet");
        for (const char *rivet : {"R1", "R2", "R3"})
            for (nxsim::Instance *instance : session.matching(part, rivet))
                instance->attributes.set(nxsim::Attribute{RIVET_MARK_TITLE, nxsim::AttrType::String, "work"});
    }
};

TEST_F(RivetMembers, TheCyclePassesOverAllButRivets) {
    std::vector<std::string> met;
    tag_t member = NULL_TAG;
    for (;;) {
        ASSERT_EQ(next_rivet_member(route, member, report_error), 0);
        if (member == NULL_TAG) break;
        met.push_back(describe(session, member));
    }
    EXPECT_EQ(met, (std::vector<std::string>{"RT/R1", "RT/R2", "RT/R3"}));
}

TEST_F(RivetMembers, AFailingAttributeCallEndsTheCycleReported) {
    fail("UF_ATTR_find_attribute", 3, EARLIER_FAILURE);
    tag_t member = NULL_TAG;
    ASSERT_EQ(next_rivet_member(route, member, report_error), 0);
    ASSERT_EQ(next_rivet_member(route, member, report_error), 0);
    EXPECT_EQ(next_rivet_member(route, member, report_error), EARLIER_FAILURE);
    EXPECT_EQ(error_code, EARLIER_FAILURE);
    EXPECT_EQ(nxsim::Host::get().transcript.back(), "status \"Attribute could not be assigned\"");
}

TEST_F(Steps, TagsReleasedEmptyAndSafeToReleaseAgain) {
    host_tags tags;
    tags.items = static_cast<tag_t *>(std::calloc(4, sizeof(tag_t)));  // as the host allocates
    tags.count = 4;
    tags.release();
    EXPECT_EQ(tags.items, nullptr);
    EXPECT_EQ(tags.count, 0);
    tags.release();
}

}  // namespace
