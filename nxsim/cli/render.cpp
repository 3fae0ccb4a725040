// `nxsim render`: draws the displayed assembly in one plane of the displayed part's
// WCS, so an engineer can see the routes, their walk order and what the route check
// found without the CAD host.
#include "render.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iostream>
#include <limits>
#include <map>
#include <sstream>
#include <vector>

#include "cp1251.h"
#include "json_error.h"
#include "model.h"
#include "session_file.h"

namespace nxsim {
namespace {

namespace fs = std::filesystem;

// ---- the route check's findings ------------------------------------------------

struct Finding {
    std::string route;     // instance name, Windows-1251 as in the log
    std::string point_id;  // empty for a finding about the whole route
    bool whole_route = false;
    std::string text;      // UTF-8, for the rivet's tooltip
    int line = 0;
    bool matched = false;
};

// The log's lines are Windows-1251; the markers are written here in UTF-8.
std::string cp(const char *utf8) { return utf8_to_cp1251(utf8).value(); }

bool starts_with(const std::string &s, const std::string &prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

// "... <grip_lng>= 9.5 \tline=218" -> "... <grip_lng>= 9.5": the line number means
// nothing to the reader of the picture.
std::string without_line_number(std::string text) {
    size_t at = text.rfind("line=");
    if (at != std::string::npos) {
        text.erase(at);
        while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.pop_back();
    }
    return text;
}

std::vector<Finding> read_findings(const fs::path &path) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec))
        throw InputError(path.string() + ": cannot be read (" + (fs::exists(path, ec) ? "not a file" : "no such file") +
                         ")");
    std::ifstream in(path, std::ios::binary);
    if (!in) throw InputError(path.string() + ": cannot be read");
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw InputError(path.string() + ": cannot be read");

    static const std::string in_route = cp("в маршруте <");
    static const std::string rivet = cp("> заклепка <");
    static const std::string over_limit = cp("> больше 99 заклепок");
    static const std::string no_point_id = cp("отсутствие атрибута <point_id> у заклепки в маршруте <");

    std::vector<Finding> findings;
    size_t start = 0;
    int number = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        start = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos) continue;
        line.erase(0, first);

        Finding f;
        f.line = number;
        if (starts_with(line, in_route)) {
            std::string rest = line.substr(in_route.size());
            size_t r = rest.find(rivet);
            if (r != std::string::npos) {
                std::string after = rest.substr(r + rivet.size());
                size_t dash = after.find("> - ");
                if (dash == std::string::npos) continue;
                f.route = rest.substr(0, r);
                f.point_id = after.substr(0, dash);
                f.text = cp1251_to_utf8(without_line_number(after.substr(dash + 4)));
            } else {
                size_t o = rest.find(over_limit);
                if (o == std::string::npos) continue;
                f.route = rest.substr(0, o);
                f.whole_route = true;
                f.text = cp1251_to_utf8(without_line_number(line));
            }
        } else if (starts_with(line, no_point_id)) {
            std::string rest = line.substr(no_point_id.size());
            size_t close = rest.rfind('>');
            if (close == std::string::npos) continue;
            f.route = rest.substr(0, close);
            f.whole_route = true;
            f.text = cp1251_to_utf8(line);
        } else {
            continue;
        }
        findings.push_back(std::move(f));
    }
    return findings;
}

// The route check keeps 19 characters of a point identifier: a finding naming
// exactly 19 characters stands for every identifier that begins with them.
constexpr size_t kCheckedPointIdLength = 19;

bool names_point(const std::string &named, const std::string &point_id) {
    if (named == point_id) return true;
    return named.size() == kCheckedPointIdLength && point_id.size() > named.size() && starts_with(point_id, named);
}

// ---- what is drawn -------------------------------------------------------------

enum class Plane { XY, YZ, ZX };

struct PlaneInfo {
    const char *horizontal;
    const char *vertical;
    const char *towards;  // the axis that points at the viewer
};

PlaneInfo plane_info(Plane p) {
    switch (p) {
    case Plane::XY: return {"XC", "YC", "ZC"};
    case Plane::YZ: return {"YC", "ZC", "XC"};
    case Plane::ZX: return {"ZC", "XC", "YC"};
    }
    return {"XC", "YC", "ZC"};
}

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
    std::vector<std::string> findings;
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
};

