// Selection dialogs, status and prompt lines, the question dialog and the part dialogs.
#include <algorithm>
#include <cstring>
#include <functional>

#include "cp1251.h"
#include "engineer.h"
#include "export.h"
#include "host.h"
#include "meanings.h"
#include "ops.h"
#include "references.h"
#include "transcript.h"
#include "uf_ui.h"

using namespace nxsim;

namespace {

int object_type(Host &h, tag_t tag) {
    switch (h.session->kind(tag)) {
    case Kind::Occurrence: return UF_component_type;
    case Kind::Body: return UF_solid_type;
    default: return 0;
    }
}

bool mask_accepts(const UF_UI_selection_s &sel, int type) {
    if (type == 0) return false;
    if (!sel.mask_set) return true;
    return std::any_of(sel.mask.begin(), sel.mask.end(), [&](const UF_UI_mask_t &m) { return m.object_type == type; });
}

// Plays one pick of the engineer into an open selection. Returns false when the
// run is stopping. In a single selection the first accepted pick ends the dialog.
bool play_pick(Host &h, const Action &a, const std::string &ref, UF_UI_selection_s &sel, bool single,
               tag_t &single_pick, bool &closed) {
    std::vector<tag_t> found = resolve(*h.session, ref);
    if (found.empty()) {
        h.fail_script(a.where + ": reference \"" + shorten(cp1251_to_utf8(ref)) + "\" names no object");
        return false;
    }
    std::vector<tag_t> accepted;
    for (tag_t t : found) {
        int type = object_type(h, t);
        if (!mask_accepts(sel, type)) {
            h.note("refused " + h.describe(t) + " (mask)");
            continue;
        }
        if (sel.filter != nullptr) {
            int types[3] = {type, 0, 0};
            if (sel.filter(t, types, sel.user_data, &sel) == UF_UI_SEL_REJECT) {
                h.note("refused " + h.describe(t) + " (filter)");
                continue;
            }
        }
        if (sel.in_selection.contains(t)) {
            h.note("pick " + h.describe(t) + " (already selected)");
            continue;
        }
        sel.selected.push_back(t);
        sel.in_selection.insert(t);
        h.highlighted.insert(t);
        h.note("pick " + h.describe(t));
        accepted.push_back(t);
        if (single) break;
    }
    if (single && !accepted.empty()) {
        single_pick = accepted.front();
        closed = true;
        return true;
    }
    if (!accepted.empty() && sel.callback != nullptr) {
        int rc = sel.callback(static_cast<int>(accepted.size()), accepted.data(), 0, nullptr, sel.user_data, &sel);
        if (rc == UF_UI_CB_EXIT_DIALOG) closed = true;
    }
    return true;
}

// Host calls the tool's filter makes while nxsim only looks are not the engineer's
// doing: they are neither counted, failed nor written to the transcript.
class QuietProbe {
public:
    explicit QuietProbe(Host &h) : h_(h), was_(h.quiet) { h_.quiet = true; }
    ~QuietProbe() { h_.quiet = was_; }
    QuietProbe(const QuietProbe &) = delete;
    QuietProbe &operator=(const QuietProbe &) = delete;

private:
    Host &h_;
    bool was_;
};

// Everything below the displayed part that a pick would bring in, in tree order.
std::vector<tag_t> pickable(Host &h, UF_UI_selection_s &sel) {
    std::vector<tag_t> out;
    if (h.session == nullptr || h.session->display == nullptr) return out;
    Session &s = *h.session;
    QuietProbe quiet(h);
    auto consider = [&](tag_t t) {
        int type = object_type(h, t);
        if (!mask_accepts(sel, type)) return;
        if (sel.filter != nullptr) {
            int types[3] = {type, 0, 0};
            if (sel.filter(t, types, sel.user_data, &sel) == UF_UI_SEL_REJECT) return;
        }
        out.push_back(t);
    };
    const bool bodies = mask_accepts(sel, UF_solid_type);
    auto consider_bodies = [&](tag_t owner) {
        if (!bodies) return;
        Part *contents = s.contents_of(owner);
        for (int i = 0; contents != nullptr && i < contents->bodies; ++i) consider(s.body_of(owner, i));
    };
    std::function<void(tag_t)> walk = [&](tag_t from) {
        for (tag_t child : s.children(from)) {
            consider(child);
            consider_bodies(child);
            walk(child);
        }
    };
    consider_bodies(s.display->tag);
    walk(s.display->tag);
    return out;
}

int response_of(Press press, int code) {
    switch (press) {
    case Press::Ok: return UF_UI_OK;
    case Press::Cancel: return UF_UI_CANCEL;
    case Press::Back: return UF_UI_BACK;
    case Press::Apply: return UF_UI_APPLY;
    case Press::Code: return meaning::selection_response(code);
    }
    return UF_UI_CANCEL;
}

// Shared by both selection dialogs: opens, initialises, plays the answer.
int run_selection(Host &h, const char *kind, const char *message, const char *title, UF_UI_sel_init_fn_t init_proc,
                  void *user_data, bool single, int &response, std::vector<tag_t> &picked) {
    if (h.session->display == nullptr) return code::kNoDisplayedPart;
    std::string what =
        std::string(kind) + " " + quote(message != nullptr ? message : "") + " " + quote(title != nullptr ? title : "");
    h.note(what);
    UF_UI_selection_s sel;
    if (init_proc != nullptr && init_proc(&sel, user_data) == 0) {
        h.note("selection init failed");
        return code::kSelectionInit;
    }
    DialogView view;
    view.kind = ActionKind::Select;
    view.line = what;
    view.cue = message != nullptr ? message : "";
    view.title = title != nullptr ? title : "";
    view.single = single;
    view.selection = &sel;
    view.candidates = [&h, &sel]() { return pickable(h, sel); };
    const Action *a = h.engineer != nullptr ? h.engineer->next(view) : nullptr;
    bool closed = false;
    tag_t single_pick = NULL_TAG;
    bool playing = a != nullptr;
    for (size_t k = 0; playing; ++k) {
        if (closed) {
            if (k < a->picks.size()) {
                h.fail_script(a->where + ": pick " + shorten(cp1251_to_utf8(a->picks[k])) +
                              " comes after the dialog has closed");
                playing = false;
            }
            break;
        }
        const bool was_stopping = h.aborted();
        const std::string *ref = h.engineer->next_pick(*a, k, view);
        if (ref == nullptr) {
            // The engineer left the terminal: the run stops here.
            if (!was_stopping && h.aborted()) playing = false;
            break;
        }
        playing = play_pick(h, *a, *ref, sel, single, single_pick, closed);
    }
    if (a != nullptr) h.engineer->closed(*a);
    if (!playing) {
        sel.open = false;
        response = UF_UI_CANCEL;
        h.note("respond 3 (run stopping)");
        return 0;
    }
    sel.open = false;
    if (single) {
        if (single_pick != NULL_TAG) {
            response = UF_UI_OBJECT_SELECTED;
            picked = {single_pick};
        } else {
            response = response_of(a->press, a->code);
        }
    } else {
        response = closed ? UF_UI_OK : response_of(a->press, a->code);
        picked = sel.selected;
    }
    h.note("respond " + std::to_string(meaning::response_number(response)) + " (" + std::to_string(picked.size()) +
           (picked.size() == 1 ? " object)" : " objects)"));
    return 0;
}

// A part dialog as the engineer sees it.
struct PartDialog {
    ActionKind kind;
    const std::string &line;
    const char *title;  // may be null
    int units = 0;      // new part
};

// The engineer's answer; nullptr without an engineer or when the run is stopping.
const Action *part_dialog(Host &h, const PartDialog &d) {
    if (h.engineer == nullptr) return nullptr;
    DialogView view;
    view.kind = d.kind;
    view.line = d.line;
    view.title = d.title != nullptr ? d.title : "";
    view.units = d.units;
    return h.engineer->next(view);
}

}  // namespace

