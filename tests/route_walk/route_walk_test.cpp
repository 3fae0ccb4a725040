#include <gtest/gtest.h>

#include "scenario.h"

SCENARIO_SUITE(RouteWalk, "route_walk");