const Attribute *string_attribute(const Session &s, const Instance &inst, const char *title) {
    const Attribute *a = inst.attributes.find(title);
    if (a == nullptr)
        if (const Part *p = s.find_part(inst.part_name)) a = p->attributes.find(title);
    return a != nullptr && a->type == AttrType::String ? a : nullptr;
}

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
            std::string path = cp1251_to_utf8(s.describe(child));
            if (!std::isfinite(at.u) || !std::isfinite(at.v))
                throw InputError(path + ": its place is too far out to be drawn");
            if (string_attribute(s, inst, "RIVET") != nullptr) {
                Rivet r;
                r.at = at;
                r.path = path;
                r.route = route;
                if (const Attribute *id = string_attribute(s, inst, "point_id")) {
                    r.has_point_id = true;
                    r.point_id = id->text;
                }
                if (route >= 0) pic.routes[static_cast<size_t>(route)].rivets.push_back(pic.rivets.size());
                pic.rivets.push_back(std::move(r));
            } else {
                pic.components.push_back({at, path});
            }
            int child_route = -1;
            if (string_attribute(s, inst, "PATH") != nullptr) {
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

// Marks the rivets the findings name; answers how many findings named none.
size_t apply_findings(Picture &pic, std::vector<Finding> &findings) {
    size_t unmatched = 0;
    for (Finding &f : findings) {
        for (Route &route : pic.routes) {
            if (route.name != f.route) continue;
            for (size_t i : route.rivets) {
                Rivet &r = pic.rivets[i];
                if (!f.whole_route && !(r.has_point_id && names_point(f.point_id, r.point_id))) continue;
                r.findings.push_back(f.text);
                f.matched = true;
            }
        }
        if (!f.matched) ++unmatched;
    }
    for (Route &route : pic.routes)
        for (size_t i : route.rivets)
            if (!pic.rivets[i].findings.empty()) ++route.marked;
    return unmatched;
}

// ---- SVG -----------------------------------------------------------------------

// Text and attribute values: escaped, and the control characters XML forbids replaced.
std::string xml(const std::string &utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (char c : utf8) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        case '\t': out += "&#9;"; break;
        case '\n': out += "&#10;"; break;
        case '\r': out += "&#13;"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20)
                out += "\xEF\xBF\xBD";  // U+FFFD
            else
                out += c;
        }
    }
    return out;
}

std::string num(double v, int decimals = 2) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    std::string s = buf;
    if (s.find_first_not_of("-0.") == std::string::npos && s[0] == '-') s.erase(0, 1);  // no "-0.00"
    return s;
}

// 1, 2 or 5 times a power of ten, not above `limit`.
double nice_below(double limit) {
    double p = std::pow(10.0, std::floor(std::log10(limit)));
    for (double m : {5.0, 2.0, 1.0})
        if (m * p <= limit) return m * p;
    return p / 2;
}

int decimals_for(double step) {
    return std::clamp(static_cast<int>(-std::floor(std::log10(step) + 1e-9)), 0, 12);
}

// Multiples of step between lo and hi, as counts of step. Bounded: far from the
// origin a step may be too small to change a double.
std::vector<double> tick_values(double lo, double hi, double step) {
    constexpr int kMaxTicks = 40;
    std::vector<double> ticks;
    double first = std::ceil(lo / step);
    for (int i = 0; i < kMaxTicks && (first + i) * step <= hi; ++i) ticks.push_back(first + i);
    return ticks;
}

// Distinct colours that are neither the neutral grey nor the findings' red.
const char *const kRouteColours[] = {"#1f77b4", "#ff7f0e", "#2ca02c", "#9467bd", "#8c564b",
                                     "#e377c2", "#17becf", "#bcbd22", "#393b79", "#637939"};
constexpr size_t kRouteColourCount = sizeof kRouteColours / sizeof kRouteColours[0];
const char *const kNeutral = "#6e6e6e";
const char *const kComponent = "#c2c2c2";
const char *const kFindingRed = "#d62728";

const char *route_colour(int route) {
    return route < 0 ? kNeutral : kRouteColours[static_cast<size_t>(route) % kRouteColourCount];
}

