// What the session file's readers and its writer agree on.
#pragma once

#include "geometry.h"

namespace nxsim::session_file {

// Format 1 (no "format" key) is every file written before format 2; format 2 leaves
// out an object name equal to the instance name, so there an absent one is not empty.
inline constexpr int kFormat = 2;

// Quarter turns about the parent's Z axis: how the parts of a panel mostly lie (a rib
// across the stringers), in one word instead of two axes.
struct Turn {
    int degrees;
    Vec3 x, y;
};
inline constexpr Turn kTurns[] = {
    {90, {0, 1, 0}, {-1, 0, 0}}, {180, {-1, 0, 0}, {0, -1, 0}}, {270, {0, -1, 0}, {1, 0, 0}}};

}  // namespace nxsim::session_file
