// `nxsim routes`: one row per route component of a session, so an engineer sees at
// a glance what each route holds, whether it is walked, what the last route check
// found in it, and whether another first rivet would shorten its walk.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/cell_time.h"
#include "model.h"

namespace nxsim {

struct RouteRow {
    std::string route;  // instance name, UTF-8
    std::string path;   // reference from the displayed part, UTF-8
    size_t rivets = 0;
    size_t fasteners = 0;  // distinct fast_code values
    size_t grips = 0;      // distinct fast_code and grip_lng pairs
    // Every rivet has a point_id "<route part number, 9 characters>_NN" and the
    // numbers run 1..n.
    bool walked = false;
    std::optional<size_t> findings;  // lines of the route check's log naming the route
    // Sum of the distances between consecutive rivets in point_id order (the rivets
    // that have one), in mm; none with fewer than two such rivets.
    std::optional<double> travel_mm;
    // The same rivets in the shortest order the route editing gives from the first of
    // them (2-opt and Or-opt, common/route_order.h); none for more than 99 of them.
    std::optional<double> shortest_mm;
    // The cell's time for the route's rivets, in seconds, as fpdf_check gives it.
    double time_s = 0;
    // The same nearest-neighbour rule as the route walk, from the first rivet that
    // gives the shortest walk; none for a route of more than kNearestLimit rivets.
    std::optional<double> best_mm;
    std::string best_start;  // that rivet's reference
};

// Routes with more rivets than this are too many for the O(n^3) search of the best start.
constexpr size_t kNearestLimit = 500;

// One row per component whose part carries the route mark, in tree order. A rivet
// belongs to the nearest route above it. findings_by_route: route name (Windows-1251)
// -> number of findings; nullptr when no log is given.
std::vector<RouteRow> route_rows(Session &s, const std::map<std::string, size_t> *findings_by_route);

// The length of the nearest-neighbour walk from `first` over `points` (in the
// order the route walk sees them): a candidate must be strictly nearer to win.
double nearest_neighbour_length(const std::vector<Vec3> &points, size_t first);

enum class RouteFormat { Table, Csv, Json };

void write_routes(const std::vector<RouteRow> &rows, RouteFormat format, std::ostream &out);

struct RoutesOptions {
    std::filesystem::path session;
    std::optional<std::filesystem::path> findings;  // the route check's error log
    RouteFormat format = RouteFormat::Table;
    double rivet_seconds = cell_time::RIVET_SECONDS;
};

// Bad input: one line on err and the usage exit status.
int routes_command(const RoutesOptions &options, std::ostream &out, std::ostream &err);

}  // namespace nxsim