// The plot area keeps the drawing's proportions within these bounds.
constexpr double kPlotLong = 760, kPlotShort = 260, kPad = 24;
constexpr double kMarginLeft = 80, kMarginTop = 78, kMarginBottom = 96, kLegendWidth = 300, kLegendGap = 36;
constexpr double kLegendRow = 22, kNumberSpacing = 16;
constexpr double kCharWidth = 7.2;  // an average character of the 12 px legend text

struct View {
    double x0 = 0, y0 = 0, w = 0, h = 0;  // plot area in pixels
    double scale = 1;                     // pixels per model unit
    double cu = 0, cv = 0;                // model point at the centre
    double px(double u) const { return x0 + w / 2 + scale * (u - cu); }
    double py(double v) const { return y0 + h / 2 - scale * (v - cv); }
    double u_at(double x) const { return cu + (x - x0 - w / 2) / scale; }
    double v_at(double y) const { return cv - (y - y0 - h / 2) / scale; }
};

View fit(const Picture &pic) {
    double umin = std::numeric_limits<double>::infinity(), umax = -umin, vmin = umin, vmax = -umin;
    auto take = [&](const Point &p) {
        umin = std::min(umin, p.u), umax = std::max(umax, p.u);
        vmin = std::min(vmin, p.v), vmax = std::max(vmax, p.v);
    };
    for (const auto &c : pic.components) take(c.at);
    for (const auto &r : pic.rivets) take(r.at);
    if (umin > umax) umin = umax = vmin = vmax = 0;
    double du = umax - umin, dv = vmax - vmin;
    if (!std::isfinite(du) || !std::isfinite(dv)) throw InputError("the assembly spreads too far to be drawn");
    // A drawing with no extent still gets a frame: 10 model units around it.
    if (!(du > 1e-9) && !(dv > 1e-9)) du = dv = 10;
    View view;
    view.x0 = kMarginLeft;
    view.y0 = kMarginTop;
    if (du >= dv) {
        view.w = kPlotLong;
        view.h = std::clamp(kPlotLong * dv / du, kPlotShort, kPlotLong);
    } else {
        view.h = kPlotLong;
        view.w = std::clamp(kPlotLong * du / dv, kPlotShort, kPlotLong);
    }
    double su = du > 1e-9 ? (view.w - 2 * kPad) / du : std::numeric_limits<double>::infinity();
    double sv = dv > 1e-9 ? (view.h - 2 * kPad) / dv : std::numeric_limits<double>::infinity();
    view.scale = std::min(su, sv);
    view.cu = (umin + umax) / 2;
    view.cv = (vmin + vmax) / 2;
    return view;
}

