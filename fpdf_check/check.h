// Checks one machine file and prints its findings and summary.
#pragma once

#include <cstdio>
#include <string>

#include "common/cell_time.h"

// Exit statuses of the program; with several files the highest one counts.
constexpr int CHECK_CLEAN = 0;       // every file is as the export writes it
constexpr int CHECK_FINDINGS = 1;    // at least one finding
constexpr int CHECK_UNREADABLE = 2;  // a file could not be checked, or a usage error

struct check_options {
    double rivet_seconds = cell_time::RIVET_SECONDS;
    double travel_speed = cell_time::TRAVEL_SPEED;  // mm/s
    // When set, one locations-table row per record (CSV, UTF-8, CR LF) is appended
    // for a file that could be checked.
    std::string *table = nullptr;
};

// The locations table's header row.
extern const char TABLE_HEADER[];

// Findings and the summary go to out; a file that cannot be checked gives one
// line on err and nothing on out. Returns one of the statuses above.
int check_file(const char *path, std::FILE *out, std::FILE *err, const check_options &options = {});

// The same for bytes already read; `path` names them in the report.
int check_bytes(const char *path, const std::string &bytes, std::FILE *out, std::FILE *err,
                const check_options &options = {});
