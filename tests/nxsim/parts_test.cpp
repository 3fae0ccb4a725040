// nxsim's parts, names and lists: what route creation, flat assembly, the walk and
// the export rely on the host to do.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "engineer.h"
#include "host.h"
#include "references.h"
#include "session_file.h"
#include "uf_assem.h"
#include "uf_attr.h"
#include "uf_modl.h"
#include "uf_part.h"
#include "uf_ugmgr.h"

using namespace nxsim;

namespace {

class PartsTest : public ::testing::Test {
protected:
    void SetUp() override {
        session = session_from_json(parse_json_text(R"({
          "display": "@DB/ASM/A",
          "parts": [
            {"name": "@DB/ASM/A", "components": [{"name": "ROUTE", "part": "@DB/ROUTE/A"}]},
            {"name": "@DB/ROUTE/A", "bodies": 2, "attributes": {"PATH": "work"},
             "components": [{"name": "R1", "part": "@DB/RIV/A"}, {"name": "R2", "part": "@DB/RIV/A"}]},
            {"name": "@DB/RIV/A"},
            {"name": "@DB/OLD/A", "loaded": false}]})",
                                                    "s"),
                                    "s");
        script = script_from_json(parse_json_text("{}", "x"), "x");
        engineer = std::make_unique<ScriptEngineer>(script);
        Host &h = Host::get();
        h.reset();
        h.session = session.get();
        h.engineer = engineer.get();
        ASSERT_EQ(UF_initialize(), 0);
    }
    void TearDown() override {
        Host::get().reset();
        Host::get().session = nullptr;
        Host::get().engineer = nullptr;
    }
    std::unique_ptr<Session> session;
    Script script;
    std::unique_ptr<ScriptEngineer> engineer;
};

TEST_F(PartsTest, NewPartsAreDisplayedSavedClosedAndNeverTwice) {
    tag_t asm_tag = UF_PART_ask_display_part();
    tag_t part = NULL_TAG;
    ASSERT_EQ(UF_PART_new("@DB/R_001/A", UF_PART_METRIC, &part), 0);
    EXPECT_EQ(UF_PART_ask_display_part(), part) << "a new part is displayed";
    EXPECT_EQ(UF_ASSEM_ask_work_part(), part) << "and is the work part";
    EXPECT_EQ(UF_PART_new("@DB/R_001/A", UF_PART_METRIC, &part), 1020004) << "a taken name";
    EXPECT_EQ(UF_PART_new("@DB/OLD/A", UF_PART_METRIC, &part), 1020004) << "a part in the store only";
    ASSERT_EQ(UF_PART_save(), 0);
    tag_t route = UF_PART_ask_part_tag("@DB/R_001/A");
    ASSERT_EQ(UF_PART_close(route, UF_PART_close_this_part, UF_PART_close_unload), 0);
    EXPECT_EQ(UF_PART_is_loaded("@DB/R_001/A"), UF_PART_NOT_LOADED) << "closed, still in the store";
    EXPECT_EQ(UF_PART_ask_part_tag("@DB/R_001/A"), NULL_TAG);
    ASSERT_EQ(UF_PART_set_display_part(asm_tag), 0);

    tag_t scratch = NULL_TAG;
    ASSERT_EQ(UF_PART_new("@DB/SCRATCH/A", UF_PART_METRIC, &scratch), 0);
    ASSERT_EQ(UF_PART_close(scratch, UF_PART_close_this_part, UF_PART_close_unload), 0);
    EXPECT_EQ(UF_PART_new("@DB/SCRATCH/A", UF_PART_METRIC, &scratch), 0) << "never saved: gone with its closing";
    Json saved = session_to_json(*session);
    EXPECT_NE(saved.dump().find("@DB/R_001/A"), std::string::npos);
}

TEST_F(PartsTest, TeamCenterNamesEncodeAndDecode) {
    char encoded[MAX_FSPEC_SIZE + 1];
    ASSERT_EQ(UF_UGMGR_encode_part_filename("AAAAB_001CCCCC", "A", "master", "", encoded), 0);
    EXPECT_STREQ(encoded, "@DB/AAAAB_001CCCCC/A");
    char number[UF_UGMGR_PARTNO_SIZE + 1], revision[UF_UGMGR_PARTREV_SIZE + 1];
    char type[UF_UGMGR_FTYPE_SIZE + 1], name[UF_UGMGR_FNAME_SIZE + 1];
    ASSERT_EQ(UF_UGMGR_decode_part_filename(encoded, number, revision, type, name), 0);
    EXPECT_STREQ(number, "AAAAB_001CCCCC");
    EXPECT_STREQ(revision, "A");
    ASSERT_EQ(UF_UGMGR_decode_part_filename("D:\\parts\\asm1.prt", number, revision, type, name), 0);
    EXPECT_STREQ(number, "asm1") << "a native file's number is its name";
    EXPECT_NE(UF_UGMGR_decode_part_filename("@DB/only", number, revision, type, name), 0);
}

