#include "render_picture.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "common/vocabulary.h"
#include "cp1251.h"
#include "json_error.h"
#include "references.h"

namespace nxsim::render {

PlaneInfo plane_info(Plane p) {
    switch (p) {
    case Plane::XY: return {"XC", "YC", "ZC"};
    case Plane::YZ: return {"YC", "ZC", "XC"};
    case Plane::ZX: return {"ZC", "XC", "YC"};
    }
    return {"XC", "YC", "ZC"};
}

namespace {

const Attribute *string_attribute(const Session &s, const Instance &inst, const char *title) {
    const Attribute *a = inst.attributes.find(title);
    if (a == nullptr)
        if (const Part *p = s.find_part(inst.part_name)) a = p->attributes.find(title);
    return a != nullptr && a->type == AttrType::String ? a : nullptr;
}

}  // namespace

Point project(const Frame &wcs, Plane plane, const Vec3 &absolute) {
    Point p;
    p.wcs = wcs.from_parent(absolute);
    switch (plane) {
    case Plane::XY: p.u = p.wcs[0], p.v = p.wcs[1]; break;
    case Plane::YZ: p.u = p.wcs[1], p.v = p.wcs[2]; break;
    case Plane::ZX: p.u = p.wcs[2], p.v = p.wcs[0]; break;
    }
    return p;
}

Picture gather(Session &s, Plane plane) {
    Picture pic;
    const Frame &wcs = s.display->wcs;
    std::function<void(tag_t, int)> walk = [&](tag_t from, int route) {
        for (tag_t child : s.children(from)) {
            const Occurrence *occ = s.occurrence(child);
            const Instance &inst = *occ->instance;
            Point at = project(wcs, plane, s.absolute(*occ).origin);
            std::string path = cp1251_to_utf8(describe(s, child));
            if (!std::isfinite(at.u) || !std::isfinite(at.v))
                throw InputError(path + ": its place is too far out to be drawn");
            if (string_attribute(s, inst, RIVET_MARK_TITLE) != nullptr) {
                Rivet r;
                r.at = at;
                r.path = path;
                r.route = route;
                if (const Attribute *id = string_attribute(s, inst, POINT_ID_TITLE)) {
                    r.has_point_id = true;
                    r.point_id = id->text;
                }
                if (const Attribute *fast = string_attribute(s, inst, FAST_CODE_TITLE)) r.fastener = fast->text;
                if (route >= 0) pic.routes[static_cast<size_t>(route)].rivets.push_back(pic.rivets.size());
                pic.rivets.push_back(std::move(r));
            } else {
                pic.components.push_back({at, path});
            }
            int child_route = -1;
            if (string_attribute(s, inst, PATH_TITLE) != nullptr) {
                child_route = static_cast<int>(pic.routes.size());
                pic.routes.push_back({inst.name, path, {}, {}, 0});
            }
            walk(child, child_route);
        }
    };
    walk(s.display->tag, -1);
    for (Route &route : pic.routes) {
        for (size_t i : route.rivets)
            if (pic.rivets[i].has_point_id) route.walk.push_back(i);
        std::stable_sort(route.walk.begin(), route.walk.end(),
                         [&](size_t a, size_t b) { return pic.rivets[a].point_id < pic.rivets[b].point_id; });
    }
    return pic;
}

size_t apply_findings(Picture &pic, std::vector<Finding> &findings) {
    size_t unmatched = 0;
    for (Finding &f : findings) {
        size_t number = pic.finding_list.size() + 1;
        for (Route &route : pic.routes) {
            if (route.name != f.route) continue;
            for (size_t i : route.rivets) {
                Rivet &r = pic.rivets[i];
                if (!f.whole_route && !(r.has_point_id && names_point(f.point_id, r.point_id))) continue;
                r.findings.push_back(f.text);
                if (!f.whole_route) r.finding_numbers.push_back(number);
                f.matched = true;
            }
            if (f.whole_route && !route.rivets.empty())
                pic.rivets[route.walk.empty() ? route.rivets.front() : route.walk.front()].finding_numbers.push_back(
                    number);
        }
        if (!f.matched) {
            ++unmatched;
            continue;
        }
        pic.finding_list.push_back(
            f.whole_route ? f.text : cp1251_to_utf8(f.route) + " " + cp1251_to_utf8(f.point_id) + ": " + f.text);
    }
    for (Route &route : pic.routes)
        for (size_t i : route.rivets)
            if (!pic.rivets[i].findings.empty()) ++route.marked;
    return unmatched;
}

}  // namespace nxsim::render
