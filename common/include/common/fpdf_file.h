// A machine file read from disk for the programs (fpdf_check, fpdf_diff); the tools
// read theirs through the host's run-time layer instead.
#pragma once

#include <string>

#include "common/fpdf_reader.h"

namespace fpdf {

// The whole file, up to one byte past MAX_FILE_BYTES (refuse() then refuses it).
// Only a regular file: a folder, a FIFO or a device is refused with why, line 0.
bool read_file(const char *path, std::string &bytes, problem &why) noexcept;

}  // namespace fpdf