TEST_F(PartsTest, ComponentObjectsAndChildrenAndInstances) {
    tag_t route = resolve(*session, "ROUTE").front();
    std::vector<tag_t> cycled;
    tag_t member = NULL_TAG;
    do {
        ASSERT_EQ(UF_ASSEM_cycle_objs_in_comp(route, &member), 0);
        if (member != NULL_TAG) cycled.push_back(member);
    } while (member != NULL_TAG);
    ASSERT_EQ(cycled.size(), 4u) << "two child components, then two bodies";
    EXPECT_EQ(cycled[0], resolve(*session, "ROUTE/R1").front());
    EXPECT_EQ(cycled[3], resolve(*session, "ROUTE/#1").front());
    int type = 0;
    ASSERT_EQ(UF_ATTR_find_attribute(cycled[3], UF_ATTR_string, "RIVET", &type), 0);
    EXPECT_EQ(type, 0) << "a body carries no attribute";

    tag_t *children = nullptr;
    ASSERT_EQ(UF_ASSEM_ask_part_occ_children(route, &children), 2);
    tag_t inst = UF_ASSEM_ask_inst_of_part_occ(children[1]);
    EXPECT_EQ(UF_ASSEM_ask_part_occ_of_inst(route, inst), children[1]) << "occurrence tags stay the same";
    EXPECT_EQ(UF_ASSEM_ask_part_occ_of_inst(NULL_TAG, inst), NULL_TAG) << "not a child of the displayed part";
    ASSERT_EQ(UF_ASSEM_remove_instance(inst), 0);
    char part_name[MAX_FSPEC_SIZE + 1], refset[MAX_ENTITY_NAME_SIZE + 1], name[MAX_ENTITY_NAME_SIZE + 1];
    double origin[3], matrix[9], transform[4][4];
    EXPECT_NE(UF_ASSEM_ask_component_data(children[1], part_name, refset, name, origin, matrix, transform), 0)
        << "the occurrence of a removed instance is gone";
    UF_free(children);
    EXPECT_EQ(UF_ASSEM_ask_part_occ_children(route, &children), 1);
    UF_free(children);

    double o[3] = {0, 0, 0}, axes[6] = {1, 0, 0, 0, 1, 0};
    tag_t added = NULL_TAG;
    UF_PART_load_status_t status;
    EXPECT_EQ(UF_ASSEM_add_part_to_assembly(UF_PART_ask_part_tag("@DB/RIV/A"), "@DB/ASM/A", "", "LOOP", o, axes, -1,
                                            &added, &status),
              1020010)
        << "a part cannot hold its own assembly";
    EXPECT_EQ(UF_ASSEM_add_part_to_assembly(UF_PART_ask_part_tag("@DB/ROUTE/A"), "@DB/RIV/A", "",
                                            "NAME_LONGER_THAN_THIRTY_CHARACTERS", o, axes, -1, &added, &status),
              3520020);
    ASSERT_EQ(UF_ASSEM_add_part_to_assembly(UF_PART_ask_part_tag("@DB/ROUTE/A"), "@DB/OLD/A", "", "OLD", o, axes, -1,
                                            &added, &status),
              0);
    EXPECT_EQ(UF_PART_is_loaded("@DB/OLD/A"), UF_PART_FULLY_LOADED) << "adding a part loads it";
}

TEST_F(PartsTest, ListsKeepOrderAndCloseUp) {
    uf_list_p_t list = nullptr;
    ASSERT_EQ(UF_MODL_create_list(&list), 0);
    for (tag_t t : {11u, 12u, 13u, 12u}) ASSERT_EQ(UF_MODL_put_list_item(list, t), 0);
    ASSERT_EQ(UF_MODL_delete_list_item(&list, 12u), 0);
    int count = 0;
    ASSERT_EQ(UF_MODL_ask_list_count(list, &count), 0);
    ASSERT_EQ(count, 3);
    tag_t item = NULL_TAG;
    ASSERT_EQ(UF_MODL_ask_list_item(list, 1, &item), 0);
    EXPECT_EQ(item, 13u) << "the first entry went; the later ones closed up";
    EXPECT_NE(UF_MODL_ask_list_item(list, 3, &item), 0);
    EXPECT_NE(UF_MODL_delete_list_item(&list, 99u), 0);
    ASSERT_EQ(UF_MODL_delete_list(&list), 0);
    EXPECT_EQ(list, nullptr);
    EXPECT_NE(UF_MODL_ask_list_count(list, &count), 0) << "a deleted list is gone";
}

}  // namespace
