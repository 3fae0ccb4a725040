#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "scenario.h"
#include "temp_dir.h"

SCENARIO_SUITE(RouteEdit, "route_edit");

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

const fs::path kCases = fs::path(SCENARIO_DIR) / "route_edit";
const fs::path kSession = kCases / "sessions" / "routes.json";

struct frame {
    double origin[3] = {0, 0, 0};
    double x[3] = {1, 0, 0};
    double y[3] = {0, 1, 0};
    double z[3] = {0, 0, 1};
};

frame local_frame(const Json &c) {
    frame f;
    if (c.contains("origin"))
        for (int k = 0; k < 3; ++k) f.origin[k] = c["origin"][k].get<double>();
    if (c.contains("x"))
        for (int k = 0; k < 3; ++k) {
            f.x[k] = c["x"][k].get<double>();
            f.y[k] = c["y"][k].get<double>();
        }
    if (c.contains("turn")) {
        int turn = c["turn"].get<int>();
        double cs = turn == 180 ? -1 : 0, sn = turn == 90 ? 1 : turn == 270 ? -1 : 0;
        double xs[3] = {cs, sn, 0}, ys[3] = {-sn, cs, 0};
        std::copy(xs, xs + 3, f.x);
        std::copy(ys, ys + 3, f.y);
    }
    f.z[0] = f.x[1] * f.y[2] - f.x[2] * f.y[1];
    f.z[1] = f.x[2] * f.y[0] - f.x[0] * f.y[2];
    f.z[2] = f.x[0] * f.y[1] - f.x[1] * f.y[0];
    return f;
}

// A child's frame seen from its parent's parent.
frame compose(const frame &parent, const frame &child) {
    frame f;
    auto turn = [&](const double v[3], double out[3]) {
        for (int k = 0; k < 3; ++k) out[k] = parent.x[k] * v[0] + parent.y[k] * v[1] + parent.z[k] * v[2];
    };
    turn(child.origin, f.origin);
    for (int k = 0; k < 3; ++k) f.origin[k] += parent.origin[k];
    turn(child.x, f.x);
    turn(child.y, f.y);
    turn(child.z, f.z);
    return f;
}

// A rivet as the saved session holds it: its route (instance name), place and axes in
// the displayed part, and its attributes.
struct rivet {
    std::string route;
    frame absolute;
    std::map<std::string, std::string> attributes;
};

std::map<std::string, rivet> rivets_of(const Json &session, int *copies = nullptr) {
    std::map<std::string, const Json *> parts;
    for (const auto &p : session.at("parts")) parts[p.at("name").get<std::string>()] = &p;
    std::map<std::string, rivet> found;
    // The assembly, also when a failed run left another part displayed.
    const Json &top = *parts.at("@DB/PANEL/A");
    for (const auto &route : top.value("components", Json::array())) {
        auto p = parts.find(route.at("part").get<std::string>());
        if (p == parts.end() || !p->second->contains("components")) continue;
        frame at = local_frame(route);
        for (const auto &c : p->second->at("components")) {
            if (!c.contains("attributes") || !c["attributes"].contains("RIVET")) continue;
            rivet r{route.at("name").get<std::string>(), compose(at, local_frame(c)), {}};
            for (const auto &[title, value] : c["attributes"].items())
                r.attributes[title] = value.is_string() ? value.get<std::string>() : value.dump();
            if (found.count(c.at("name").get<std::string>()) != 0 && copies != nullptr) ++*copies;
            found[c.at("name").get<std::string>()] = r;
        }
    }
    return found;
}

Json load(const fs::path &file) { return Json::parse(scenario::read_file(file)); }

bool same_place(const frame &a, const frame &b) {
    for (int k = 0; k < 3; ++k)
        if (std::abs(a.origin[k] - b.origin[k]) > 1e-9 || std::abs(a.x[k] - b.x[k]) > 1e-9 ||
            std::abs(a.y[k] - b.y[k]) > 1e-9)
            return false;
    return true;
}

