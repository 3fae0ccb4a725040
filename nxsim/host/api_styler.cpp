// Dialogs described by dialog files: the constructor, the engineer's steps, item
// callbacks, the buttons and the item attributes the tools set and ask.
#include <cstring>
#include <fstream>
#include <sstream>

#include "cp1251.h"
#include "engineer.h"
#include "export.h"
#include "host.h"
#include "meanings.h"
#include "transcript.h"
#include "uf_styler.h"

using namespace nxsim;

namespace {

const UF_STYLER_callback_info_t *find_callback(const Dialog &d, const char *object, int reason) {
    for (const auto &cb : d.callbacks)
        if (cb.object_id != nullptr && std::strcmp(cb.object_id, object) == 0 && cb.type == reason) return &cb;
    return nullptr;
}

// Runs a callback if the table has one; answers what it returned, or -1 when none.
int fire(Host &h, Dialog &d, const char *object, int reason, DialogItem *item) {
    const UF_STYLER_callback_info_t *cb = find_callback(d, object, reason);
    if (cb == nullptr || cb->callback_proc == nullptr) return -1;
    UF_STYLER_item_value_type_t record{};
    record.reason = reason;
    record.item_id = cb->object_id;
    record.subitem_index = -1;
    std::string text;
    if (item != nullptr) {
        record.item_attr = UF_STYLER_VALUE;
        switch (item->kind) {
        case ItemKind::Text:
            text = item->text;
            record.indicator = UF_STYLER_STRING_VALUE;
            record.value.string = text.data();
            break;
        case ItemKind::Integer:
        case ItemKind::Toggle:
            record.indicator = UF_STYLER_INTEGER_VALUE;
            record.value.integer = static_cast<int>(item->integer);
            break;
        case ItemKind::Real:
            record.indicator = UF_STYLER_REAL_VALUE;
            record.value.real = item->real;
            break;
        case ItemKind::List:
            record.indicator = UF_STYLER_INTEGER_VALUE;
            record.subitem_index = item->selected;
            record.value.integer = item->selected;
            break;
        }
    }
    int rc = cb->callback_proc(d.id, d.client_data, &record);
    (void)h;
    return rc;
}

void close(Host &h, Dialog &d, int response) {
    if (!d.open) return;
    d.open = false;
    d.response = response;
    h.note("respond " + std::to_string(meaning::response_number(response)));
}

bool has_button(const Dialog &d, const char *name) {
    for (const auto &b : d.layout.buttons)
        if (b == name) return true;
    return false;
}

// The host shows a list with nothing selected by its index, -1.
std::string value_text(const DialogItem &item) { return item_value_text(item, "-1"); }

// OK and Cancel: the dialog closes with `response` unless the callback keeps it open
// (no callback closes it too).
void press_closing(Host &h, Dialog &d, int reason, const char *button, int response) {
    if (fire(h, d, UF_STYLER_DIALOG_INDEX, reason, nullptr) == UF_UI_CB_CONTINUE_DIALOG)
        h.note(std::string(button) + ": the dialog stays open");
    else
        close(h, d, response);
}

// One step of the engineer inside an open dialog.
bool play_step(Host &h, Dialog &d, const StylerStep &s) {
    using K = StylerStep::Kind;
    if (s.kind == K::Button) {
        h.note("press " + press_name(s.press, s.code));
        switch (s.press) {
        case Press::Ok:
            if (!has_button(d, "ok")) break;
            press_closing(h, d, UF_STYLER_OK_CB, "ok", UF_UI_OK);
            return true;
        case Press::Cancel:
            if (!has_button(d, "cancel")) break;
            press_closing(h, d, UF_STYLER_CANCEL_CB, "cancel", UF_UI_CANCEL);
            return true;
        case Press::Apply: {
            if (!has_button(d, "apply")) break;
            if (fire(h, d, UF_STYLER_DIALOG_INDEX, UF_STYLER_APPLY_CB, nullptr) == UF_UI_CB_EXIT_DIALOG)
                close(h, d, UF_UI_CB_TERMINATE);
            return true;
        }
        case Press::Back:
            if (!has_button(d, "back")) break;
            close(h, d, UF_UI_BACK);
            return true;
        case Press::Code: close(h, d, meaning::styler_response(s.code)); return true;
        }
        h.fail_script(s.where + ": the dialog has no " + press_name(s.press, s.code) + " button");
        return false;
    }

    DialogItem *item = d.item(s.item);
    if (item == nullptr) {
        h.fail_script(s.where + ": the dialog has no item " + shorten(s.item));
        return false;
    }
    const char *verb = s.kind == K::Type ? "type" : s.kind == K::Enter ? "enter" : "pick";
    if (!item->sensitive) {
        h.note(std::string(verb) + " " + s.item + ": greyed, nothing changes");
        return true;
    }
    if (s.kind == K::Pick) {
        if (item->kind != ItemKind::List) {
            h.fail_script(s.where + ": item " + shorten(s.item) + " is not a list");
            return false;
        }
        int entry = s.entry;
        if (s.entry_text) {
            entry = -1;
            for (size_t i = 0; i < item->entries.size(); ++i)
                if (item->entries[i] == *s.entry_text) {
                    entry = static_cast<int>(i);
                    break;
                }
        }
        if (entry < 0 || entry >= static_cast<int>(item->entries.size())) {
            h.fail_script(s.where + ": list " + shorten(s.item) + " has no such entry");
            return false;
        }
        item->selected = entry;
    } else {
        switch (item->kind) {
        case ItemKind::Text: item->text = s.text; break;
        case ItemKind::Integer:
        case ItemKind::Toggle:
            if (!s.number || *s.number != static_cast<double>(static_cast<long long>(*s.number))) {
                h.fail_script(s.where + ": item " + s.item + " takes a whole number");
                return false;
            }
            item->integer = static_cast<long long>(*s.number);
            break;
        case ItemKind::Real:
            if (!s.number) {
                h.fail_script(s.where + ": item " + s.item + " takes a number");
                return false;
            }
            item->real = *s.number;
            break;
        case ItemKind::List: h.fail_script(s.where + ": pick an entry of list " + s.item); return false;
        }
    }
    h.note(std::string(verb) + " " + s.item + " " + value_text(*item));
    if (s.kind != K::Type && fire(h, d, item->id.c_str(), UF_STYLER_ACTIVATE_CB, item) == UF_UI_CB_EXIT_DIALOG)
        close(h, d, UF_UI_CB_TERMINATE);
    return true;
}

// The item a value record names in an open dialog; else the code that says why none.
int find_item(Host &h, int dialog_id, const UF_STYLER_item_value_type_t *value, DialogItem *&item) {
    auto it = h.dialogs.find(dialog_id);
    if (it == h.dialogs.end()) return code::kDialogNotOpen;
    if (value == nullptr || value->item_id == nullptr) return code::kInvalidArgument;
    item = it->second->item(value->item_id);
    return item == nullptr ? code::kDialogItem : 0;
}

std::string read_bytes(const std::filesystem::path &path, bool &ok) {
    std::ifstream in(path, std::ios::binary);
    ok = static_cast<bool>(in);
    std::ostringstream s;
    if (ok) s << in.rdbuf();
    return s.str();
}

}  // namespace

