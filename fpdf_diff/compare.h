// What a new issue of a machine file changes for the cell: route by route and rivet
// by rivet, with the lines of both files, as text for a person and JSON for tools.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "common/fpdf_reader.h"

enum class change_kind {
    header,             // a header field
    route_added,        // a route only the new file has
    route_removed,      // a route only the old file has
    route_recounted,    // the rivet count the route line states
    rivet_added,        // a rivet neither at an old position nor under an old identifier
    rivet_removed,      // the other way round
    rivet_moved,        // the same identifier, the position or the axis beyond the file's decimals
    rivet_recoded,      // process code, add code, fastener or grip
    rivet_resequenced,  // found at its position, under another identifier or at another place in the order
};

struct field_change {
    const char *name;
    std::string old_value, new_value;  // bytes as the files hold them
};

// One change; only the members its kind needs are set.
struct change {
    change_kind kind = change_kind::header;
    std::string route;
    std::string old_id, new_id;
    long old_line = 0, new_line = 0;
    std::vector<field_change> fields;  // header, recoded
    bool position_moved = false, axis_moved = false;
    double old_position[3] = {0, 0, 0}, new_position[3] = {0, 0, 0};
    double old_axis[3] = {0, 0, 0}, new_axis[3] = {0, 0, 0};
    double distance = 0;                  // how far the position moved
    long old_number = 0, new_number = 0;  // rivets of a route, its counts, a rivet's places from 1
};

// Every change from old to new: the header first, then the old file's routes in
// their order (removed, or what changed in them), then the routes added.
std::vector<change> compare(const fpdf::file &old_file, const fpdf::file &new_file);

// One line per change, without the line end; texts in UTF-8.
std::string change_line(const change &c);

// The last line: "<old> -> <new>: the same (...)" or how many changes of each kind.
std::string summary_line(const std::string &old_path, const std::string &new_path, const fpdf::file &new_file,
                         const std::vector<change> &changes);

// The whole comparison as one JSON document.
std::string changes_json(const std::string &old_path, const std::string &new_path, const std::vector<change> &changes);
