#include "common/styler_items.h"

UF_STYLER_item_value_type_t item_record(const char *item, int item_attr) {
    UF_STYLER_item_value_type_t record{};
    record.item_id = item;
    record.item_attr = item_attr;
    record.subitem_index = -1;
    return record;
}

int set_item_text(int dialog_id, const char *item, const char *text) {
    UF_STYLER_item_value_type_t record = item_record(item, UF_STYLER_VALUE);
    record.count = 1;
    record.indicator = UF_STYLER_STRING_VALUE;       // the host reads the union member it names
    record.value.string = const_cast<char *>(text);  // the host only reads it
    return UF_STYLER_set_value(dialog_id, &record);
}

int set_item_sensitivity(int dialog_id, const char *item, int sensitive) {
    UF_STYLER_item_value_type_t record = item_record(item, UF_STYLER_SENSITIVITY);
    record.indicator = UF_STYLER_INTEGER_VALUE;
    record.value.integer = sensitive;
    return UF_STYLER_set_value(dialog_id, &record);
}

int set_toggle(int dialog_id, const char *item, int on) {
    UF_STYLER_item_value_type_t record = item_record(item, UF_STYLER_VALUE);
    record.indicator = UF_STYLER_INTEGER_VALUE;
    record.value.integer = on;
    return UF_STYLER_set_value(dialog_id, &record);
}

int select_list_entry(int dialog_id, const char *item, int index) {
    UF_STYLER_item_value_type_t record = item_record(item, UF_STYLER_VALUE);
    record.subitem_index = index;
    record.indicator = UF_STYLER_INTEGER_VALUE;
    record.value.integer = index;
    return UF_STYLER_set_value(dialog_id, &record);
}

int set_list_entries(int dialog_id, const char *item, int count, const char *const *texts) {
    UF_STYLER_item_value_type_t record = item_record(item, UF_STYLER_SUBITEM_VALUES);
    record.count = count;
    record.indicator = UF_STYLER_STRING_PTR_VALUE;
    record.value.strings = const_cast<char **>(texts);  // the host copies the texts
    return UF_STYLER_set_value(dialog_id, &record);
}
