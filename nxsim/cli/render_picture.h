// The picture `nxsim render` draws, gathered from the session: components, rivets
// and routes projected into a plane of the displayed part's WCS, with the walk of
// each route and the findings that name its rivets.
#pragma once

#include <string>
#include <vector>

#include "model.h"
#include "render_findings.h"

namespace nxsim::render {

enum class Plane { XY, YZ, ZX };

struct PlaneInfo {
    const char *horizontal;
    const char *vertical;
    const char *towards;  // the axis that points at the viewer
};

PlaneInfo plane_info(Plane p);

struct Point {
    double u = 0, v = 0;  // plane coordinates in the WCS
    Vec3 wcs{0, 0, 0};
};

struct Rivet {
    Point at;
    std::string path;  // UTF-8
    bool has_point_id = false;
    std::string point_id;  // Windows-1251
    int route = -1;
    std::string fastener;  // fast_code, Windows-1251
    std::vector<std::string> findings;
    std::vector<size_t> finding_numbers;  // numbers in the picture's list of findings
};

struct Route {
    std::string name;  // instance name, Windows-1251
    std::string path;  // UTF-8
    std::vector<size_t> rivets;
    std::vector<size_t> walk;  // rivets with a point_id, in point_id order
    size_t marked = 0;
};

struct Component {
    Point at;
    std::string path;
};

struct Picture {
    std::vector<Component> components;
    std::vector<Rivet> rivets;
    std::vector<Route> routes;
    std::vector<std::string> finding_list;  // UTF-8, number k is entry k - 1
};

Point project(const Frame &wcs, Plane plane, const Vec3 &absolute);
// Throws InputError for a place too far out to be drawn.
Picture gather(Session &s, Plane plane);
// Marks the rivets the findings name and numbers the findings that name one, in the
// log's order; a finding about a whole route is numbered at the route's first rivet
// on its walk. Answers how many findings named none.
size_t apply_findings(Picture &pic, std::vector<Finding> &findings);

}  // namespace nxsim::render
