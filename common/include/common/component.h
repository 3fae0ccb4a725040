// Small helpers over the host interface that several tools share.
#pragma once

#include "uf.h"
#include "uf_ugmgr.h"
#include "uf_ui.h"

// A component's data as the host answers it: part, reference set, instance name,
// origin, orientation rows and transform in absolute coordinates of the displayed part.
struct component_data {
    char part_name[MAX_FSPEC_SIZE + 1];
    char refset_name[MAX_ENTITY_NAME_SIZE + 1];
    char instance_name[MAX_ENTITY_NAME_SIZE + 1];
    double origin[3];
    double csys_matrix[9];
    double transform[4][4];
};

// UF_ASSEM_ask_component_data into data; answers error_code (not reported here).
int ask_component_data(tag_t component, component_data &data);

// The part number in a part file name. A failing decode is reported (plain-run
// reporter) and its code returned.
int decode_part_number(const char *part_name, char (&part_number)[UF_UGMGR_PARTNO_SIZE + 1]);

// The part number of a component's part (decoded from its part file name).
// A failing host call is reported (plain-run reporter) and its code returned.
int ask_component_part_number(tag_t component, char (&part_number)[UF_UGMGR_PARTNO_SIZE + 1]);

// Selection filters by the rivet mark (a string attribute RIVET): rivets only, or
// anything but rivets (a route). A failing look-up is reported; the second filter
// then accepts, so the engineer is never locked out of picking a route.
int marked_rivet_filter(tag_t object, int type[3], void *user_data, UF_UI_selection_p_t select);
int unmarked_filter(tag_t object, int type[3], void *user_data, UF_UI_selection_p_t select);
