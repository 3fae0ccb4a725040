// The route selection shared by the tools that take finished routes: only
// components whose part (or instance) carries a string attribute PATH can be picked.
#pragma once

#include "uf_ui.h"

int path_filter(tag_t object, int type[3], void *user_data, UF_UI_selection_p_t select);
int path_selection_init(UF_UI_selection_p_t select, void *user_data);
