#include <gtest/gtest.h>

#include "scenario.h"

SCENARIO_SUITE(RouteCheck, "route_check");
