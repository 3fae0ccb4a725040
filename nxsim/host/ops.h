// Session operations shared by several interface calls.
#pragma once

#include <string>

#include "host.h"

namespace nxsim {

// Creates a loaded, unsaved part and makes it the displayed and the work part.
int create_part(Host &h, const std::string &name, int units, tag_t *part);
// Loads a part of the store and makes it the displayed and the work part.
int open_part(Host &h, const std::string &name, tag_t *part);
void set_display(Host &h, Part *part);
void copy_text(char *out, size_t capacity, const std::string &text);
// The work part's frame in absolute coordinates of the displayed part.
int work_frame(Session &s, Frame &f);

}  // namespace nxsim
