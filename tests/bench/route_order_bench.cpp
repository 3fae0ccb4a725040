// The shortest order of a route of up to 99 rivets, as a tool or nxsim's route table
// asks for it: scattered rivets in a random order, and the double staggered rows of a
// curved skin in the order a row-by-row walk leaves them.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <random>
#include <vector>

#include "common/route_order.h"

namespace {

using points_t = std::vector<std::array<double, 3>>;

points_t scattered(int count) {
    std::mt19937 random(static_cast<unsigned>(count));
    std::uniform_real_distribution<double> along(0.0, 600.0), across(0.0, 120.0);
    points_t points;
    for (int k = 0; k < count; ++k) points.push_back({along(random), across(random), 0.0});
    return points;
}

// Two rows 20 mm apart, pitch 25 mm, the second row half a pitch on, on a skin of
// radius 1500 mm about the span; in the order first row out, second row out.
points_t staggered(int count) {
    points_t points;
    for (int k = 0; k < count; ++k) {
        int row = k < (count + 1) / 2 ? 0 : 1;
        int place = row == 0 ? k : k - (count + 1) / 2;
        double x = 25.0 * place + 12.5 * row, y = 20.0 * row;
        double angle = x / 1500.0;
        points.push_back({1500.0 * std::sin(angle), y, 1500.0 * (1.0 - std::cos(angle))});
    }
    return points;
}

void run(benchmark::State &state, const points_t &points, bool shuffle) {
    int count = static_cast<int>(points.size());
    const auto *table = reinterpret_cast<const double(*)[3]>(points.data());
    std::vector<int> given(points.size());
    std::iota(given.begin(), given.end(), 0);
    if (shuffle) std::shuffle(given.begin() + 1, given.end(), std::mt19937(5));
    double before = route_travel(table, given.data(), count);
    std::vector<int> order;
    for (auto _ : state) {
        order = given;
        if (shortest_order(table, order.data(), count) != 0) state.SkipWithError("refused a route of 99 rivets");
        benchmark::DoNotOptimize(order.data());
    }
    double after = route_travel(table, order.data(), count);
    std::vector<int> sorted = order;
    std::sort(sorted.begin(), sorted.end());
    std::vector<int> all(points.size());
    std::iota(all.begin(), all.end(), 0);
    if (after > before || order.front() != given.front() || sorted != all)
        state.SkipWithError("the order came out longer, lost its first rivet or is not a permutation");
    state.counters["travel_before_mm"] = before;
    state.counters["travel_after_mm"] = after;
}

void BM_ShortestOrderScattered(benchmark::State &state) {
    run(state, scattered(static_cast<int>(state.range(0))), true);
}

void BM_ShortestOrderStaggeredRows(benchmark::State &state) {
    run(state, staggered(static_cast<int>(state.range(0))), false);
}

}  // namespace

BENCHMARK(BM_ShortestOrderScattered)->Arg(10)->Arg(50)->Arg(ROUTE_ORDER_MAX_POINTS)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShortestOrderStaggeredRows)->Arg(ROUTE_ORDER_MAX_POINTS)->Unit(benchmark::kMillisecond);
