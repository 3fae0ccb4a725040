// The route walk's rule, shared by the walk and the route editing: from a first rivet
// always on to the nearest rivet not yet placed, and the point_id each rivet gets.
#pragma once

#include "common/steps.h"
#include "uf.h"

inline constexpr int POINT_ID_BUFFER_SIZE = 30;
inline constexpr int POINT_ID_LENGTH = 12;  // the point field of the machine file

static_assert(POINT_ID_LENGTH < POINT_ID_BUFFER_SIZE, "the cut must lie inside the buffer");

// "%.9s_%02d" of the route's part number and the rivet's 1-based place, cut to 12.
void format_point_id(const char *part_number, int position, char (&point_id)[POINT_ID_BUFFER_SIZE]);

// The component's absolute origin; answers error_code (not reported here).
int ask_component_origin(tag_t component, double origin[3]);

// The walk: nearest neighbour from `first` over the route's children, into `walk`
// (created here; the caller owns it). A candidate must be strictly nearer to win, so
// a tie keeps the one earlier in the children's order. Failures are reported
// (plain-run reporter) and answer step::failed.
step walk_nearest(const host_tags &children, tag_t first, host_list &walk);
