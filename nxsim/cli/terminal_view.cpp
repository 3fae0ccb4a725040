#include "terminal_view.h"

#include <algorithm>
#include <ostream>
#include <set>

#include "cp1251.h"

namespace nxsim::terminal {
namespace {

// Columns a Windows-1251 text takes on the terminal: one per character.
size_t utf8_width(const std::string &cp1251) { return cp1251.size(); }

const char *kind_word(ItemKind kind) {
    switch (kind) {
    case ItemKind::Text: return "text";
    case ItemKind::Integer: return "integer";
    case ItemKind::Real: return "real";
    case ItemKind::List: return "list";
    case ItemKind::Toggle: return "toggle";
    }
    return "?";
}

}  // namespace

const char *const kSelectionHelp =
    "   Answers: numbers from the list (3, 1 4 7, 2-9), a reference (SUB1/R*, R7[2], SKIN/#0, pick NAME),\n"
    "            ok, back, cancel, respond N; list [PATTERN], tree, help\n";
const char *const kDialogHelp =
    "   Steps: type ITEM VALUE (not confirmed), enter ITEM VALUE, pick ITEM ENTRY|TEXT,\n"
    "          ok, apply, cancel, back, respond N; show, help. \"...\" quotes a text.\n";

std::string utf8(const std::string &cp1251) { return cp1251_to_utf8(cp1251); }

void show_selection_heading(std::ostream &out, const DialogView &view) {
    out << "\n== " << (view.single ? "Select one object: " : "Select objects: ") << utf8(view.title) << "\n";
    out << "   " << utf8(view.cue) << "\n";
    if (view.single) out << "   The first object picked closes the dialog.\n";
}

void show_candidates(std::ostream &out, const std::vector<Listed> &listed, const std::string &pattern, size_t limit) {
    if (listed.empty()) {
        out << (pattern.empty() ? "   Nothing below the displayed part can be picked.\n"
                                : "   Nothing that can be picked matches " + utf8(pattern) + ".\n");
        return;
    }
    out << "   Objects that can be picked (" << listed.size() << "):\n";
    size_t width = 0;
    for (size_t i = 0; i < listed.size() && i < limit; ++i) width = std::max(width, utf8_width(listed[i].reference));
    for (size_t i = 0; i < listed.size() && i < limit; ++i) {
        const Listed &l = listed[i];
        out << "   "
            << (i + 1 < 10     ? "   "
                : i + 1 < 100  ? "  "
                : i + 1 < 1000 ? " "
                               : "")
            << i + 1 << "  " << utf8(l.reference) << std::string(width - utf8_width(l.reference) + 3, ' ')
            << utf8(l.part) << (l.selected ? "   (selected)" : "") << "\n";
    }
    if (listed.size() > limit)
        out << "   ... " << listed.size() - limit << " more: \"list\" shows them all, \"list PATTERN\" some\n";
}

void show_tree(std::ostream &out, const std::string &displayed, const std::vector<Desk::TreeRow> &rows,
               const std::vector<tag_t> &pickable) {
    std::set<tag_t> can_pick(pickable.begin(), pickable.end());
    out << "   " << utf8(displayed) << "\n";
    for (const Desk::TreeRow &row : rows)
        out << "   " << std::string(static_cast<size_t>(row.depth) * 2 + 2, ' ') << utf8(row.name) << "   "
            << utf8(row.part) << (can_pick.contains(row.object) ? "   (can be picked)" : "") << "\n";
}

void show_choice(std::ostream &out, const DialogView &view) {
    out << "\n== Choice: " << utf8(view.title) << "\n";
    for (size_t i = 0; i < view.options.size(); ++i) out << "   " << 5 + i << "  " << utf8(view.options[i]) << "\n";
    out << "   Answers: an option's number or text, back, cancel\n";
}

void show_question(std::ostream &out, const DialogView &view) {
    out << "\n== Question: " << utf8(view.title) << "\n";
    for (const auto &l : view.lines) out << "   " << utf8(l) << "\n";
    out << "   Buttons:";
    for (size_t i = 0; i < view.options.size(); ++i)
        out << (i ? ", " : " ") << utf8(view.options[i]) << " (" << view.responses[i] << ")";
    out << "\n   Answers: a button's label or number\n";
}

std::string part_answers(const DialogView &view) {
    return view.kind == ActionKind::NewPart ? "   Answers: a part name [units 1|2], cancel\n"
                                            : "   Answers: a part name, cancel\n";
}

void show_part_dialog(std::ostream &out, const DialogView &view) {
    out << "\n== "
        << (view.kind == ActionKind::PartName  ? "Part name"
            : view.kind == ActionKind::NewPart ? "New part"
                                               : "Open part")
        << (view.title.empty() ? "" : ": " + utf8(view.title)) << "\n";
    if (view.kind == ActionKind::NewPart)
        out << "   Units offered: " << (view.units == 2 ? "inch (2)" : "metric (1)") << "\n";
    out << part_answers(view);
}

void show_dialog(std::ostream &out, const Dialog &dialog, bool all_entries, EntriesSeen &seen) {
    if (all_entries) out << "\n== Dialog: " << utf8(dialog.layout.title) << "   (" << utf8(dialog.path) << ")\n";
    size_t width = 4;
    for (const auto &item : dialog.layout.items) width = std::max(width, item.id.size());
    for (const auto &item : dialog.layout.items) {
        out << "   " << item.id << std::string(width - item.id.size() + 2, ' ') << kind_word(item.kind)
            << std::string(9 - std::string(kind_word(item.kind)).size(), ' ') << item_value_text(item, "none selected")
            << (item.sensitive ? "" : "   (greyed)") << "\n";
        if (item.kind != ItemKind::List) continue;
        std::string key = std::to_string(dialog.id) + "/" + item.id;
        auto before = seen.find(key);
        if (!all_entries && before != seen.end() && before->second == item.entries) continue;
        seen[key] = item.entries;
        if (item.entries.empty()) out << "   " << std::string(width + 4, ' ') << "(no entries)\n";
        for (size_t i = 0; i < item.entries.size(); ++i)
            out << "   " << std::string(width + 4, ' ') << (i < 10 ? " " : "") << i << "  " << utf8(item.entries[i])
                << (static_cast<int>(i) == item.selected ? "   <" : "") << "\n";
    }
    out << "   Buttons:";
    for (size_t i = 0; i < dialog.layout.buttons.size(); ++i) out << (i ? ", " : " ") << dialog.layout.buttons[i];
    out << "\n";
}

}  // namespace nxsim::terminal
