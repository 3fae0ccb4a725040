#include "routes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <iomanip>
#include <iostream>
#include <limits>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "common/route_order.h"
#include "common/vocabulary.h"
#include "cp1251.h"
#include "json_error.h"
#include "references.h"
#include "render.h"
#include "session_file.h"

namespace nxsim {
namespace {

constexpr double kMillimetresPerInch = 25.4;
// The route walk keeps 9 characters of the part number before "_NN".
constexpr size_t kPointIdPrefix = 9;

const Attribute *string_attribute(const Session &s, const Instance &inst, const char *title) {
    const Attribute *a = inst.attributes.find(title);
    if (a == nullptr)
        if (const Part *p = s.find_part(inst.part_name)) a = p->attributes.find(title);
    return a != nullptr && a->type == AttrType::String ? a : nullptr;
}

std::string text_of(const Session &s, const Instance &inst, const char *title) {
    const Attribute *a = string_attribute(s, inst, title);
    return a != nullptr ? a->text : std::string();
}

// The part number the route walk puts before "_NN": "@DB/<number>/<revision>", or
// a native file's name without folder and extension.
std::string part_number(const std::string &part_name) {
    if (part_name.rfind("@DB/", 0) == 0) {
        size_t slash = part_name.find('/', 4);
        return part_name.substr(4, slash == std::string::npos ? std::string::npos : slash - 4);
    }
    size_t slash = part_name.find_last_of("\\/:");
    std::string number = slash == std::string::npos ? part_name : part_name.substr(slash + 1);
    size_t dot = number.rfind('.');
    return dot == std::string::npos ? number : number.substr(0, dot);
}

struct RouteRivet {
    Vec3 at;
    std::string point_id;
    std::string reference;  // UTF-8
    std::string fastener, grip;
};

struct Gathered {
    std::string name, path, part_number;
    std::vector<RouteRivet> rivets;  // in tree order, the order the route walk sees them
};

bool walked(const Gathered &g) {
    if (g.rivets.empty()) return false;
    std::string prefix = g.part_number.substr(0, kPointIdPrefix) + "_";
    std::set<std::string> ids;
    for (const RouteRivet &r : g.rivets) ids.insert(r.point_id);
    if (ids.size() != g.rivets.size()) return false;
    for (size_t n = 1; n <= g.rivets.size(); ++n) {
        std::ostringstream id;
        id << prefix << std::setw(2) << std::setfill('0') << n;
        if (!ids.contains(id.str())) return false;
    }
    return true;
}

RouteRow row_of(const Gathered &g, double to_mm, const std::map<std::string, size_t> *findings) {
    RouteRow row;
    row.route = cp1251_to_utf8(g.name);
    row.path = g.path;
    row.rivets = g.rivets.size();
    std::set<std::string> fasteners;
    std::set<std::pair<std::string, std::string>> grips;
    for (const RouteRivet &r : g.rivets) {
        if (!r.fastener.empty()) fasteners.insert(r.fastener);
        if (!r.fastener.empty() && !r.grip.empty()) grips.insert({r.fastener, r.grip});
    }
    row.fasteners = fasteners.size();
    row.grips = grips.size();
    row.walked = walked(g);
    if (findings != nullptr) {
        auto it = findings->find(g.name);
        row.findings = it == findings->end() ? 0 : it->second;
    }

    std::vector<const RouteRivet *> in_order;
    for (const RouteRivet &r : g.rivets)
        if (!r.point_id.empty()) in_order.push_back(&r);
    std::stable_sort(in_order.begin(), in_order.end(),
                     [](const RouteRivet *a, const RouteRivet *b) { return a->point_id < b->point_id; });
    if (in_order.size() >= 2) {
        double travel = 0;
        for (size_t k = 1; k < in_order.size(); ++k) travel += norm(in_order[k]->at - in_order[k - 1]->at);
        row.travel_mm = travel * to_mm;
    }
    if (in_order.size() >= 2 && in_order.size() <= static_cast<size_t>(ROUTE_ORDER_MAX_POINTS)) {
        double points[ROUTE_ORDER_MAX_POINTS][3];
        std::array<int, ROUTE_ORDER_MAX_POINTS> order{};
        int count = static_cast<int>(in_order.size());
        for (int k = 0; k < count; ++k) {
            const Vec3 &at = in_order[static_cast<size_t>(k)]->at;
            std::copy(at.begin(), at.end(), points[k]);
            order[static_cast<size_t>(k)] = k;
        }
        if (shortest_order(points, order.data(), count) == 0)
            row.shortest_mm = route_travel(points, order.data(), count) * to_mm;
    }

    if (!g.rivets.empty() && g.rivets.size() <= kNearestLimit) {
        std::vector<Vec3> points;
        for (const RouteRivet &r : g.rivets) points.push_back(r.at);
        size_t best = 0;
        double best_length = std::numeric_limits<double>::infinity();
        for (size_t first = 0; first < points.size(); ++first) {
            double length = nearest_neighbour_length(points, first);
            if (length < best_length) best_length = length, best = first;
        }
        row.best_mm = best_length * to_mm;
        row.best_start =
            g.rivets[best].point_id.empty() ? g.rivets[best].reference : cp1251_to_utf8(g.rivets[best].point_id);
    }
    return row;
}

std::string millimetres(const std::optional<double> &mm) {
    if (!mm) return "-";
    std::ostringstream s;
    s << std::fixed << std::setprecision(1) << *mm;
    return s.str();
}

std::string csv_field(const std::string &text) {
    if (text.find_first_of(",\"\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

size_t characters(const std::string &utf8) {
    size_t n = 0;
    for (char c : utf8) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

}  // namespace

double nearest_neighbour_length(const std::vector<Vec3> &points, size_t first) {
    std::vector<size_t> left;
    for (size_t i = 0; i < points.size(); ++i)
        if (i != first) left.push_back(i);
    double length = 0;
    size_t current = first;
    while (!left.empty()) {
        size_t pick = 0;
        double smallest = norm(points[left[0]] - points[current]);
        for (size_t k = 1; k < left.size(); ++k) {
            double d = norm(points[left[k]] - points[current]);
            if (d < smallest) smallest = d, pick = k;
        }
        length += smallest;
        current = left[pick];
        left.erase(left.begin() + static_cast<long>(pick));
    }
    return length;
}

std::vector<RouteRow> route_rows(Session &s, const std::map<std::string, size_t> *findings_by_route) {
    std::vector<Gathered> routes;
    if (s.display == nullptr) return {};
    std::function<void(tag_t, int)> walk = [&](tag_t from, int route) {
        for (tag_t child : s.children(from)) {
            const Occurrence *occ = s.occurrence(child);
            const Instance &inst = *occ->instance;
            if (route >= 0 && string_attribute(s, inst, RIVET_MARK_TITLE) != nullptr) {
                routes[static_cast<size_t>(route)].rivets.push_back(
                    {s.absolute(*occ).origin, text_of(s, inst, POINT_ID_TITLE), cp1251_to_utf8(describe(s, child)),
                     text_of(s, inst, FAST_CODE_TITLE), text_of(s, inst, GRIP_LNG_TITLE)});
            }
            int child_route = route;
            if (string_attribute(s, inst, PATH_TITLE) != nullptr) {
                child_route = static_cast<int>(routes.size());
                routes.push_back({inst.name, cp1251_to_utf8(describe(s, child)), part_number(inst.part_name), {}});
            }
            walk(child, child_route);
        }
    };
    walk(s.display->tag, -1);
    double to_mm = s.display->units == 2 ? kMillimetresPerInch : 1.0;
    std::vector<RouteRow> rows;
    rows.reserve(routes.size());
    for (const Gathered &g : routes) rows.push_back(row_of(g, to_mm, findings_by_route));
    return rows;
}

void write_routes(const std::vector<RouteRow> &rows, RouteFormat format, std::ostream &out) {
    bool with_findings = !rows.empty() && rows.front().findings.has_value();
    if (format == RouteFormat::Json) {
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const RouteRow &r : rows) {
            nlohmann::ordered_json j{{"route", r.route},         {"path", r.path},   {"rivets", r.rivets},
                                     {"fasteners", r.fasteners}, {"grips", r.grips}, {"walked", r.walked}};
            if (r.findings) j["findings"] = *r.findings;
            j["travel_mm"] = r.travel_mm ? nlohmann::ordered_json(*r.travel_mm) : nlohmann::ordered_json();
            j["shortest_mm"] = r.shortest_mm ? nlohmann::ordered_json(*r.shortest_mm) : nlohmann::ordered_json();
            j["time_s"] = r.time_s;
            j["best_mm"] = r.best_mm ? nlohmann::ordered_json(*r.best_mm) : nlohmann::ordered_json();
            j["best_start"] = r.best_start;
            list.push_back(j);
        }
        out << list.dump(2) << "\n";
        return;
    }
    std::vector<std::string> head = {"route", "rivets", "fasteners", "grips", "walked"};
    if (with_findings) head.emplace_back("findings");
    for (const char *h : {"travel mm", "shortest mm", "time s", "best mm", "best start"}) head.emplace_back(h);
    std::vector<std::vector<std::string>> table{head};
    for (const RouteRow &r : rows) {
        std::vector<std::string> cells = {r.route, std::to_string(r.rivets), std::to_string(r.fasteners),
                                          std::to_string(r.grips), r.walked ? "yes" : "no"};
        if (with_findings) cells.push_back(std::to_string(r.findings.value_or(0)));
        cells.push_back(millimetres(r.travel_mm));
        cells.push_back(millimetres(r.shortest_mm));
        cells.push_back(millimetres(r.time_s));
        cells.push_back(millimetres(r.best_mm));
        cells.push_back(r.best_start.empty() ? "-" : r.best_start);
        table.push_back(cells);
    }
    if (format == RouteFormat::Csv) {
        // Names a spreadsheet or a script can take as they are.
        for (std::string &name : table[0]) std::replace(name.begin(), name.end(), ' ', '_');
        for (const auto &cells : table) {
            for (size_t i = 0; i < cells.size(); ++i) out << (i ? "," : "") << csv_field(cells[i]);
            out << "\n";
        }
        return;
    }
    std::vector<size_t> width(head.size(), 0);
    for (const auto &cells : table)
        for (size_t i = 0; i < cells.size(); ++i) width[i] = std::max(width[i], characters(cells[i]));
    // Counts and lengths right-aligned, names and yes/no on the left.
    auto left_aligned = [&](size_t column) {
        return column == 0 || head[column] == "walked" || head[column] == "best start";
    };
    for (const auto &cells : table) {
        std::string line;
        for (size_t i = 0; i < cells.size(); ++i) {
            std::string pad(width[i] - characters(cells[i]), ' ');
            line += (i ? "  " : "") + (left_aligned(i) ? cells[i] + pad : pad + cells[i]);
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        out << line << "\n";
    }
    if (rows.empty()) out << "no route component in the displayed assembly\n";
}

int routes_command(const RoutesOptions &options, std::ostream &out, std::ostream &err) {
    try {
        std::unique_ptr<Session> session = load_session(options.session);
        if (session->display == nullptr) throw InputError(options.session.string() + ": display: no part is displayed");
        std::map<std::string, size_t> per_route;
        if (options.findings) per_route = findings_per_route(*options.findings);
        std::vector<RouteRow> rows = route_rows(*session, options.findings ? &per_route : nullptr);
        for (RouteRow &r : rows)
            r.time_s = cell_time::route_seconds(static_cast<long>(r.rivets), options.rivet_seconds);
        write_routes(rows, options.format, out);
        return 0;
    } catch (const InputError &e) {
        err << "nxsim: " << e.what() << "\n";
        return 2;
    }
}

}  // namespace nxsim
