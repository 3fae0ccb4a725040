// Small helpers over the host interface that several tools share.
#pragma once

#include "uf.h"
#include "uf_ugmgr.h"

// The part number of a component's part (decoded from its part file name).
// A failing host call is reported (plain-frame reporter) and its code returned.
int ask_component_part_number(tag_t component, char (&part_number)[UF_UGMGR_PARTNO_SIZE + 1]);