// What must hold whatever the run did: every rivet once, at its place, with every
// attribute it had (point_id aside, which the editing writes).
std::string rivets_kept(const Json &before, const Json &after) {
    int copies = 0;
    auto was = rivets_of(before);
    auto now = rivets_of(after, &copies);
    if (copies != 0) return std::to_string(copies) + " rivet(s) doubled";
    for (const auto &[name, r] : was) {
        auto it = now.find(name);
        if (it == now.end()) return "rivet " + name + " lost";
        if (!same_place(r.absolute, it->second.absolute)) return "rivet " + name + " moved in space";
        auto a = r.attributes, b = it->second.attributes;
        a.erase("point_id");
        b.erase("point_id");
        if (a != b) return "rivet " + name + ": attributes changed";
    }
    if (now.size() != was.size()) return "rivets came from nowhere";
    return "";
}

// The rivets of one route in point_id order; checks that the identifiers are 01..NN
// with the route's prefix.
std::vector<std::string> walk_of(const Json &session, const std::string &route, const std::string &prefix) {
    std::vector<std::pair<std::string, std::string>> ids;
    for (const auto &[name, r] : rivets_of(session))
        if (r.route == route) ids.emplace_back(r.attributes.at("point_id"), name);
    std::sort(ids.begin(), ids.end());
    std::vector<std::string> names;
    for (size_t i = 0; i < ids.size(); ++i) {
        char want[32];
        snprintf(want, sizeof want, "%s_%02zu", prefix.c_str(), i + 1);
        EXPECT_EQ(ids[i].first, want) << route;
        names.push_back(ids[i].second);
    }
    return names;
}

scenario::outcome play(const char *name) {
    scenario::outcome out = scenario::run(kCases / name);
    EXPECT_EQ(out.exit_code, out.runs.empty() ? 0 : out.runs.back().expected) << out.stderr_text;
    return out;
}

using names = std::vector<std::string>;

TEST(RouteEditOrder, EachOperationNumbersTheNewOrder) {
    struct expect {
        const char *name;
        names walk;
    };
    const expect cases[] = {
        {"reverse", {"A6", "A5", "A4", "A3", "A2", "A1"}},
        {"start_at_rivet", {"A4", "A6", "A2", "A5", "A3", "A1"}},
        {"move_before", {"A1", "A6", "A2", "A3", "A4", "A5"}},
        {"move_after_itself_refused", {"A2", "A3", "A4", "A5", "A6", "A1"}},
        {"move_picks_again", {"A1", "A6", "A2", "A3", "A4", "A5"}},
        {"shortest", {"A1", "A3", "A5", "A2", "A4", "A6"}},
    };
    Json before = load(kSession);
    for (const expect &c : cases) {
        scenario::outcome out = play(c.name);
        Json after = load(out.work / "session.json");
        EXPECT_EQ(rivets_kept(before, after), "") << c.name;
        EXPECT_EQ(walk_of(after, "AAAAB_001", "AAAAB_001"), c.walk) << c.name;
        fs::remove_all(out.work);
    }
}

TEST(RouteEditOrder, SplitMakesTheNextFreeRouteWithTheRivetsAfterThePick) {
    scenario::outcome out = play("split");
    Json after = load(out.work / "session.json");
    EXPECT_EQ(rivets_kept(load(kSession), after), "");
    EXPECT_EQ(walk_of(after, "AAAAB_001", "AAAAB_001"), (names{"A1", "A2", "A3"}));
    // 002 to 009 exist (005 only in the store): the next free number is 010.
    EXPECT_EQ(walk_of(after, "AAAAB_010CCCCC", "AAAAB_010"), (names{"A4", "A5", "A6"}));
    bool marked = false;
    for (const auto &p : after["parts"])
        if (p["name"] == "@DB/AAAAB_010CCCCC/A") marked = p["attributes"]["PATH"] == "work";
    EXPECT_TRUE(marked);
    fs::remove_all(out.work);
}

