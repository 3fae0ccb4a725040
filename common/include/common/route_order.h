// The order of a route's rivets as an open path: its travel, and a shorter order that
// keeps the first rivet. Plain functions over fixed tables (no allocation, no
// exceptions, nothing of the host), for the tools and for nxsim's route table alike.
#pragma once

// A route holds at most this many rivets (its point_id numbers run 01 to 99).
inline constexpr int ROUTE_ORDER_MAX_POINTS = 99;

// The travel of the open path through points[order[0]], points[order[1]], ... in turn:
// the sum of the straight distances, in the points' units (mm in the suite). A null
// order is the points' own order. Fewer than two points travel 0.
double route_travel(const double points[][3], const int order[], int count);

// Shortens the path order[0..count-1] (a permutation of 0..count-1) in place by 2-opt
// and Or-opt moves (a stretch of one to three points moved elsewhere, either way round)
// for an open path, keeping order[0], until no move shortens it; then again from a few
// shaken copies of the best path found (the same ones every time), keeping the
// shortest. The result is never longer than the order given, and the same for the same
// input. Answers 0; 1 when count is negative or above ROUTE_ORDER_MAX_POINTS or order is
// not a permutation, and order is left as it was.
int shortest_order(const double points[][3], int order[], int count);