std::string counted(size_t n, const char *what) {
    return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

std::string legend_label(const Route &route) {
    std::string label = cp1251_to_utf8(route.name) + " — " + counted(route.rivets.size(), "rivet");
    if (route.walk.size() != route.rivets.size())
        label += ", " + std::to_string(route.rivets.size() - route.walk.size()) + " without point_id";
    if (route.marked) label += ", " + std::to_string(route.marked) + " marked";
    return label;
}

size_t characters(const std::string &utf8) {
    size_t n = 0;
    for (char c : utf8) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

void tooltip(std::ostream &o, const std::string &utf8) { o << "<title>" << xml(utf8) << "</title>"; }

std::string coordinates(const Point &p) {
    return "WCS (" + num(p.wcs[0], 3) + ", " + num(p.wcs[1], 3) + ", " + num(p.wcs[2], 3) + ")";
}

std::string draw(const Session &s, const Picture &pic, Plane plane, bool with_findings) {
    const PlaneInfo axes = plane_info(plane);
    const View view = fit(pic);
    const std::string units = s.display->units == 2 ? "in" : "mm";
    const double legend_x = view.x0 + view.w + kLegendGap;
    std::vector<std::string> labels;
    size_t widest = 0;
    for (const Route &route : pic.routes) {
        labels.push_back(legend_label(route));
        widest = std::max(widest, characters(labels.back()));
    }
    const double width = legend_x + std::max(kLegendWidth, 30 + kCharWidth * static_cast<double>(widest) + 16);
    size_t legend_rows = pic.routes.size() + 4;
    const double height =
        std::max(view.y0 + view.h + kMarginBottom, view.y0 + 30 + kLegendRow * static_cast<double>(legend_rows) + 20);
    size_t loose = 0, marked = 0;
    for (const Rivet &r : pic.rivets) {
        if (r.route < 0) ++loose;
        if (!r.findings.empty()) ++marked;
    }

    std::ostringstream o;
    o << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    o << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << num(width, 0) << "\" height=\"" << num(height, 0)
      << "\" viewBox=\"0 0 " << num(width, 0) << ' ' << num(height, 0)
      << "\" font-family=\"DejaVu Sans, Arial, sans-serif\" font-size=\"12\">\n";
    const std::string part = cp1251_to_utf8(s.display->name);
    o << "<title>" << xml(part) << "</title>\n";
    o << "<rect x=\"0\" y=\"0\" width=\"" << num(width, 0) << "\" height=\"" << num(height, 0)
      << "\" fill=\"#ffffff\"/>\n";

    // Title.
    o << "<text class=\"title\" x=\"" << num(view.x0) << "\" y=\"30\" font-size=\"18\" font-weight=\"bold\">"
      << xml(part) << "</text>\n";
    o << "<text class=\"subtitle\" x=\"" << num(view.x0) << "\" y=\"52\" fill=\"#555555\">"
      << xml(std::string("WCS plane ") + axes.horizontal + "-" + axes.vertical + ", seen from +" + axes.towards +
             " · " + counted(pic.components.size(), "component") + ", " + counted(pic.rivets.size(), "rivet") +
             " in " + counted(pic.routes.size(), "route") +
             (with_findings ? ", " + std::to_string(marked) + " marked by the route check" : ""))
      << "</text>\n";

    // Frame, grid and ticks in WCS coordinates.
    const double step = nice_below(std::max(view.w, view.h) / view.scale / 6);
    const int dec = decimals_for(step);
    o << "<g id=\"grid\" stroke=\"#eeeeee\" stroke-width=\"1\">\n";
    std::ostringstream ticks;
    const double u_lo = view.u_at(view.x0), u_hi = view.u_at(view.x0 + view.w);
    for (double k : tick_values(u_lo, u_hi, step)) {
        double x = view.px(k * step);
        o << "<line x1=\"" << num(x) << "\" y1=\"" << num(view.y0) << "\" x2=\"" << num(x) << "\" y2=\""
          << num(view.y0 + view.h) << "\"/>\n";
        ticks << "<line x1=\"" << num(x) << "\" y1=\"" << num(view.y0 + view.h) << "\" x2=\"" << num(x)
              << "\" y2=\"" << num(view.y0 + view.h + 5) << "\" stroke=\"#444444\"/>\n";
        ticks << "<text x=\"" << num(x) << "\" y=\"" << num(view.y0 + view.h + 18)
              << "\" text-anchor=\"middle\" font-size=\"10\" fill=\"#444444\">" << num(k * step, dec) << "</text>\n";
    }
    const double v_lo = view.v_at(view.y0 + view.h), v_hi = view.v_at(view.y0);
    for (double k : tick_values(v_lo, v_hi, step)) {
        double y = view.py(k * step);
        o << "<line x1=\"" << num(view.x0) << "\" y1=\"" << num(y) << "\" x2=\"" << num(view.x0 + view.w)
          << "\" y2=\"" << num(y) << "\"/>\n";
        ticks << "<line x1=\"" << num(view.x0 - 5) << "\" y1=\"" << num(y) << "\" x2=\"" << num(view.x0)
              << "\" y2=\"" << num(y) << "\" stroke=\"#444444\"/>\n";
        ticks << "<text x=\"" << num(view.x0 - 8) << "\" y=\"" << num(y + 3.5)
              << "\" text-anchor=\"end\" font-size=\"10\" fill=\"#444444\">" << num(k * step, dec) << "</text>\n";
    }
    o << "</g>\n";
    o << "<rect x=\"" << num(view.x0) << "\" y=\"" << num(view.y0) << "\" width=\"" << num(view.w) << "\" height=\""
      << num(view.h) << "\" fill=\"none\" stroke=\"#444444\" stroke-width=\"1\"/>\n";
    o << "<g id=\"ticks\">\n" << ticks.str() << "</g>\n";
    o << "<text class=\"axis-label\" x=\"" << num(view.x0 + view.w / 2) << "\" y=\"" << num(view.y0 + view.h + 38)
      << "\" text-anchor=\"middle\" font-weight=\"bold\">" << axes.horizontal << " (" << units << ")</text>\n";
    const double ly = view.y0 + view.h / 2;
    o << "<text class=\"axis-label\" x=\"" << num(view.x0 - 56) << "\" y=\"" << num(ly)
      << "\" text-anchor=\"middle\" font-weight=\"bold\" transform=\"rotate(-90 " << num(view.x0 - 56) << ' '
      << num(ly) << ")\">" << axes.vertical << " (" << units << ")</text>\n";

    // The WCS origin, when it lies in the plot.
    Point origin = project(s.display->wcs, plane, s.display->wcs.origin);
    double ox = view.px(origin.u), oy = view.py(origin.v);
    if (ox >= view.x0 && ox <= view.x0 + view.w && oy >= view.y0 && oy <= view.y0 + view.h) {
        o << "<g id=\"wcs-origin\" stroke=\"#888888\" stroke-width=\"1\">";
        tooltip(o, "WCS origin");
        o << "<line x1=\"" << num(ox) << "\" y1=\"" << num(oy) << "\" x2=\"" << num(ox + 22) << "\" y2=\""
          << num(oy) << "\"/><line x1=\"" << num(ox) << "\" y1=\"" << num(oy) << "\" x2=\"" << num(ox)
          << "\" y2=\"" << num(oy - 22) << "\"/>";
        o << "<text x=\"" << num(ox + 24) << "\" y=\"" << num(oy + 4) << "\" font-size=\"9\" fill=\"#888888\" "
          << "stroke=\"none\">" << axes.horizontal << "</text><text x=\"" << num(ox - 6) << "\" y=\""
          << num(oy - 25) << "\" font-size=\"9\" fill=\"#888888\" stroke=\"none\">" << axes.vertical << "</text>";
        o << "</g>\n";
    }

    // Components, faint.
    o << "<g id=\"components\" fill=\"" << kComponent << "\">\n";
    for (const Component &c : pic.components) {
        o << "<circle class=\"component\" cx=\"" << num(view.px(c.at.u)) << "\" cy=\"" << num(view.py(c.at.v))
          << "\" r=\"2\">";
        tooltip(o, c.path + "  " + coordinates(c.at));
        o << "</circle>\n";
    }
    o << "</g>\n";

    // Walk order of each route, under its rivets.
    o << "<g id=\"walks\" fill=\"none\" stroke-width=\"1.5\" stroke-linejoin=\"round\" stroke-opacity=\"0.75\">\n";
    for (size_t k = 0; k < pic.routes.size(); ++k) {
        const Route &route = pic.routes[k];
        o << "<polyline class=\"walk\" data-route=\"" << xml(cp1251_to_utf8(route.name)) << "\" stroke=\""
          << route_colour(static_cast<int>(k)) << "\" points=\"";
        for (size_t n = 0; n < route.walk.size(); ++n) {
            const Rivet &r = pic.rivets[route.walk[n]];
            o << (n ? " " : "") << num(view.px(r.at.u)) << ',' << num(view.py(r.at.v));
        }
        o << "\"/>\n";
    }
    o << "</g>\n";

    // Rivets, coloured by route.
    o << "<g id=\"rivets\" stroke=\"#ffffff\" stroke-width=\"0.8\">\n";
    for (const Rivet &r : pic.rivets) {
        std::string route = r.route >= 0 ? cp1251_to_utf8(pic.routes[static_cast<size_t>(r.route)].name) : "";
        o << "<circle class=\"rivet\"";
        if (r.route >= 0) o << " data-route=\"" << xml(route) << "\"";
        if (r.has_point_id) o << " data-point-id=\"" << xml(cp1251_to_utf8(r.point_id)) << "\"";
        o << " data-u=\"" << num(r.at.u, 6) << "\" data-v=\"" << num(r.at.v, 6) << "\" cx=\"" << num(view.px(r.at.u))
          << "\" cy=\"" << num(view.py(r.at.v)) << "\" r=\"3.5\" fill=\"" << route_colour(r.route) << "\">";
        std::string tip = r.path;
        if (r.has_point_id) tip += "  point_id " + cp1251_to_utf8(r.point_id);
        tip += r.route >= 0 ? "  route " + route : "  not in a route";
        tooltip(o, tip + "  " + coordinates(r.at));
        o << "</circle>\n";
    }
    o << "</g>\n";

    // Walk numbers and the start of each walk. In a dense walk a number that would
    // sit on its neighbours is left out; the first and the last always show.
    o << "<g id=\"walk-numbers\" font-size=\"9\">\n";
    for (size_t k = 0; k < pic.routes.size(); ++k) {
        const Route &route = pic.routes[k];
        double last_x = 0, last_y = 0;
        for (size_t n = 0; n < route.walk.size(); ++n) {
            const Rivet &r = pic.rivets[route.walk[n]];
            double x = view.px(r.at.u), y = view.py(r.at.v);
            if (n == 0)
                o << "<circle class=\"walk-start\" cx=\"" << num(x) << "\" cy=\"" << num(y)
                  << "\" r=\"6\" fill=\"none\" stroke=\"" << route_colour(static_cast<int>(k))
                  << "\" stroke-width=\"1.5\"/>\n";
            bool last = n + 1 == route.walk.size();
            if (n > 0 && !last) {
                const Rivet &end = pic.rivets[route.walk.back()];
                if (std::hypot(x - last_x, y - last_y) < kNumberSpacing ||
                    std::hypot(x - view.px(end.at.u), y - view.py(end.at.v)) < kNumberSpacing)
                    continue;
            }
            o << "<text x=\"" << num(x + 5) << "\" y=\"" << num(y - 5) << "\" fill=\""
              << route_colour(static_cast<int>(k)) << "\">" << n + 1 << "</text>\n";
            last_x = x, last_y = y;
        }
    }
    o << "</g>\n";

    // Rivets the route check found fault with.
    o << "<g id=\"findings\" fill=\"none\" stroke=\"" << kFindingRed << "\" stroke-width=\"2\">\n";
    for (const Rivet &r : pic.rivets) {
        if (r.findings.empty()) continue;
        o << "<circle class=\"finding\" data-route=\""
          << xml(cp1251_to_utf8(pic.routes[static_cast<size_t>(r.route)].name)) << "\"";
        if (r.has_point_id) o << " data-point-id=\"" << xml(cp1251_to_utf8(r.point_id)) << "\"";
        o << " cx=\"" << num(view.px(r.at.u)) << "\" cy=\"" << num(view.py(r.at.v)) << "\" r=\"7.5\">";
        std::string tip = r.path;
        for (const std::string &f : r.findings) tip += "\n" + f;
        tooltip(o, tip);
        o << "</circle>\n";
    }
    o << "</g>\n";

    // Scale bar.
    const double bar = nice_below(view.w / 4 / view.scale);
    const double bx = view.x0, by = view.y0 + view.h + 66, bw = bar * view.scale;
    o << "<g id=\"scale-bar\" stroke=\"#222222\" stroke-width=\"1.5\">"
      << "<line x1=\"" << num(bx) << "\" y1=\"" << num(by) << "\" x2=\"" << num(bx + bw) << "\" y2=\"" << num(by)
      << "\"/><line x1=\"" << num(bx) << "\" y1=\"" << num(by - 5) << "\" x2=\"" << num(bx) << "\" y2=\""
      << num(by + 5) << "\"/><line x1=\"" << num(bx + bw) << "\" y1=\"" << num(by - 5) << "\" x2=\""
      << num(bx + bw) << "\" y2=\"" << num(by + 5) << "\"/>"
      << "<text x=\"" << num(bx + bw + 8) << "\" y=\"" << num(by + 4) << "\" stroke=\"none\" fill=\"#222222\">"
      << num(bar, decimals_for(bar)) << ' ' << units << "</text></g>\n";

    // Legend.
    double y = view.y0 + 6;
    o << "<g id=\"legend\">\n";
    o << "<text x=\"" << num(legend_x) << "\" y=\"" << num(y) << "\" font-weight=\"bold\">Routes</text>\n";
    y += kLegendRow;
    for (size_t k = 0; k < pic.routes.size(); ++k, y += kLegendRow) {
        const Route &route = pic.routes[k];
        const char *colour = route_colour(static_cast<int>(k));
        const std::string &label = labels[k];
        o << "<g class=\"legend-route\" data-route=\"" << xml(cp1251_to_utf8(route.name)) << "\">";
        o << "<line x1=\"" << num(legend_x) << "\" y1=\"" << num(y - 4) << "\" x2=\"" << num(legend_x + 22)
          << "\" y2=\"" << num(y - 4) << "\" stroke=\"" << colour << "\" stroke-width=\"1.5\"/>";
        o << "<circle cx=\"" << num(legend_x + 11) << "\" cy=\"" << num(y - 4) << "\" r=\"3.5\" fill=\"" << colour
          << "\"/>";
        o << "<text x=\"" << num(legend_x + 30) << "\" y=\"" << num(y) << "\">" << xml(label) << "</text>";
        tooltip(o, route.path);
        o << "</g>\n";
    }
    if (pic.routes.empty()) {
        o << "<text x=\"" << num(legend_x) << "\" y=\"" << num(y) << "\" fill=\"#555555\">no route</text>\n";
        y += kLegendRow;
    }
    if (loose) {
        o << "<circle cx=\"" << num(legend_x + 11) << "\" cy=\"" << num(y - 4) << "\" r=\"3.5\" fill=\"" << kNeutral
          << "\"/><text x=\"" << num(legend_x + 30) << "\" y=\"" << num(y) << "\">"
          << xml("not in a route — " + counted(loose, "rivet")) << "</text>\n";
        y += kLegendRow;
    }
    o << "<circle cx=\"" << num(legend_x + 11) << "\" cy=\"" << num(y - 4) << "\" r=\"2\" fill=\"" << kComponent
      << "\"/><text x=\"" << num(legend_x + 30) << "\" y=\"" << num(y) << "\">other component</text>\n";
    y += kLegendRow;
    if (with_findings) {
        o << "<circle cx=\"" << num(legend_x + 11) << "\" cy=\"" << num(y - 4) << "\" r=\"7.5\" fill=\"none\" stroke=\""
          << kFindingRed << "\" stroke-width=\"2\"/><text x=\"" << num(legend_x + 30) << "\" y=\"" << num(y)
          << "\">finding of the route check</text>\n";
    }
    o << "</g>\n";
    o << "</svg>\n";
    return o.str();
}

}  // namespace

int render_command(const RenderOptions &options, std::ostream &out, std::ostream &err) {
    try {
        Plane plane = Plane::XY;
        if (options.plane) {
            if (*options.plane == "xy")
                plane = Plane::XY;
            else if (*options.plane == "yz")
                plane = Plane::YZ;
            else if (*options.plane == "zx")
                plane = Plane::ZX;
            else
                throw InputError("--plane: expected xy, yz or zx, not \"" + *options.plane + "\"");
        }
        std::unique_ptr<Session> session = load_session(options.session);
        if (session->display == nullptr) throw InputError(options.session.string() + ": display: no part is displayed");
        std::vector<Finding> findings;
        if (options.findings) findings = read_findings(*options.findings);

        Picture pic;
        std::string svg;
        size_t unmatched = 0;
        try {
            pic = gather(*session, plane);
            unmatched = apply_findings(pic, findings);
            svg = draw(*session, pic, plane, options.findings.has_value());
        } catch (const InputError &e) {
            throw InputError(options.session.string() + ": " + e.what());
        }
        write_file_atomically(options.out, svg);

        size_t marked = 0;
        for (const Rivet &r : pic.rivets) marked += r.findings.empty() ? 0 : 1;
        out << options.out.string() << ": " << counted(pic.routes.size(), "route") << ", "
            << counted(pic.rivets.size(), "rivet");
        if (options.findings) out << ", " << marked << " marked";
        out << "\n";
        if (unmatched) {
            const Finding *first = nullptr;
            for (const Finding &f : findings)
                if (!f.matched && first == nullptr) first = &f;
            err << "nxsim: note: " << options.findings->string() << ":" << first->line << ": " << unmatched
                << (unmatched == 1 ? " finding names" : " findings name") << " no rivet of the displayed assembly\n";
        }
        return 0;
    } catch (const InputError &e) {
        err << "nxsim: " << e.what() << "\n";
        return 1;
    }
}

}  // namespace nxsim
