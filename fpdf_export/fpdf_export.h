// State shared by the two halves of fpdf_export: the tool (dialog, route
// selection, route lines) and the writer of the rivet records.
#pragma once

#include <cstdio>

#include "uf.h"

// A route holds at most this many rivets; the tables keep one entry more.
constexpr int MAX_RIVETS = 99;
constexpr int MEMBER_ROOM = 100;
// Route name in the route line and the point identifiers: the first 9 characters.
constexpr int PATH_NAME_LEN = 9;
constexpr int PATH_NAME_SIZE = PATH_NAME_LEN + 1;

// The open machine file; the tool run closes it after the log.
extern FILE *fpdf_file;

// Writes one route to fpdf_file, its route line and its rivet records sorted by
// point identifier, all of it or nothing (*written tells which). 0 when written or
// left out (a missing attribute, a position or axis out of the doubles' range); the
// host's code when a call failed.
int write_path_rivets(const char *path_name, const tag_t *member_array, int member_count, bool *written);
