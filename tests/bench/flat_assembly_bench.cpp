// Flat assembly of a design assembly four levels deep: 10 sections x 10 panels x
// 10 bays x 100 rivets = 100,000 leaves. Each run goes through the nxsim program:
// load the session, collect the leaves, create the target part, copy every leaf,
// save. Afterwards the copied components are checked against the depth-first order.
//
// Beside it, in-process over the host interface, the leaf collector as the tool
// has it (a set beside the leaf list) and one that searches the whole leaf list for
// every leaf found (`literal`), at sizes the quadratic one can finish: the ratio is measured.
#include <benchmark/benchmark.h>

#include <unordered_set>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <nlohmann/json.hpp>

#include "child_process.h"

#include "engineer.h"
#include "host.h"
#include "script.h"
#include "session_file.h"
#include "uf.h"
#include "uf_assem.h"
#include "uf_modl.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

constexpr int kSections = 10;
constexpr int kPanels = 10;
constexpr int kBays = 10;
constexpr int kRivets = 100;

json component(const std::string &name, const std::string &part, double x, double y, double z) {
    return {{"name", name},   {"part", part},   {"refset", "MODEL"}, {"origin", {x, y, z}},
            {"x", {1, 0, 0}}, {"y", {0, 1, 0}}, {"color", 2},        {"object_name", name}};
}

std::string numbered(const char *prefix, int n) {
    char text[16];
    snprintf(text, sizeof text, "%s%03d", prefix, n);
    return text;
}

// The absolute origin of rivet r in bay k of panel j of section i: unique per leaf,
// so the saved order can be checked leaf by leaf.
std::array<double, 3> rivet_origin(int i, int j, int k, int r) { return {i * 10000.0 + r, j * 1000.0, k * 100.0}; }

// Sections of 10 x 10 x 100 leaves each.
json design(int sections) {
    json parts = json::array();
    json root = {{"name", "@DB/AIRFRAME/A"}, {"components", json::array()}};
    for (int i = 0; i < sections; ++i)
        root["components"].push_back(component(numbered("S", i + 1), "@DB/SECTION/A", i * 10000.0, 0, 0));
    json section = {{"name", "@DB/SECTION/A"}, {"components", json::array()}};
    for (int j = 0; j < kPanels; ++j)
        section["components"].push_back(component(numbered("P", j + 1), "@DB/PANEL/A", 0, j * 1000.0, 0));
    json panel = {{"name", "@DB/PANEL/A"}, {"components", json::array()}};
    for (int k = 0; k < kBays; ++k)
        panel["components"].push_back(component(numbered("B", k + 1), "@DB/BAY/A", 0, 0, k * 100.0));
    json bay = {{"name", "@DB/BAY/A"}, {"components", json::array()}};
    for (int r = 0; r < kRivets; ++r)
        bay["components"].push_back(component(numbered("R", r + 1), "@DB/RIVET/A", r, 0, 0));
    parts = {root, section, panel, bay, {{"name", "@DB/RIVET/A"}, {"bodies", 1}}};
    return {{"managed", true}, {"display", "@DB/AIRFRAME/A"}, {"parts", parts}};
}

fs::path make_case() {
    fs::path dir = scenario::make_temp_dir("flat-assembly-bench");
    std::ofstream(dir / "session.json") << design(kSections).dump();

    // Every section, and one rivet a second time: it must still be copied once.
    json script = {
        {"actions",
         {{{"select", {"*", "S001/P001/B001/R001"}}}, {{"choice", 5}}, {{"part_name", "prefix/FLAT100K/A"}}}}};
    std::ofstream(dir / "script.json") << script.dump();
    return dir;
}

// Empty when the flat part holds every leaf once, in depth-first order.
std::string check_result(const fs::path &saved) {
    json session = json::parse(std::ifstream(saved));
    for (const json &part : session["parts"]) {
        if (part["name"] != "@DB/FLAT100K/A") continue;
        const json &components = part["components"];
        size_t expected = static_cast<size_t>(kSections) * kPanels * kBays * kRivets;
        if (components.size() != expected)
            return "flat part holds " + std::to_string(components.size()) + " components";
        size_t n = 0;
        for (int i = 0; i < kSections; ++i)
            for (int j = 0; j < kPanels; ++j)
                for (int k = 0; k < kBays; ++k)
                    for (int r = 0; r < kRivets; ++r, ++n) {
                        auto want = rivet_origin(i, j, k, r);
                        // nxsim leaves a zero origin out.
                        json origin = components[n].value("origin", json{0.0, 0.0, 0.0});
                        for (int a = 0; a < 3; ++a)
                            if (std::abs(origin[a].get<double>() - want[a]) > 1e-9)
                                return "component " + std::to_string(n) + " is out of order";
                    }
        return "";
    }
    return "no flat part was saved";
}