TEST(RouteEditOrder, MergeAppendsTheSecondRouteAndRemovesIt) {
    for (const char *name : {"merge", "merge_after_refused_route"}) {
        scenario::outcome out = play(name);
        Json after = load(out.work / "session.json");
        EXPECT_EQ(rivets_kept(load(kSession), after), "") << name;
        EXPECT_EQ(walk_of(after, "AAAAB_001", "AAAAB_001"),
                  (names{"A1", "A2", "A3", "A4", "A5", "A6", "B1", "B2", "B3"}))
            << name;
        for (const auto &c : after["parts"][0]["components"]) EXPECT_NE(c["name"], "AAAAB_002") << name;
        fs::remove_all(out.work);
    }
}

// Refusals, Cancel and every failure part way leave each rivet where and as it was.
TEST(RouteEditOrder, RefusalsCancelAndFailuresKeepEveryRivet) {
    const char *cases[] = {"refusals",
                           "cancel_operation",
                           "back_to_route",
                           "reverse_number_fault_restored",
                           "split_move_fault_taken_back",
                           "split_number_fault_taken_back",
                           "merge_move_fault_taken_back",
                           "dialogs_shown_again",
                           "split_cancel_in_pick",
                           "split_teamcenter_restart",
                           "split_display_not_restored",
                           "split_display_fault_removal_fails",
                           "split_no_child_removal_fails",
                           "split_no_occurrence_removal_fails",
                           "split_take_back_removal_fails",
                           "merge_number_fault_taken_back",
                           "start_at_walk_fails",
                           "route_rivets_not_asked",
                           "split_display_not_back"};
    Json before = load(kSession);
    for (const char *name : cases) {
        scenario::outcome out = play(name);
        Json after = load(out.work / "session.json");
        EXPECT_EQ(rivets_kept(before, after), "") << name;
        std::map<std::string, std::string> was, now;
        for (const auto &[n, r] : rivets_of(before))
            was[n] = r.route + " " + (r.attributes.count("point_id") ? r.attributes.at("point_id") : "");
        for (const auto &[n, r] : rivets_of(after))
            now[n] = r.route + " " + (r.attributes.count("point_id") ? r.attributes.at("point_id") : "");
        EXPECT_EQ(was, now) << name << ": a rivet's route or point_id changed";
        fs::remove_all(out.work);
    }
}

std::string utf8(const char8_t *text) { return reinterpret_cast<const char *>(text); }

