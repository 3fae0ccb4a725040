// The shortest order of a route: never longer than the order it starts from, the first
// rivet kept, a permutation; close to the best open path where every order can be tried.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <numeric>
#include <random>
#include <vector>

#include "common/route_order.h"

namespace {

using points_t = std::vector<std::array<double, 3>>;

const double (*table(const points_t &points))[3] { return reinterpret_cast<const double(*)[3]>(points.data()); }

std::vector<int> identity(int count) {
    std::vector<int> order(static_cast<size_t>(count));
    std::iota(order.begin(), order.end(), 0);
    return order;
}

// Scattered on a curved strip of skin, as rivets of a route lie (mm).
points_t random_route(std::mt19937 &random, int count) {
    std::uniform_real_distribution<double> along(0.0, 600.0), across(0.0, 120.0);
    points_t points;
    for (int k = 0; k < count; ++k) {
        double x = along(random), y = across(random);
        points.push_back({x, y, 0.0004 * x * x});
    }
    return points;
}

points_t staggered_rows(int count) {
    points_t points;
    for (int k = 0; k < count; ++k) points.push_back({25.0 * (k / 2) + 12.5 * (k % 2), 20.0 * (k % 2), 0.0});
    return points;
}

bool is_permutation_of_all(std::vector<int> order) {
    std::sort(order.begin(), order.end());
    return order == identity(static_cast<int>(order.size()));
}

// The best open path from point 0, by trying every order of the others.
double best_open_path(const points_t &points) {
    std::vector<int> order = identity(static_cast<int>(points.size()));
    double best = route_travel(table(points), order.data(), static_cast<int>(order.size()));
    while (std::next_permutation(order.begin() + 1, order.end()))
        best = std::min(best, route_travel(table(points), order.data(), static_cast<int>(order.size())));
    return best;
}

TEST(RouteOrder, TravelSumsTheStraightStepsInTheGivenOrder) {
    points_t points = {{0, 0, 0}, {3, 4, 0}, {3, 4, 12}};
    EXPECT_DOUBLE_EQ(route_travel(table(points), nullptr, 3), 5.0 + 12.0);
    std::vector<int> order = {2, 0, 1};
    EXPECT_DOUBLE_EQ(route_travel(table(points), order.data(), 3), 13.0 + 5.0);
    EXPECT_EQ(route_travel(table(points), nullptr, 1), 0.0);
    EXPECT_EQ(route_travel(table(points), nullptr, 0), 0.0);
}

TEST(RouteOrder, NeverLongerKeepsTheFirstAndIsAPermutation) {
    std::mt19937 random(20261209);
    for (int round = 0; round < 100; ++round) {
        int count = 1 + static_cast<int>(random() % ROUTE_ORDER_MAX_POINTS);
        // Every other route on a grid of staggered rows: many equal distances.
        points_t points = round % 2 ? random_route(random, count) : staggered_rows(count);
        std::vector<int> order = identity(count);
        std::shuffle(order.begin(), order.end(), random);
        std::vector<int> given = order;
        double before = route_travel(table(points), order.data(), count);
        ASSERT_EQ(shortest_order(table(points), order.data(), count), 0);
        double after = route_travel(table(points), order.data(), count);
        EXPECT_LE(after, before) << count << " points, round " << round;
        EXPECT_EQ(order.front(), given.front());
        EXPECT_TRUE(is_permutation_of_all(order));
    }
}

// Every 2-opt and Or-opt move of the result, made and measured by route_travel.
double shortest_single_move(const points_t &points, const std::vector<int> &order) {
    int n = static_cast<int>(order.size());
    double best = route_travel(table(points), order.data(), n);
    for (int i = 1; i < n; ++i) {
        for (int j = i + 1; j < n; ++j) {
            std::vector<int> moved = order;
            std::reverse(moved.begin() + i, moved.begin() + j + 1);
            best = std::min(best, route_travel(table(points), moved.data(), n));
        }
    }
    for (int length = 1; length <= 3; ++length) {
        for (int i = 1; i + length <= n; ++i) {
            for (int reversed = 0; reversed < 2; ++reversed) {
                std::vector<int> rest = order;
                std::vector<int> stretch(rest.begin() + i, rest.begin() + i + length);
                if (reversed) std::reverse(stretch.begin(), stretch.end());
                rest.erase(rest.begin() + i, rest.begin() + i + length);
                for (size_t at = 1; at <= rest.size(); ++at) {
                    std::vector<int> moved = rest;
                    moved.insert(moved.begin() + static_cast<long>(at), stretch.begin(), stretch.end());
                    best = std::min(best, route_travel(table(points), moved.data(), n));
                }
            }
        }
    }
    return best;
}

TEST(RouteOrder, NoSingleMoveShortensTheResult) {
    std::mt19937 random(7);
    for (int count : {5, 20, ROUTE_ORDER_MAX_POINTS}) {
        points_t points = random_route(random, count);
        std::vector<int> order = identity(count);
        std::shuffle(order.begin() + 1, order.end(), random);
        std::vector<int> shuffled = order;
        ASSERT_EQ(shortest_order(table(points), order.data(), count), 0);
        double travel = route_travel(table(points), order.data(), count);
        EXPECT_GE(shortest_single_move(points, order), travel * (1.0 - 1.0e-9)) << count << " points";
        // And a crossing walk comes out far shorter.
        if (count >= 20) {
            EXPECT_LT(travel, 0.5 * route_travel(table(points), shuffled.data(), count));
        }
    }
}

TEST(RouteOrder, WithinThreePercentOfTheBestOpenPathUpToTenPoints) {
    std::mt19937 random(99);
    for (int count = 3; count <= 10; ++count) {
        int rounds = count <= 8 ? 200 : 25;
        for (int round = 0; round < rounds; ++round) {
            points_t points = random_route(random, count);
            std::vector<int> order = identity(count);
            std::shuffle(order.begin() + 1, order.end(), random);
            ASSERT_EQ(shortest_order(table(points), order.data(), count), 0);
            double found = route_travel(table(points), order.data(), count);
            double best = best_open_path(points);
            EXPECT_LE(found, 1.03 * best) << count << " points, round " << round;
        }
    }
}

TEST(RouteOrder, FindsTheStraightLineThroughPointsInAnyOrder) {
    points_t points;
    for (int k = 0; k < 12; ++k) points.push_back({10.0 * k, 0.0, 0.0});
    std::vector<int> order = {0, 7, 2, 11, 4, 9, 1, 6, 3, 10, 5, 8};
    ASSERT_EQ(shortest_order(table(points), order.data(), 12), 0);
    EXPECT_EQ(order, identity(12));
}

TEST(RouteOrder, DegenerateRoutes) {
    points_t none;
    EXPECT_EQ(shortest_order(nullptr, nullptr, 0), 0);
    EXPECT_EQ(route_travel(nullptr, nullptr, 0), 0.0);

    points_t one = {{1, 2, 3}};
    std::vector<int> order = {0};
    EXPECT_EQ(shortest_order(table(one), order.data(), 1), 0);
    EXPECT_EQ(order, std::vector<int>{0});

    points_t two = {{0, 0, 0}, {5, 0, 0}};
    order = {1, 0};
    EXPECT_EQ(shortest_order(table(two), order.data(), 2), 0);
    EXPECT_EQ(order, (std::vector<int>{1, 0}));

    // Equal points: nothing can be gained, the order stays as it was.
    points_t same(7, {4, 4, 4});
    order = {3, 1, 6, 0, 2, 5, 4};
    std::vector<int> given = order;
    EXPECT_EQ(shortest_order(table(same), order.data(), 7), 0);
    EXPECT_EQ(order, given);

    // Two clusters of equal points: the path visits each cluster once.
    points_t clusters = {{0, 0, 0}, {50, 0, 0}, {0, 0, 0}, {50, 0, 0}, {0, 0, 0}, {50, 0, 0}};
    order = identity(6);
    EXPECT_EQ(shortest_order(table(clusters), order.data(), 6), 0);
    EXPECT_DOUBLE_EQ(route_travel(table(clusters), order.data(), 6), 50.0);
    EXPECT_EQ(order.front(), 0);
}

TEST(RouteOrder, RefusesWhatIsNotARouteOfAtMost99Rivets) {
    std::mt19937 random(3);
    points_t points = random_route(random, ROUTE_ORDER_MAX_POINTS + 1);
    std::vector<int> order = identity(ROUTE_ORDER_MAX_POINTS + 1);
    std::shuffle(order.begin(), order.end(), random);
    std::vector<int> given = order;
    EXPECT_EQ(shortest_order(table(points), order.data(), ROUTE_ORDER_MAX_POINTS + 1), 1);
    EXPECT_EQ(order, given);
    EXPECT_EQ(shortest_order(table(points), order.data(), -1), 1);

    // Not a permutation: a repeated or an out-of-range index.
    order = {0, 2, 2, 1};
    given = order;
    EXPECT_EQ(shortest_order(table(points), order.data(), 4), 1);
    EXPECT_EQ(order, given);
    order = {0, 1, 4, 2};
    given = order;
    EXPECT_EQ(shortest_order(table(points), order.data(), 4), 1);
    EXPECT_EQ(order, given);
    order = {0, -1, 2, 3};
    EXPECT_EQ(shortest_order(table(points), order.data(), 4), 1);
}

}  // namespace
