#include "dialog_file.h"

#include <sstream>

#include "cp1251.h"

namespace nxsim {

DialogLayout dialog_from_json(const Json &json, const std::string &source) {
    DialogLayout layout;
    Place top(source, json);
    top.only({"title", "buttons", "items"});
    if (top.has("title")) layout.title = top["title"].cp1251();
    if (top.has("buttons")) {
        Place b = top["buttons"];
        b.array();
        for (size_t i = 0; i < b.value().size(); ++i) {
            std::string name = b[i].text();
            if (name != "ok" && name != "apply" && name != "cancel" && name != "back")
                b[i].fail("buttons are ok, apply, cancel and back");
            layout.buttons.push_back(name);
        }
    } else {
        layout.buttons = {"ok", "cancel"};
    }
    Place items = top["items"];
    items.array();
    for (size_t i = 0; i < items.value().size(); ++i) {
        Place p = items[i];
        p.only({"id", "kind", "value", "entries", "selected", "sensitive"});
        DialogItem item;
        item.id = p["id"].text();
        if (item.id.empty()) p["id"].fail("empty item identifier");
        for (const auto &other : layout.items)
            if (other.id == item.id) p["id"].fail("item " + item.id + " is listed twice");
        std::string kind = p["kind"].text();
        if (kind == "text") {
            item.kind = ItemKind::Text;
            if (p.has("value")) item.text = p["value"].cp1251();
        } else if (kind == "integer") {
            item.kind = ItemKind::Integer;
            if (p.has("value")) item.integer = p["value"].integer();
        } else if (kind == "real") {
            item.kind = ItemKind::Real;
            if (p.has("value")) item.real = p["value"].number();
        } else if (kind == "list") {
            item.kind = ItemKind::List;
            if (p.has("entries")) {
                Place e = p["entries"];
                e.array();
                for (size_t k = 0; k < e.value().size(); ++k) item.entries.push_back(e[k].cp1251());
            }
            if (p.has("selected")) {
                long long s = p["selected"].integer();
                if (s < -1 || s >= static_cast<long long>(item.entries.size())) p["selected"].fail("no such entry");
                item.selected = static_cast<int>(s);
            }
        } else if (kind == "toggle") {
            item.kind = ItemKind::Toggle;
            if (p.has("value")) item.integer = p["value"].integer() != 0 ? 1 : 0;
        } else {
            p["kind"].fail("kinds are text, integer, real, list and toggle");
        }
        if (p.has("sensitive")) item.sensitive = p["sensitive"].boolean();
        layout.items.push_back(std::move(item));
    }
    return layout;
}

DialogLayout load_dialog(const std::string &bytes, const std::string &source) {
    return dialog_from_json(parse_json_text(bytes, source), source);
}

std::string item_value_text(const DialogItem &item, const std::string &none) {
    switch (item.kind) {
    case ItemKind::Text: return quote(item.text);
    case ItemKind::Integer:
    case ItemKind::Toggle: return std::to_string(item.integer);
    case ItemKind::Real: {
        std::ostringstream s;
        s << item.real;
        return s.str();
    }
    case ItemKind::List: {
        if (item.selected < 0 || item.selected >= static_cast<int>(item.entries.size())) return none;
        // Appended, not " " + text: GCC 12 at -O3 sees a false overlap there (-Wrestrict).
        std::string text = std::to_string(item.selected);
        text += ' ';
        text += quote(item.entries[static_cast<size_t>(item.selected)]);
        return text;
    }
    }
    return "";
}

}  // namespace nxsim
