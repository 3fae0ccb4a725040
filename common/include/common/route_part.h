// Making a route component as route creation makes one: its part created under
// TeamCenter ("<number>", revision A, master), added to the displayed assembly at its
// origin under its number, marked PATH = "work" and saved; and the display given back
// after the making. A failing host call goes to the reporter the tool passes.
#pragma once

#include "common/steps.h"
#include "uf.h"

constexpr int CODE_RESTART_TEAMCENTER = 920007;
constexpr int CODE_PART_EXISTS = 1020004;
constexpr int ENCODED_NAME_SIZE = MAX_FSPEC_SIZE + 1;

// Encodes the part number into encoded_name and creates the part (metric), which
// becomes the work and displayed part. A number that has its part already is written
// to the log, not reported, and sets `taken`: the caller goes on with the next
// number. A session that TeamCenter must start again (920007) is told in a box and
// two log lines; any other failure is reported. Answers error_code.
int new_route_part(const char *part_number, char (&encoded_name)[ENCODED_NAME_SIZE], tag_t &part, bool &taken,
                   error_reporter report);

// Adds the new part to the displayed assembly at its origin, named by its number,
// marks the part PATH = "work" and saves it. go_on with the instance; ended when the
// instance has no part (told in a box and the log, error_code 0); failed after a
// failing call (reported). The instance is set once added, and stays in the
// assembly whatever follows: taking it back is the caller's.
step add_route_part(const char *encoded_name, const char *part_number, tag_t &instance, error_reporter report);

// After the making with the display suppressed: the display comes back and the
// assembly is displayed again; both are tried. A failing call is reported, an
// assembly not displayed again also told in a box and the log. Answers the display
// call's code; part_failure takes the code of displaying the assembly again.
int display_assembly_again(error_reporter report, int &part_failure);
