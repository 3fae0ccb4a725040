// The picture as SVG (UTF-8): title, grid and axes in WCS coordinates, components,
// the walks, the rivets coloured by route, the findings, a scale bar and a legend.
#pragma once

#include <string>

#include "model.h"
#include "render_picture.h"

namespace nxsim::render {

// "1 rivet", "3 rivets".
std::string counted(size_t n, const char *what);

// by_fastener: the rivets coloured by fast_code instead of by route.
std::string draw(const Session &s, const Picture &pic, Plane plane, bool with_findings, bool by_fastener);

}  // namespace nxsim::render