extern "C" {

NXSIM_EXPORT int UF_STYLER_create_dialog(const char *dialog_name, UF_STYLER_callback_info_p_t callbacks, int count,
                                         void *client_data, int *response) {
    return guarded("UF_STYLER_create_dialog", true, [&](Host &h) -> int {
        if (dialog_name == nullptr || response == nullptr || count < 0 || (count > 0 && callbacks == nullptr))
            return code::kInvalidArgument;
        std::string what = "styler " + quote(dialog_name);
        auto mapped = h.map_path(dialog_name);
        bool ok = false;
        std::string bytes = mapped ? read_bytes(*mapped, ok) : std::string();
        if (!ok) {
            h.note(what + ": no such dialog file");
            return code::kDialogFile;
        }
        auto d = std::make_unique<Dialog>();
        try {
            d->layout = load_dialog(bytes, dialog_name);
        } catch (const InputError &e) {
            h.note(what + ": " + cp1251_to_utf8(e.what()));
            return code::kDialogFile;
        }
        d->id = h.next_dialog++;
        d->path = dialog_name;
        d->client_data = client_data;
        for (int i = 0; i < count; ++i) {
            if (callbacks[i].object_id == nullptr || std::strcmp(callbacks[i].object_id, UF_STYLER_NULL_OBJECT) == 0)
                break;
            d->callbacks.push_back(callbacks[i]);
        }
        Dialog &dialog = *d;
        h.dialogs[dialog.id] = std::move(d);
        h.note(what);

        DialogView view;
        view.kind = ActionKind::Styler;
        view.line = what;
        view.title = dialog.layout.title;
        const Action *a = h.engineer != nullptr ? h.engineer->next(view) : nullptr;
        if (fire(h, dialog, UF_STYLER_DIALOG_INDEX, UF_STYLER_CONSTRUCTOR_CB, nullptr) == UF_UI_CB_EXIT_DIALOG)
            close(h, dialog, UF_UI_CB_TERMINATE);
        // Lists and toggles as the constructor left them: what the engineer sees preselected.
        if (dialog.open)
            for (const auto &item : dialog.layout.items)
                if (item.kind == ItemKind::List || item.kind == ItemKind::Toggle)
                    h.note("shown " + item.id + " " + value_text(item) + (item.sensitive ? "" : " greyed"));
        size_t step = 0;
        if (a != nullptr) {
            // One step at a time: the engineer sees what the last step's callbacks changed.
            while (dialog.open && !h.aborted()) {
                const StylerStep *s = h.engineer->next_step(*a, step, dialog);
                if (s == nullptr) break;
                ++step;
                if (!play_step(h, dialog, *s)) break;
            }
            if (!h.aborted() && step < a->steps.size())
                h.fail_script(a->steps[step].where + ": the dialog has closed before this step");
            else if (!h.aborted() && dialog.open)
                h.fail_script(a->where + ": the steps end while the dialog is still open");
            h.engineer->closed(*a);
        }
        if (dialog.open) close(h, dialog, UF_UI_CANCEL);
        *response = dialog.response;
        h.dialogs.erase(dialog.id);
        return 0;
    });
}

NXSIM_EXPORT int UF_STYLER_ask_value(int dialog_id, UF_STYLER_item_value_type_p_t value) {
    return guarded("UF_STYLER_ask_value", true, [&](Host &h) -> int {
        DialogItem *item = nullptr;
        if (int rc = find_item(h, dialog_id, value, item)) return rc;
        switch (value->item_attr) {
        case UF_STYLER_SENSITIVITY:
            value->indicator = UF_STYLER_INTEGER_VALUE;
            value->value.integer = item->sensitive ? 1 : 0;
            return 0;
        case UF_STYLER_VALUE:
            switch (item->kind) {
            case ItemKind::Text:
                value->indicator = UF_STYLER_STRING_VALUE;
                value->count = 1;
                value->value.string = host_strdup(item->text);
                return 0;
            case ItemKind::Integer:
            case ItemKind::Toggle:
                value->indicator = UF_STYLER_INTEGER_VALUE;
                value->value.integer = static_cast<int>(item->integer);
                return 0;
            case ItemKind::Real:
                value->indicator = UF_STYLER_REAL_VALUE;
                value->value.real = item->real;
                return 0;
            case ItemKind::List:
                value->indicator = UF_STYLER_INTEGER_VALUE;
                value->value.integer = item->selected;
                return 0;
            }
            return code::kDialogAttribute;
        case UF_STYLER_SUBITEM_VALUES: {
            if (item->kind != ItemKind::List) return code::kDialogAttribute;
            value->indicator = UF_STYLER_STRING_PTR_VALUE;
            value->count = static_cast<int>(item->entries.size());
            value->value.strings = host_array<char *>(item->entries.size());
            for (size_t i = 0; i < item->entries.size(); ++i) value->value.strings[i] = host_strdup(item->entries[i]);
            return 0;
        }
        default: return code::kDialogAttribute;
        }
    });
}

NXSIM_EXPORT int UF_STYLER_set_value(int dialog_id, UF_STYLER_item_value_type_p_t value) {
    return guarded("UF_STYLER_set_value", true, [&](Host &h) -> int {
        DialogItem *item = nullptr;
        if (int rc = find_item(h, dialog_id, value, item)) return rc;
        switch (value->item_attr) {
        case UF_STYLER_SENSITIVITY: item->sensitive = value->value.integer != 0; return 0;
        case UF_STYLER_VALUE:
            switch (item->kind) {
            case ItemKind::Text:
                if (value->value.string == nullptr) return code::kInvalidArgument;
                item->text = value->value.string;
                return 0;
            case ItemKind::Integer: item->integer = value->value.integer; return 0;
            case ItemKind::Toggle: item->integer = value->value.integer != 0 ? 1 : 0; return 0;
            case ItemKind::Real: item->real = value->value.real; return 0;
            case ItemKind::List:
                if (value->subitem_index < -1 || value->subitem_index >= static_cast<int>(item->entries.size()))
                    return code::kDialogIndex;
                item->selected = value->subitem_index;
                return 0;
            }
            return code::kDialogAttribute;
        case UF_STYLER_SUBITEM_VALUES:
            if (item->kind != ItemKind::List) return code::kDialogAttribute;
            if (value->count < 0 || (value->count > 0 && value->value.strings == nullptr))
                return code::kInvalidArgument;
            item->entries.clear();
            for (int i = 0; i < value->count; ++i)
                item->entries.emplace_back(value->value.strings[i] != nullptr ? value->value.strings[i] : "");
            item->selected = -1;
            return 0;
        default: return code::kDialogAttribute;
        }
    });
}

NXSIM_EXPORT int UF_STYLER_free_value(UF_STYLER_item_value_type_p_t value) {
    auto release = [](Host &h, void *block) {
        h.held.erase(block);
        std::free(block);
    };
    int rc = guarded("UF_STYLER_free_value", true, [&](Host &h) {
        if (value == nullptr) return code::kInvalidArgument;
        if (value->indicator == UF_STYLER_STRING_VALUE) {
            release(h, value->value.string);
            value->value.string = nullptr;
        } else if (value->indicator == UF_STYLER_STRING_PTR_VALUE) {
            for (int i = 0; i < value->count; ++i) release(h, value->value.strings[i]);
            release(h, value->value.strings);
            value->value.strings = nullptr;
        }
        value->indicator = UF_STYLER_NO_VALUE;
        return 0;
    });
    // Failed, the call released nothing: the host keeps the blocks until the run ends.
    Host &h = Host::get();
    if (rc != 0 && value != nullptr && value->indicator == UF_STYLER_STRING_VALUE && value->value.string != nullptr)
        h.held.insert(value->value.string);
    if (rc != 0 && value != nullptr && value->indicator == UF_STYLER_STRING_PTR_VALUE &&
        value->value.strings != nullptr) {
        for (int i = 0; i < value->count; ++i) h.held.insert(value->value.strings[i]);
        h.held.insert(value->value.strings);
    }
    return rc;
}

}  // extern "C"
