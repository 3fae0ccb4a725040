#include "common/route_order.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <random>

namespace {

constexpr int MAX_POINTS = ROUTE_ORDER_MAX_POINTS;
// Or-opt moves stretches of up to this many points.
constexpr int OR_OPT_LONGEST = 3;
// A move must gain more than this share of the starting travel: rounding alone
// never counts as a gain, so the search ends.
constexpr double RELATIVE_GAIN = 1.0e-12;
// Restarts from a shaken copy of the best path found.
constexpr int MAX_KICKS = 30;
// A pass weighs some count * count moves: fewer restarts on a long route keep a route
// of 99 points within a few milliseconds.
constexpr int KICK_BUDGET = 100000;
constexpr int MAX_CUT_TRIES = 16;
constexpr unsigned RANDOM_SEED = 20261209;
// A bound on the passes over the path, far above what a route of 99 points needs.
constexpr long MAX_PASSES = 100000;

using distance_table = std::array<std::array<double, MAX_POINTS>, MAX_POINTS>;

double distance(const double a[3], const double b[3]) {
    double dx = a[0] - b[0], dy = a[1] - b[1], dz = a[2] - b[2];
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

struct path {
    const distance_table &table;
    int *order;
    int count;
    double d(int a, int b) const { return table[order[a]][order[b]]; }
};

// Reverses order[i..j] wherever that shortens the path (1 <= i < j < count).
bool two_opt_pass(path &p, double min_gain) {
    bool shortened = false;
    for (int i = 1; i + 1 < p.count; ++i) {
        for (int j = i + 1; j < p.count; ++j) {
            bool last = j + 1 == p.count;
            double before = p.d(i - 1, i) + (last ? 0.0 : p.d(j, j + 1));
            double after = p.d(i - 1, j) + (last ? 0.0 : p.d(i, j + 1));
            if (before - after > min_gain) {
                std::reverse(p.order + i, p.order + j + 1);
                shortened = true;
            }
        }
    }
    return shortened;
}

// Moves a stretch order[i..i+length-1] to just after another position, either way
// round, wherever that shortens the path.
bool or_opt_pass(path &p, double min_gain) {
    bool shortened = false;
    for (int length = 1; length <= OR_OPT_LONGEST; ++length) {
        for (int i = 1; i + length <= p.count; ++i) {
            int end = i + length - 1;
            bool tail = end + 1 == p.count;
            double removed = p.d(i - 1, i) + (tail ? 0.0 : p.d(end, end + 1) - p.d(i - 1, end + 1));
            // Putting a stretch back in costs at least minus its own length (triangle
            // inequality): a removal that gains no more cannot pay.
            if (removed + p.d(i, end) <= min_gain) continue;
            for (int at = 0; at < p.count; ++at) {
                if (at >= i - 1 && at <= end) continue;
                bool at_end = at + 1 == p.count;
                double forward = p.d(at, i) + (at_end ? 0.0 : p.d(end, at + 1) - p.d(at, at + 1));
                double backward = p.d(at, end) + (at_end ? 0.0 : p.d(i, at + 1) - p.d(at, at + 1));
                if (removed - std::min(forward, backward) <= min_gain) continue;
                int first = 0;
                if (at < i) {
                    std::rotate(p.order + at + 1, p.order + i, p.order + end + 1);
                    first = at + 1;
                } else {
                    std::rotate(p.order + i, p.order + end + 1, p.order + at + 1);
                    first = at - length + 1;
                }
                if (backward < forward) std::reverse(p.order + first, p.order + first + length);
                shortened = true;
                // The stretch now at i is another one: weigh its removal afresh.
                removed = p.d(i - 1, i) + (tail ? 0.0 : p.d(end, end + 1) - p.d(i - 1, end + 1));
            }
        }
    }
    return shortened;
}

// Both kinds of move until neither shortens the path.
void improve(path &p, double min_gain, long &passes) {
    while (passes < MAX_PASSES) {
        ++passes;
        bool shortened = two_opt_pass(p, min_gain);
        shortened = or_opt_pass(p, min_gain) || shortened;
        if (!shortened) return;
    }
}

double path_travel(const path &p) {
    double travel = 0.0;
    for (int k = 1; k < p.count; ++k) travel += p.d(k - 1, k);
    return travel;
}

// Cuts the path behind the first point into four stretches A B C D and lays them
// out as A C B D: a change no single 2-opt or Or-opt move makes, so the search can
// leave a path where every one of those moves is longer.
void double_bridge(path &p, std::minstd_rand &random) {
    // Three different cuts in 1..count; the last may fall behind the path (D empty).
    auto pick = [&] { return 1 + static_cast<int>(random() % static_cast<unsigned>(p.count)); };
    std::array<int, 3> cut{pick(), pick(), pick()};
    for (int tries = 0; tries < MAX_CUT_TRIES && (cut[0] == cut[1] || cut[1] == cut[2] || cut[0] == cut[2]); ++tries)
        cut = {pick(), pick(), pick()};
    std::sort(cut.begin(), cut.end());
    if (cut[0] == cut[1] || cut[1] == cut[2]) return;
    std::rotate(p.order + cut[0], p.order + cut[1], p.order + cut[2]);
}

}  // namespace

double route_travel(const double points[][3], const int order[], int count) {
    double travel = 0.0;
    for (int k = 1; k < count; ++k) {
        int from = order != nullptr ? order[k - 1] : k - 1;
        int to = order != nullptr ? order[k] : k;
        travel += distance(points[from], points[to]);
    }
    return travel;
}

int shortest_order(const double points[][3], int order[], int count) {
    if (count < 0 || count > MAX_POINTS) return 1;
    std::array<bool, MAX_POINTS> seen{};
    for (int k = 0; k < count; ++k) {
        if (order[k] < 0 || order[k] >= count || seen[order[k]]) return 1;
        seen[order[k]] = true;
    }
    if (count < 3) return 0;

    distance_table table;
    for (int a = 0; a < count; ++a)
        for (int b = 0; b < count; ++b) table[a][b] = distance(points[a], points[b]);
    std::array<int, MAX_POINTS> given;
    std::copy(order, order + count, given.begin());
    double start = route_travel(points, order, count);
    double min_gain = RELATIVE_GAIN * start;

    path p{table, order, count};
    long passes = 0;
    improve(p, min_gain, passes);
    // A local optimum of these moves can lie well above the best path (a tenth and more
    // on ten scattered points): search again from shaken copies of the best, keep the
    // shortest. A fixed seed gives the same order every time.
    std::array<int, MAX_POINTS> best;
    std::copy(order, order + count, best.begin());
    double best_travel = path_travel(p);
    std::minstd_rand random(RANDOM_SEED);
    int kicks = std::min(MAX_KICKS, KICK_BUDGET / (count * count));
    for (int kick = 0; kick < kicks && count >= 4; ++kick) {
        double_bridge(p, random);
        improve(p, min_gain, passes);
        double travel = path_travel(p);
        if (best_travel - travel > min_gain) {
            best_travel = travel;
            std::copy(order, order + count, best.begin());
        } else {
            std::copy(best.begin(), best.begin() + count, order);
        }
    }

    // The gains are summed in another order than the travel: never hand back a path
    // that the sum finds longer.
    if (!(route_travel(points, order, count) <= start)) std::copy(given.begin(), given.begin() + count, order);
    return 0;
}
