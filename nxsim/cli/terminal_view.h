// How the terminal shows the tool's dialogs to the engineer: headings, the objects a
// selection may take, the assembly tree, a dialog's items and buttons. Texts arrive in
// Windows-1251 and are shown in UTF-8.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <map>
#include <string>
#include <vector>

#include "engineer.h"
#include "terminal_desk.h"

namespace nxsim::terminal {

extern const char *const kSelectionHelp;
extern const char *const kDialogHelp;

std::string utf8(const std::string &cp1251);

// A selection opens: its title, its cue and whether it takes one object.
void show_selection_heading(std::ostream &out, const DialogView &view);

// One object a selection may take, as listed (numbered from 1).
struct Listed {
    std::string reference, part;
    bool selected = false;
};
// The first `limit` of the objects listed for `pattern` (empty: all).
void show_candidates(std::ostream &out, const std::vector<Listed> &listed, const std::string &pattern, size_t limit);
void show_tree(std::ostream &out, const std::string &displayed, const std::vector<Desk::TreeRow> &rows,
               const std::vector<tag_t> &pickable);

void show_choice(std::ostream &out, const DialogView &view);
void show_question(std::ostream &out, const DialogView &view);
void show_part_dialog(std::ostream &out, const DialogView &view);
// The part name dialog's help line(s).
std::string part_answers(const DialogView &view);

// Lists that show again only when they change, by "dialog/item".
using EntriesSeen = std::map<std::string, std::vector<std::string>>;
void show_dialog(std::ostream &out, const Dialog &dialog, bool all_entries, EntriesSeen &seen);

}  // namespace nxsim::terminal
