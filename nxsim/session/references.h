// The reference language: how people (scripts, the terminal, transcripts) name the
// objects of a session below its displayed part: "PANEL/SUB[2]/R7" (a component
// occurrence by instance names, [N] the Nth of equal names), "SKIN/#0" (a body),
// "S001R*" (a pattern: `*`, `?` within a level).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "export.h"
#include "model.h"

namespace nxsim {

// An object's reference ("PANEL/SUB[2]/R7", "PANEL/#0"); a part by its name.
NXSIM_EXPORT std::string describe(const Session &session, tag_t tag);
// The objects below the displayed part a reference names; empty if none.
NXSIM_EXPORT std::vector<tag_t> resolve(Session &session, std::string_view reference);
NXSIM_EXPORT bool glob_match(std::string_view pattern, std::string_view text);

}  // namespace nxsim