extern "C" {

NXSIM_EXPORT int UF_UI_select_with_class_dialog(const char *message, const char *title, int /*scope*/,
                                                UF_UI_sel_init_fn_t init_proc, void *user_data, int *response,
                                                int *count, tag_p_t *objects) {
    return guarded("UF_UI_select_with_class_dialog", true, [&](Host &h) {
        if (response == nullptr || count == nullptr || objects == nullptr) return code::kInvalidArgument;
        *count = 0;
        *objects = nullptr;
        std::vector<tag_t> picked;
        int resp = 0;
        if (int rc = run_selection(h, "select", message, title, init_proc, user_data, false, resp, picked)) return rc;
        *response = resp;
        *count = static_cast<int>(picked.size());
        if (!picked.empty()) {
            *objects = host_array<tag_t>(picked.size());
            std::copy(picked.begin(), picked.end(), *objects);
        }
        return 0;
    });
}

NXSIM_EXPORT int UF_UI_select_with_single_dialog(const char *message, const char *title, int /*scope*/,
                                                 UF_UI_sel_init_fn_t init_proc, void *user_data, int *response,
                                                 tag_p_t object, double cursor[3], tag_p_t view) {
    return guarded("UF_UI_select_with_single_dialog", true, [&](Host &h) {
        if (response == nullptr || object == nullptr) return code::kInvalidArgument;
        *object = NULL_TAG;
        if (cursor != nullptr) cursor[0] = cursor[1] = cursor[2] = 0.0;
        if (view != nullptr) *view = NULL_TAG;
        std::vector<tag_t> picked;
        int resp = 0;
        if (int rc = run_selection(h, "select1", message, title, init_proc, user_data, true, resp, picked)) return rc;
        *response = resp;
        if (!picked.empty()) *object = picked.front();
        return 0;
    });
}

NXSIM_EXPORT int UF_UI_set_sel_mask(UF_UI_selection_p_t select, int action, int num_triples,
                                    UF_UI_mask_p_t mask_triples) {
    return guarded("UF_UI_set_sel_mask", true, [&](Host &) {
        if (select == nullptr || !select->open) return code::kNoSelection;
        if (action != UF_UI_SEL_MASK_CLEAR_AND_ENABLE_SPECIFIC || num_triples < 0 ||
            (num_triples > 0 && mask_triples == nullptr))
            return code::kInvalidArgument;
        select->mask.assign(mask_triples, mask_triples + num_triples);
        select->mask_set = true;
        return 0;
    });
}

NXSIM_EXPORT int UF_UI_set_sel_procs(UF_UI_selection_p_t select, UF_UI_sel_filter_fn_t filter_proc,
                                     UF_UI_sel_cb_fn_t sel_cb, void *user_data) {
    return guarded("UF_UI_set_sel_procs", true, [&](Host &) {
        if (select == nullptr || !select->open) return code::kNoSelection;
        select->filter = filter_proc;
        select->callback = sel_cb;
        select->user_data = user_data;
        return 0;
    });
}

NXSIM_EXPORT int UF_UI_ask_sel_list_count(UF_UI_selection_p_t select, int *count) {
    return guarded("UF_UI_ask_sel_list_count", true, [&](Host &) {
        if (select == nullptr || !select->open) return code::kNoSelection;
        if (count == nullptr) return code::kInvalidArgument;
        *count = static_cast<int>(select->selected.size());
        return 0;
    });
}

NXSIM_EXPORT int UF_UI_remove_from_sel_list(UF_UI_selection_p_t select, int num, tag_p_t objects, logical unhighlight) {
    return guarded("UF_UI_remove_from_sel_list", true, [&](Host &h) {
        if (select == nullptr || !select->open) return code::kNoSelection;
        if (num < 0 || (num > 0 && objects == nullptr)) return code::kInvalidArgument;
        for (int i = 0; i < num; ++i) {
            auto it = std::find(select->selected.begin(), select->selected.end(), objects[i]);
            if (it == select->selected.end()) continue;
            select->selected.erase(it);
            select->in_selection.erase(objects[i]);
            if (unhighlight) h.highlighted.erase(objects[i]);
            h.note("dropped " + h.describe(objects[i]));
        }
        return 0;
    });
}

NXSIM_EXPORT int UF_UI_set_status(const char *message) {
    return guarded("UF_UI_set_status", false, [&](Host &h) {
        h.note("status " + quote(message != nullptr ? message : ""));
        return 0;
    });
}

NXSIM_EXPORT int UF_UI_set_prompt(const char *message) {
    return guarded("UF_UI_set_prompt", true, [&](Host &h) {
        h.note("prompt " + quote(message != nullptr ? message : ""));
        return 0;
    });
}

NXSIM_EXPORT int UF_UI_message_dialog(const char *title, int type, char **messages, int num_messages,
                                      logical /*translate*/, UF_UI_message_buttons_p_t buttons, int *response) {
    return guarded("UF_UI_message_dialog", true, [&](Host &h) -> int {
        if (response == nullptr || buttons == nullptr || num_messages < 0 || (num_messages > 0 && messages == nullptr))
            return code::kInvalidArgument;
        std::vector<std::string> lines;
        lines.reserve(num_messages);
        for (int i = 0; i < num_messages; ++i) lines.emplace_back(messages[i] != nullptr ? messages[i] : "");
        struct Button {
            std::string label;
            int response;
        };
        std::vector<Button> present;
        if (buttons->button1) present.push_back({buttons->label1 ? buttons->label1 : "", buttons->response1});
        if (buttons->button2) present.push_back({buttons->label2 ? buttons->label2 : "", buttons->response2});
        if (buttons->button3) present.push_back({buttons->label3 ? buttons->label3 : "", buttons->response3});
        if (present.empty()) return code::kInvalidArgument;
        std::vector<std::string> labels;
        labels.reserve(present.size());
        for (const auto &b : present) labels.push_back(b.label);
        std::string what = "question " + quote(title != nullptr ? title : "") + " type " +
                           std::to_string(meaning::message_type_number(type)) + " " + quoted_list(lines) + " buttons " +
                           quoted_list(labels);
        DialogView view;
        view.kind = ActionKind::MessageDialog;
        view.line = what;
        view.title = title != nullptr ? title : "";
        view.type = meaning::message_type_number(type);
        view.lines = lines;
        view.options = labels;
        for (const auto &b : present) view.responses.push_back(b.response);
        const Action *a = h.engineer != nullptr ? h.engineer->next(view) : nullptr;
        int answer = present.back().response;  // the run is stopping: the last button, as a rule Cancel
        if (a != nullptr) {
            bool valid = false;
            for (const auto &b : present) {
                if (a->answer_text ? b.label == *a->answer_text : b.response == a->code) {
                    answer = b.response;
                    valid = true;
                    break;
                }
            }
            if (!valid) h.fail_script(a->where + ": the question has no such button");
        }
        h.note(what + " -> " + std::to_string(answer));
        *response = answer;
        return 0;
    });
}

NXSIM_EXPORT int UF_UI_ugmgr_ask_create_part_name(const char *title, char part_name[MAX_FSPEC_SIZE + 1],
                                                  int *response) {
    return guarded("UF_UI_ugmgr_ask_create_part_name", true, [&](Host &h) {
        if (part_name == nullptr || response == nullptr) return code::kInvalidArgument;
        std::string what = "part name " + quote(title != nullptr ? title : "");
        const Action *a = part_dialog(h, {.kind = ActionKind::PartName, .line = what, .title = title});
        part_name[0] = '\0';
        if (a == nullptr || !a->name) {
            *response = UF_UI_CANCEL;
            h.note(what + " -> cancel");
            return 0;
        }
        copy_text(part_name, MAX_FSPEC_SIZE + 1, *a->name);
        *response = UF_UI_OK;
        h.note(what + " -> " + quote(*a->name));
        return 0;
    });
}

NXSIM_EXPORT int UF_UI_create_part(const char *title, char file_name[MAX_FSPEC_SIZE + 1], int *units, int *response,
                                   tag_t *part) {
    return guarded("UF_UI_create_part", true, [&](Host &h) {
        if (file_name == nullptr || units == nullptr || response == nullptr || part == nullptr)
            return code::kInvalidArgument;
        *part = NULL_TAG;
        std::string what = "new part " + quote(title != nullptr ? title : "") + " units " +
                           std::to_string(meaning::units_number(*units));
        const Action *a = part_dialog(
            h, {.kind = ActionKind::NewPart, .line = what, .title = title, .units = meaning::units_number(*units)});
        if (a == nullptr || !a->name) {
            *response = UF_UI_CANCEL;
            h.note(what + " -> cancel");
            return 0;
        }
        int chosen = a->units != 0 ? meaning::units_constant(a->units) : *units;
        h.note(what + " -> " + quote(*a->name) + " units " + std::to_string(meaning::units_number(chosen)));
        if (int rc = create_part(h, *a->name, chosen, part)) return rc;
        copy_text(file_name, MAX_FSPEC_SIZE + 1, *a->name);
        *units = chosen;
        *response = UF_UI_OK;
        return 0;
    });
}

NXSIM_EXPORT int UF_UI_open_part(const char *title, char file_name[MAX_FSPEC_SIZE + 1], int *response, tag_t *part) {
    return guarded("UF_UI_open_part", true, [&](Host &h) {
        if (file_name == nullptr || response == nullptr || part == nullptr) return code::kInvalidArgument;
        *part = NULL_TAG;
        std::string what = "open part " + quote(title != nullptr ? title : "");
        const Action *a = part_dialog(h, {.kind = ActionKind::OpenPart, .line = what, .title = title});
        if (a == nullptr || !a->name) {
            *response = UF_UI_CANCEL;
            h.note(what + " -> cancel");
            return 0;
        }
        h.note(what + " -> " + quote(*a->name));
        if (int rc = open_part(h, *a->name, part)) return rc;
        copy_text(file_name, MAX_FSPEC_SIZE + 1, *a->name);
        *response = UF_UI_OK;
        return 0;
    });
}

}  // extern "C"
