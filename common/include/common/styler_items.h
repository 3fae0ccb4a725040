// Item calls on an open styler dialog, for the constructors and callbacks. Each
// answers the host's return code without reporting it: the callback reports it
// with its own line.
#pragma once

#include "uf_styler.h"

// A record naming one item and attribute, no entry chosen.
UF_STYLER_item_value_type_t item_record(const char *item, int item_attr);

int set_item_text(int dialog_id, const char *item, const char *text);
int set_item_sensitivity(int dialog_id, const char *item, int sensitive);
int set_toggle(int dialog_id, const char *item, int on);
int select_list_entry(int dialog_id, const char *item, int index);
int set_list_entries(int dialog_id, const char *item, int count, const char *const *texts);