void BM_FlatAssembly100k(benchmark::State &state) {
    fs::path dir = make_case();
    fs::path saved = dir / "saved.json";
    const std::vector<std::string> argv = {NXSIM_EXE,       "run",
                                           "--session",     (dir / "session.json").string(),
                                           "--tool",        "flat_assembly",
                                           "--script",      (dir / "script.json").string(),
                                           "--run-dir",     (dir / "run").string(),
                                           "--tools-dir",   RIVET_TOOLS_DIR,
                                           "--dialogs-dir", RIVET_DIALOGS_DIR,
                                           "--save-as",     saved.string()};
    // CPU time of the nxsim runs, beside the wall time: the machine may be shared.
    double cpu = 0;
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(dir / "run");
        fs::remove(saved);
        state.ResumeTiming();
        scenario::child_result r = scenario::run_child(argv);
        cpu += r.cpu_seconds;
        if (r.exit_code != 0) {
            state.SkipWithError(("nxsim run failed: " + r.err.substr(0, 300)).c_str());
            break;
        }
    }
    state.counters["cpu_s/run"] = cpu / static_cast<double>(std::max<benchmark::IterationCount>(1, state.iterations()));
    if (std::string problem = check_result(saved); !problem.empty()) state.SkipWithError(problem.c_str());
    state.counters["leaves"] = static_cast<double>(kSections) * kPanels * kBays * kRivets;
    fs::remove_all(dir);
}

// The leaf collector over the host interface, in-process on a loaded session.
struct Collector {
    uf_list_p_t list = nullptr;
    std::unordered_set<tag_t> listed;
    bool literal = false;

    void collect(tag_t occurrence) {
        tag_t *children = nullptr;
        int count = UF_ASSEM_ask_part_occ_children(occurrence, &children);
        if (count > 0) {
            for (int i = 0; i < count; ++i) collect(children[i]);
            UF_free(children);
            return;
        }
        if (children != nullptr) UF_free(children);
        if (literal) {
            // Walks the leaf list for every leaf found.
            int listed_count = 0;
            UF_MODL_ask_list_count(list, &listed_count);
            for (int i = 0; i < listed_count; ++i) {
                tag_t item = NULL_TAG;
                UF_MODL_ask_list_item(list, i, &item);
                if (item == occurrence) return;
            }
        } else if (!listed.insert(occurrence).second) {
            return;
        }
        UF_MODL_put_list_item(list, occurrence);
    }
};

void BM_LeafCollector(benchmark::State &state) {
    const bool literal = state.range(0) != 0;
    const int sections = static_cast<int>(state.range(1));
    auto session = nxsim::session_from_json(nxsim::parse_json_text(design(sections).dump(), "design"), "design");
    nxsim::Script script = nxsim::script_from_json(nxsim::parse_json_text("{}", "script"), "script");
    nxsim::ScriptEngineer engineer(script);
    nxsim::Host &h = nxsim::Host::get();
    h.reset();
    h.session = session.get();
    h.engineer = &engineer;
    UF_initialize();
    tag_t root = UF_PART_ask_display_part();
    int leaves = 0;
    for (auto _ : state) {
        Collector c;
        c.literal = literal;
        UF_MODL_create_list(&c.list);
        tag_t *top = nullptr;
        int count = UF_ASSEM_ask_part_occ_children(root, &top);
        for (int i = 0; i < count; ++i) c.collect(top[i]);
        UF_free(top);
        UF_MODL_ask_list_count(c.list, &leaves);
        UF_MODL_delete_list(&c.list);
    }
    UF_terminate();
    h.reset();
    h.session = nullptr;
    h.engineer = nullptr;
    if (leaves != sections * kPanels * kBays * kRivets) state.SkipWithError("leaves lost");
    state.counters["leaves"] = leaves;
    state.counters["time/leaf"] =
        benchmark::Counter(leaves, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

}  // namespace

BENCHMARK(BM_FlatAssembly100k)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
// {literal, sections of 10,000 leaves}: the collector that searches the list up to 20,000 leaves.
BENCHMARK(BM_LeafCollector)
    ->ArgNames({"literal", "sections"})
    ->Args({1, 1})
    ->Args({1, 2})
    ->Args({0, 1})
    ->Args({0, 2})
    ->Args({0, 10})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
