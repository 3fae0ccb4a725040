// Selection of rivets: only components that carry a string attribute titled
// RIVET can be picked. Shared by the group tool and the rivet inspector.
#pragma once

#include "uf_ui.h"

// Selection dialog's init procedure: component mask and the rivet filter.
// Answers 1 when both calls succeeded, else 0.
int rivet_selection_init(UF_UI_selection_p_t select, void *user_data);

// Accepts (1) an object with a string attribute whose title is exactly "RIVET".
int rivet_filter(tag_t object, int type[3], void *user_data, UF_UI_selection_p_t select);
