// What the two halves of fpdf_verify share: the machine file as read (routes and
// records), and the comparison of one picked route of the assembly with it.
#pragma once

#include "common/fpdf_reader.h"
#include "uf.h"

// A route holds at most this many rivets; the table keeps one entry more.
constexpr int MAX_RIVETS = 99;
constexpr int MEMBER_ROOM = 100;
// Route name in the route line and the point identifiers: the first 9 characters.
constexpr int PATH_NAME_LEN = 9;
constexpr int PATH_NAME_SIZE = PATH_NAME_LEN + 1;

// The machine file being verified, as the reader gave it.
extern fpdf::file file_read;

// Compares the picked route (its rivets found under route, named path_name) with
// the file; every difference is one log line. Adds the route's differences to
// *differences. Answers error_code: 0, or the code of a failing host call (reported).
int verify_route(tag_t route, const char *path_name, int *differences);
