#include "render_svg.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <sstream>
#include <vector>

#include "cp1251.h"
#include "json_error.h"

namespace nxsim::render {

std::string counted(size_t n, const char *what) { return std::to_string(n) + " " + what + (n == 1 ? "" : "s"); }

namespace {

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

int decimals_for(double step) { return std::clamp(static_cast<int>(-std::floor(std::log10(step) + 1e-9)), 0, 12); }

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
constexpr double kCharWidth = 7.2;       // an average character of the 12 px legend text
constexpr size_t kFindingTextMax = 110;  // characters of a finding in the list; the tooltip has it whole

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

// The first `max` characters of a UTF-8 text, and "…" when it was longer.
std::string cut(const std::string &utf8, size_t max) {
    size_t n = 0;
    for (size_t i = 0; i < utf8.size(); ++i) {
        if ((static_cast<unsigned char>(utf8[i]) & 0xC0) == 0x80) continue;
        if (n++ == max) return utf8.substr(0, i) + "…";
    }
    return utf8;
}

}  // namespace

std::string draw(const Session &s, const Picture &pic, Plane plane, bool with_findings, bool by_fastener) {
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
    // By fastener: each fast_code a colour of its own, in code order; rivets without one grey.
    std::map<std::string, size_t> fasteners;
    for (const Rivet &r : pic.rivets)
        if (!r.fastener.empty()) ++fasteners[r.fastener];
    std::map<std::string, const char *> fastener_colours;
    for (const auto &[code, count] : fasteners) {
        fastener_colours[code] = kRouteColours[fastener_colours.size() % kRouteColourCount];
        if (by_fastener) widest = std::max(widest, characters(cp1251_to_utf8(code) + " — " + counted(count, "rivet")));
    }
    auto rivet_colour = [&](const Rivet &r) {
        if (!by_fastener) return route_colour(r.route);
        auto it = fastener_colours.find(r.fastener);
        return it == fastener_colours.end() ? kNeutral : it->second;
    };
    // The findings' list beside the legend, so that it survives printing.
    std::vector<std::string> finding_labels;
    for (size_t k = 0; k < pic.finding_list.size(); ++k) {
        finding_labels.push_back(std::to_string(k + 1) + "  " + cut(pic.finding_list[k], kFindingTextMax));
        widest = std::max(widest, characters(finding_labels.back()));
    }
    const double width = legend_x + std::max(kLegendWidth, 30 + kCharWidth * static_cast<double>(widest) + 16);
    size_t legend_rows = pic.routes.size() + 4;
    if (by_fastener) legend_rows += fasteners.size() + 2;
    if (!finding_labels.empty()) legend_rows += finding_labels.size() + 2;
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
             " · " + counted(pic.components.size(), "component") + ", " + counted(pic.rivets.size(), "rivet") + " in " +
             counted(pic.routes.size(), "route") +
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
        ticks << "<line x1=\"" << num(x) << "\" y1=\"" << num(view.y0 + view.h) << "\" x2=\"" << num(x) << "\" y2=\""
              << num(view.y0 + view.h + 5) << "\" stroke=\"#444444\"/>\n";
        ticks << "<text x=\"" << num(x) << "\" y=\"" << num(view.y0 + view.h + 18)
              << "\" text-anchor=\"middle\" font-size=\"10\" fill=\"#444444\">" << num(k * step, dec) << "</text>\n";
    }
    const double v_lo = view.v_at(view.y0 + view.h), v_hi = view.v_at(view.y0);
    for (double k : tick_values(v_lo, v_hi, step)) {
        double y = view.py(k * step);
        o << "<line x1=\"" << num(view.x0) << "\" y1=\"" << num(y) << "\" x2=\"" << num(view.x0 + view.w) << "\" y2=\""
          << num(y) << "\"/>\n";
        ticks << "<line x1=\"" << num(view.x0 - 5) << "\" y1=\"" << num(y) << "\" x2=\"" << num(view.x0) << "\" y2=\""
              << num(y) << "\" stroke=\"#444444\"/>\n";
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
      << "\" text-anchor=\"middle\" font-weight=\"bold\" transform=\"rotate(-90 " << num(view.x0 - 56) << ' ' << num(ly)
      << ")\">" << axes.vertical << " (" << units << ")</text>\n";

    // The WCS origin, when it lies in the plot.
    Point origin = project(s.display->wcs, plane, s.display->wcs.origin);
    double ox = view.px(origin.u), oy = view.py(origin.v);
    if (ox >= view.x0 && ox <= view.x0 + view.w && oy >= view.y0 && oy <= view.y0 + view.h) {
        o << "<g id=\"wcs-origin\" stroke=\"#888888\" stroke-width=\"1\">";
        tooltip(o, "WCS origin");
        o << "<line x1=\"" << num(ox) << "\" y1=\"" << num(oy) << "\" x2=\"" << num(ox + 22) << "\" y2=\"" << num(oy)
          << "\"/><line x1=\"" << num(ox) << "\" y1=\"" << num(oy) << "\" x2=\"" << num(ox) << "\" y2=\""
          << num(oy - 22) << "\"/>";
        o << "<text x=\"" << num(ox + 24) << "\" y=\"" << num(oy + 4) << "\" font-size=\"9\" fill=\"#888888\" "
          << "stroke=\"none\">" << axes.horizontal << "</text><text x=\"" << num(ox - 6) << "\" y=\"" << num(oy - 25)
          << "\" font-size=\"9\" fill=\"#888888\" stroke=\"none\">" << axes.vertical << "</text>";
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
          << "\" cy=\"" << num(view.py(r.at.v)) << "\" r=\"3.5\" fill=\"" << rivet_colour(r) << "\">";
        std::string tip = r.path;
        if (r.has_point_id) tip += "  point_id " + cp1251_to_utf8(r.point_id);
        if (!r.fastener.empty()) tip += "  fast_code " + cp1251_to_utf8(r.fastener);
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

    // The numbers of the findings in the list, beside the rings.
    o << "<g id=\"finding-numbers\" fill=\"" << kFindingRed << "\" font-size=\"10\" font-weight=\"bold\">\n";
    for (const Rivet &r : pic.rivets) {
        if (r.finding_numbers.empty()) continue;
        std::string numbers;
        for (size_t n : r.finding_numbers) {
            if (!numbers.empty()) numbers += ',';
            numbers += std::to_string(n);
        }
        o << "<text class=\"finding-number\" x=\"" << num(view.px(r.at.u) + 8) << "\" y=\"" << num(view.py(r.at.v) + 13)
          << "\">" << numbers << "</text>\n";
    }
    o << "</g>\n";

    // Scale bar.
    const double bar = nice_below(view.w / 4 / view.scale);
    const double bx = view.x0, by = view.y0 + view.h + 66, bw = bar * view.scale;
    o << "<g id=\"scale-bar\" stroke=\"#222222\" stroke-width=\"1.5\">"
      << "<line x1=\"" << num(bx) << "\" y1=\"" << num(by) << "\" x2=\"" << num(bx + bw) << "\" y2=\"" << num(by)
      << "\"/><line x1=\"" << num(bx) << "\" y1=\"" << num(by - 5) << "\" x2=\"" << num(bx) << "\" y2=\"" << num(by + 5)
      << "\"/><line x1=\"" << num(bx + bw) << "\" y1=\"" << num(by - 5) << "\" x2=\"" << num(bx + bw) << "\" y2=\""
      << num(by + 5) << "\"/>"
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
        y += kLegendRow;
    }
    if (by_fastener) {
        y += kLegendRow / 2;
        o << "<text x=\"" << num(legend_x) << "\" y=\"" << num(y)
          << "\" font-weight=\"bold\">Rivets by fastener</text>\n";
        y += kLegendRow;
        for (const auto &[code, count] : fasteners) {
            o << "<g class=\"legend-fastener\" data-fastener=\"" << xml(cp1251_to_utf8(code)) << "\"><circle cx=\""
              << num(legend_x + 11) << "\" cy=\"" << num(y - 4) << "\" r=\"3.5\" fill=\"" << fastener_colours[code]
              << "\"/><text x=\"" << num(legend_x + 30) << "\" y=\"" << num(y) << "\">"
              << xml(cp1251_to_utf8(code) + " — " + counted(count, "rivet")) << "</text></g>\n";
            y += kLegendRow;
        }
    }
    o << "</g>\n";
    if (!finding_labels.empty()) {
        y += kLegendRow / 2;
        o << "<g id=\"finding-list\">\n<text x=\"" << num(legend_x) << "\" y=\"" << num(y)
          << "\" font-weight=\"bold\">Findings of the route check</text>\n";
        y += kLegendRow;
        for (size_t k = 0; k < finding_labels.size(); ++k, y += kLegendRow) {
            o << "<text class=\"finding-entry\" x=\"" << num(legend_x) << "\" y=\"" << num(y) << "\">"
              << xml(finding_labels[k]);
            tooltip(o, pic.finding_list[k]);
            o << "</text>\n";
        }
        o << "</g>\n";
    }
    o << "</svg>\n";
    return o.str();
}

}  // namespace nxsim::render
