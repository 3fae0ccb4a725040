// Dialog files in nxsim's format: the items a styler dialog shows.
#pragma once

#include <string>
#include <vector>

#include "export.h"
#include "json_error.h"

namespace nxsim {

enum class ItemKind { Text, Integer, Real, List, Toggle };

struct DialogItem {
    std::string id;
    ItemKind kind = ItemKind::Text;
    std::string text;       // text (Windows-1251)
    long long integer = 0;  // integer, toggle
    double real = 0;
    std::vector<std::string> entries;  // list
    int selected = -1;                 // list
    bool sensitive = true;
};

struct DialogLayout {
    std::string title;
    std::vector<std::string> buttons;  // ok, apply, cancel, back
    std::vector<DialogItem> items;
};

// An item's value as the transcript and the terminal show it: a text quoted, a list's
// index and entry. `none` stands for a list with no entry selected.
NXSIM_EXPORT std::string item_value_text(const DialogItem &item, const std::string &none);

NXSIM_EXPORT DialogLayout dialog_from_json(const Json &json, const std::string &source);
NXSIM_EXPORT DialogLayout load_dialog(const std::string &bytes, const std::string &source);

}  // namespace nxsim
