#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "scenario.h"

SCENARIO_SUITE(RouteWalk, "route_walk");

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

struct rivet {
    std::string name;
    double origin[3];
    std::string point_id;
};

// The rivets of one route part as the saved session holds them, in the children's order.
std::vector<rivet> route_rivets(const Json &session, const std::string &part_name) {
    std::vector<rivet> rivets;
    for (const auto &part : session.at("parts")) {
        if (part.at("name") != part_name) continue;
        for (const auto &c : part.at("components")) {
            rivet r{c.at("name").get<std::string>(), {0, 0, 0}, ""};
            if (c.contains("origin"))
                for (int k = 0; k < 3; ++k) r.origin[k] = c["origin"][k].get<double>();
            if (c.contains("attributes") && c["attributes"].contains("point_id"))
                r.point_id = c["attributes"]["point_id"].get<std::string>();
            rivets.push_back(r);
        }
    }
    return rivets;
}

// Rivet names in the order the walk highlighted them.
std::vector<std::string> shown_order(const std::string &transcript, const std::string &route) {
    std::vector<std::string> order;
    std::istringstream in(transcript);
    const std::string prefix = "highlight on " + route + "/";
    for (std::string line; std::getline(in, line);)
        if (line.rfind(prefix, 0) == 0) order.push_back(line.substr(prefix.size()));
    return order;
}

double distance(const rivet &a, const rivet &b) {
    double s = 0;
    for (int k = 0; k < 3; ++k) s += (a.origin[k] - b.origin[k]) * (a.origin[k] - b.origin[k]);
    return std::sqrt(s);
}

// Recomputes the walk independently: from each rivet the nearest one left, the
// earlier child on a tie; checks the identifiers sort as text in walk order.
void check_walk(const char *case_name, const std::string &route, const std::string &part, const std::string &prefix,
                size_t expected_count) {
    auto run = scenario::run(fs::path(SCENARIO_DIR) / "route_walk" / case_name);
    ASSERT_EQ(run.exit_code, 0) << run.stderr_text;
    Json session = Json::parse(scenario::read_file(run.work / "session.json"));
    std::vector<rivet> rivets = route_rivets(session, part);
    std::vector<std::string> order = shown_order(scenario::read_file(run.work / "run" / "transcript.txt"), route);
    ASSERT_EQ(order.size(), expected_count);
    ASSERT_EQ(rivets.size(), expected_count);

    std::map<std::string, size_t> index;
    for (size_t i = 0; i < rivets.size(); ++i) index[rivets[i].name] = i;
    std::vector<bool> placed(rivets.size(), false);
    placed[index.at(order[0])] = true;
    for (size_t step = 1; step < order.size(); ++step) {
        const rivet &current = rivets[index.at(order[step - 1])];
        size_t best = rivets.size();
        for (size_t i = 0; i < rivets.size(); ++i)
            if (!placed[i] && (best == rivets.size() || distance(current, rivets[i]) < distance(current, rivets[best])))
                best = i;
        EXPECT_EQ(order[step], rivets[best].name) << "step " << step;
        placed[index.at(order[step])] = true;
    }

    std::vector<std::string> by_id;
    for (const auto &r : rivets) {
        EXPECT_LE(r.point_id.size(), 12u) << r.name;
        EXPECT_EQ(r.point_id.rfind(prefix, 0), 0u) << r.name << " " << r.point_id;
        by_id.push_back(r.point_id);
    }
    std::sort(by_id.begin(), by_id.end());
    EXPECT_TRUE(std::adjacent_find(by_id.begin(), by_id.end()) == by_id.end()) << "identifiers repeat";
    for (size_t m = 0; m < order.size(); ++m) EXPECT_EQ(rivets[index.at(order[m])].point_id, by_id[m]);
    fs::remove_all(run.work);
}

}  // namespace

TEST(RouteWalkOrder, NinetyNineRivetsFromTheMiddle) {
    check_walk("limit_99_100", "BIG99", "@DB/BIG99/A", "BIG99_", 99);
}

TEST(RouteWalkOrder, TiesAndEqualOrigins) {
    check_walk("ties_equal_origins", "TIES", "@DB/TIESROUTE/B", "TIESROUTE_", 6);
}

TEST(RouteWalkOrder, NineCharacterCut) {
    check_walk("walk_nine_char_cut", "AAAAB_001", "@DB/AAAAB_001CCCCC/A", "AAAAB_001_", 5);
}

// Two rivets left, both farther than the start distance: the nearer is still taken.
TEST(RouteWalkOrder, NearestBeyondStartDistance) {
    check_walk("far_beyond_start_distance", "FAR", "@DB/FAR/A", "FAR_", 4);
}
