// The cell's time for a machine file: each rivet at the machine's rate, which holds
// the short move to the next rivet of its route, and the travel between routes at
// the speed the panel is moved. fpdf_check and `nxsim routes` give the same figures.
#pragma once

namespace cell_time {

// 16 rivets a minute: the rate published for slug-rivet C-frame machines, move included.
constexpr double RIVET_SECONDS = 3.75;
// mm/s between routes: a cautious traverse of a positioner carrying a fixtured panel.
constexpr double TRAVEL_SPEED = 100;

constexpr double route_seconds(long rivets, double rivet_seconds) {
    return static_cast<double>(rivets) * rivet_seconds;
}

}  // namespace cell_time