size_t count_of(const std::string &text, const std::string &what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// A thousand numbers after the route's own all taken: the split is refused with a box,
// no part is made and no rivet moves.
TEST(RouteEditSplit, NoFreeNumberInAThousand) {
    scenario::temp_dir dir("route-edit-numbers");
    std::ofstream(dir / "case.json") << Json{{"tool", "route_edit"}, {"session", kSession.string()}}.dump();
    Json faults = Json::array();
    for (int n = 1; n <= 1000; ++n) faults.push_back({{"call", "UF_PART_new"}, {"nth", n}, {"code", 1020004}});
    std::ofstream(dir / "script.json")
        << Json{{"faults", faults},
                {"actions",
                 Json::parse(R"([{"select": ["AAAAB_001"]}, {"styler": [{"pick": "OPERATION", "entry": 4}, "ok"]},
                                    {"select": ["AAAAB_001/A4"]}])")}}
               .dump();
    scenario::outcome out = scenario::run(dir.path());
    ASSERT_EQ(out.exit_code, 0) << out.stderr_text;
    std::string transcript = scenario::read_file(out.work / "run" / "transcript.txt");
    EXPECT_EQ(count_of(transcript, "fault UF_PART_new "), 1000u);
    EXPECT_EQ(count_of(transcript, "\nmessage "), 1u) << transcript;
    EXPECT_NE(transcript.find(utf8(u8"message \"нет свободного номера маршрута AAAAB_001CCCCC\"")), std::string::npos)
        << transcript;
    EXPECT_NE(transcript.find("end return code 0 "), std::string::npos) << transcript;
    Json before = load(kSession), after = load(out.work / "session.json");
    EXPECT_EQ(rivets_kept(before, after), "");
    EXPECT_EQ(after["parts"].size(), before["parts"].size());
    EXPECT_EQ(walk_of(after, "AAAAB_001", "AAAAB_001"), (names{"A1", "A2", "A3", "A4", "A5", "A6"}));
    fs::remove_all(out.work);
}

// An operation with each host call failing in turn: whatever failed, no rivet is
// lost, doubled, moved or stripped of an attribute, and no route is left with a
// point_id twice.
void sweep(const char *actions, long at_least) {
    scenario::temp_dir dir("route-edit-sweep");
    std::ofstream(dir / "case.json") << Json{{"tool", "route_edit"}, {"session", kSession.string()}}.dump();
    Json before = load(kSession);
    auto run = [&](const std::string &faults) {
        std::ofstream(dir / "script.json", std::ios::trunc)
            << "{\"faults\": [" << faults << "], \"actions\": " << actions << "}";
        return scenario::run(dir.path());
    };
    scenario::outcome clean = run("");
    long calls = scenario::host_calls(clean);
    ASSERT_EQ(clean.exit_code, 0) << clean.stderr_text;
    ASSERT_GE(calls, at_least);
    fs::remove_all(clean.work);
    int ended = 0;
    for (long n = 1; n <= calls; ++n) {
        scenario::outcome out = run("{\"at\": " + std::to_string(n) + ", \"code\": 1}");
        EXPECT_TRUE(out.exit_code == 0 || out.exit_code == 1) << "host call " << n << ": " << out.stderr_text;
        if (out.exit_code == 0) {
            ++ended;
            Json after = load(out.work / "session.json");
            EXPECT_EQ(rivets_kept(before, after), "") << "host call " << n;
            std::map<std::string, std::set<std::string>> ids;
            for (const auto &[name, r] : rivets_of(after)) {
                // The routes the edit touches; the session holds others not walked on purpose.
                if (r.route != "AAAAB_001" && r.route != "AAAAB_002" && r.route != "AAAAB_010CCCCC") continue;
                EXPECT_TRUE(ids[r.route].insert(r.attributes.at("point_id")).second)
                    << "host call " << n << ": " << r.route << " holds " << r.attributes.at("point_id") << " twice";
            }
        }
        fs::remove_all(out.work);
    }
    // Runs that end are checked above; the others stop out of step with their script.
    EXPECT_GT(ended * 4, calls);
}

TEST(RouteEditFaultSweep, SplitTakesBackWhatWasHalfMade) {
    sweep(R"([{"select": ["AAAAB_001"]}, {"styler": [{"pick": "OPERATION", "entry": 4}, "ok"]},
              {"select": ["AAAAB_001/A4"]}])",
          150);
}

TEST(RouteEditFaultSweep, MergeTakesBackWhatWasHalfMade) {
    sweep(R"([{"select": ["AAAAB_001"]}, {"styler": [{"pick": "OPERATION", "entry": 5}, "ok"]},
              {"select": ["AAAAB_002"]}])",
          150);
}

TEST(RouteEditFaultSweep, OrderOfOneRouteIsWrittenWholeOrNotAtAll) {
    sweep(R"([{"select": ["AAAAB_001"]}, {"styler": ["ok"]}])", 35);
    sweep(R"([{"select": ["AAAAB_001"]}, {"styler": [{"pick": "OPERATION", "entry": 1}, "ok"]},
              {"select": ["AAAAB_001/A4"]}])",
          100);
    sweep(R"([{"select": ["AAAAB_001"]}, {"styler": [{"pick": "OPERATION", "entry": 2}, "ok"]},
              {"select": ["AAAAB_001/A6"]}, {"select": ["AAAAB_001/A2"]}])",
          40);
    sweep(R"([{"select": ["AAAAB_001"]}, {"styler": [{"pick": "OPERATION", "entry": 3}, "ok"]}])", 40);
}

}  // namespace
