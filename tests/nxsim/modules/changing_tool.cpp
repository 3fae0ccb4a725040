// A tool that changes the session in every way a tool can, then asks the engineer
// one question: with an answer in the script the run succeeds, without one it fails,
// and `nxsim play` must take back everything the failed run changed.
#include <cstdio>

#include "uf.h"
#include "uf_assem.h"
#include "uf_attr.h"
#include "uf_obj.h"
#include "uf_part.h"

extern "C" __attribute__((visibility("default"))) void ufusr(char *, int *retcod, int) {
    UF_initialize();
    tag_t display = UF_PART_ask_display_part();
    tag_t *children = nullptr;
    int count = UF_ASSEM_ask_part_occ_children(display, &children);
    if (count >= 2) {
        char value[] = "x";
        UF_ATTR_value_t mark;
        mark.type = UF_ATTR_string;
        mark.value.string = value;
        UF_ATTR_assign(children[0], "MARK", mark);
        UF_ATTR_assign(display, "MARK", mark);
        UF_OBJ_set_color(children[0], 5);
        UF_OBJ_set_name(children[0], "CHANGED");
        double origin[3] = {0, 0, 0}, name_origin[3] = {1, 2, 3};
        UF_OBJ_set_name_origin(children[0], name_origin);
        UF_ASSEM_remove_instance(UF_ASSEM_ask_inst_of_part_occ(children[count - 1]));
        double axes[6] = {1, 0, 0, 0, 1, 0};
        tag_t added = NULL_TAG;
        UF_ASSEM_add_part_to_assembly(display, "@DB/RIV/A", "", "ADDED", origin, axes, -1, &added, nullptr);
    }
    UF_free(children);
    // A new part, kept in the session, and one closed unsaved (gone again).
    char name[40];
    tag_t part = NULL_TAG;
    for (int i = 1; part == NULL_TAG && i < 10; ++i) {
        std::snprintf(name, sizeof name, "@DB/NEW%d/A", i);
        UF_PART_new(name, UF_PART_METRIC, &part);
    }
    UF_PART_save();
    tag_t gone = NULL_TAG;
    UF_PART_new("@DB/GONE/A", UF_PART_METRIC, &gone);
    UF_PART_close(gone, 0, 0);
    UF_PART_set_display_part(display);
    char options[1][UF_CHOICE_OPTION_SIZE] = {"go on"};
    *retcod = uc1603("go on?", 1, options, 1);
    UF_terminate();
}

extern "C" __attribute__((visibility("default"))) int ufusr_ask_unload(void) { return UF_UNLOAD_IMMEDIATELY; }
