// The wing panel at scale: examples/wing_panel/make_design.py writes a panel of N
// rivets (joints of 99) and its workflow; the nxsim program plays it step by step.
//
//   BM_Workflow/N       each step of the workflow played on its own (nxsim play of
//                       that step's runs); CPU time per rivet for each step, peak memory
//   BM_WholeWorkflow/N  the whole workflow in one nxsim play, as a user runs it
//   BM_TransferRun      one transfer of 99 rivets against a run that changes nothing
//   BM_Export           the export of every route against a run that changes nothing
//   BM_Show, BM_Render, BM_FpdfCheck   the front-ends on the finished panel
//   BM_SessionLoad/Save, BM_Parse*     the session file (loaded the quick way, with
//                       simdjson, and the careful way, with nlohmann-json), and the parsers
//
// Sizes 1k and 5k run in a few seconds; 20k and 50k are for a person at the machine
// (--benchmark_filter), never for CI. A panel played once is kept for the other
// benchmarks of the same size within one run of the program.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <simdjson.h>
#include <nlohmann/json.hpp>

#include "child.h"
#include "child_process.h"
#include "session_file.h"

namespace fs = std::filesystem;
using bench::Measure;
using bench::run_child;
using nlohmann::json;

namespace {

const char *const kSteps[] = {"flat_assembly",    "rivet_mark", "route_create", "rivet_transfer",
                              "rivet_group_attr", "route_walk", "route_check",  "fpdf_export"};

struct Panel {
    int wanted = 0;
    int rivets = 0;
    fs::path dir;
    fs::path session;                  // played in place, step by step
    std::map<std::string, json> runs;  // step -> its runs
    std::map<std::string, Measure> measured;
    size_t played = 0;  // steps played so far
    std::string error;

    fs::path after(const std::string &step) const { return dir / ("after_" + step + ".json"); }
    fs::path fpdf() const { return dir / "run_fpdf_export" / "drives" / "D" / "WING1_01.fpdf"; }
};

// BENCH_NXSIM and BENCH_TOOLS_DIR measure another build, such as the one before a change.
std::string from_env(const char *name, const char *otherwise) {
    const char *value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : otherwise;
}

const std::string &nxsim_exe() {
    static const std::string exe = from_env("BENCH_NXSIM", NXSIM_EXE);
    return exe;
}

std::vector<std::string> nxsim_args(std::vector<std::string> args) {
    args.insert(args.begin(), nxsim_exe());
    args.insert(args.end(),
                {"--tools-dir", from_env("BENCH_TOOLS_DIR", RIVET_TOOLS_DIR), "--dialogs-dir", RIVET_DIALOGS_DIR});
    return args;
}

// Never destroyed: the clean-up at exit still needs it.
const fs::path &work_root() {
    static const fs::path *root = [] { return new fs::path(scenario::make_temp_dir("panel-bench")); }();
    return *root;
}

// Removes the generated panels when the program ends.
struct Cleanup {
    ~Cleanup() {
        std::error_code ec;
        fs::remove_all(work_root(), ec);
    }
} cleanup;

Panel &panel(int wanted) {
    static std::map<int, Panel> panels;
    Panel &p = panels[wanted];
    if (p.wanted != 0) return p;
    p.wanted = wanted;
    p.dir = work_root() / std::to_string(wanted);
    fs::create_directories(p.dir);
    Measure m =
        run_child({"/usr/bin/env", "python3", MAKE_DESIGN, "--rivets", std::to_string(wanted), "--out", p.dir.string()},
                  p.dir / "make_design.txt");
    if (m.status != 0) {
        p.error = "make_design.py failed: " + bench::tail_of(p.dir / "make_design.txt");
        return p;
    }
    std::ifstream(p.dir / "make_design.txt") >> p.rivets;
    json workflow = json::parse(std::ifstream(p.dir / "workflow.json"));
    std::string step;
    for (const json &run : workflow["runs"]) {
        // Reopening the assembly belongs to the route creation before it.
        if (!run.contains("reopen")) step = run["tool"];
        p.runs[step].push_back(run);
    }
    p.session = p.dir / "session.json";
    fs::copy_file(p.dir / "design.json", p.session);
    return p;
}

// Plays the steps up to and including `last`.
Panel &played(int wanted, const std::string &last) {
    Panel &p = panel(wanted);
    while (p.error.empty() && p.played < std::size(kSteps)) {
        std::string step = kSteps[p.played];
        if (p.measured.count(last)) break;
        fs::path file = p.dir / ("step_" + step + ".json");
        std::ofstream(file) << json{{"session", "design.json"}, {"runs", p.runs[step]}}.dump(1);
        fs::path out = p.dir / ("step_" + step + ".txt");
        Measure m = run_child(nxsim_args({"play", file.string(), "--run-dir", (p.dir / ("run_" + step)).string(),
                                          "--session", p.session.string()}),
                              out);
        if (m.status != 0) {
            p.error = "nxsim play of " + step + " failed:\n" + bench::tail_of(out);
            break;
        }
        p.measured[step] = m;
        fs::copy_file(p.session, p.after(step), fs::copy_options::overwrite_existing);
        ++p.played;
    }
    return p;
}

// Empty when fpdf_check passes the file and it holds `rivets` rivet records, each point once.
std::string check_fpdf(const Panel &p) {
    Measure m = run_child({FPDF_CHECK_EXE, p.fpdf().string()}, p.dir / "fpdf_check.txt");
    if (m.status != 0) return "fpdf_check finds faults:\n" + bench::tail_of(p.dir / "fpdf_check.txt");
    std::ifstream in(p.fpdf(), std::ios::binary);
    std::set<std::string> points;
    size_t records = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("$$", 0) == 0) continue;
        ++records;
        // The fifth field is the point identifier.
        std::istringstream fields(line);
        std::string field;
        for (int i = 0; i < 5 && std::getline(fields, field, ','); ++i) {
        }
        points.insert(field);
    }
    if (records != static_cast<size_t>(p.rivets) || points.size() != records)
        return "the FPDF file holds " + std::to_string(records) + " records of " + std::to_string(points.size()) +
               " points for " + std::to_string(p.rivets) + " rivets";
    return "";
}

void BM_Workflow(benchmark::State &state) {
    for (auto _ : state) {
        Panel &p = played(static_cast<int>(state.range(0)), "fpdf_export");
        if (!p.error.empty()) {
            state.SkipWithError(p.error.c_str());
            return;
        }
        // CPU time per rivet for each step: the machine is shared, wall time is noise.
        double wall = 0, cpu = 0, peak = 0;
        for (const char *step : kSteps) {
            const Measure &m = p.measured[step];
            wall += m.wall;
            cpu += m.cpu;
            peak = std::max(peak, m.peak_mb);
            state.counters[std::string(step) + "_us/rivet"] = m.cpu / p.rivets * 1e6;
        }
        state.SetIterationTime(wall);
        state.counters["cpu_s"] = cpu;
        state.counters["rivets"] = p.rivets;
        state.counters["peak_MB"] = peak;
        if (std::string problem = check_fpdf(p); !problem.empty()) state.SkipWithError(problem.c_str());
    }
}

void BM_WholeWorkflow(benchmark::State &state) {
    Panel &p = panel(static_cast<int>(state.range(0)));
    if (!p.error.empty()) {
        state.SkipWithError(p.error.c_str());
        return;
    }
    fs::path run = p.dir / "whole";
    for (auto _ : state) {
        fs::remove_all(run);
        fs::create_directories(run);
        fs::copy_file(p.dir / "design.json", run / "session.json");
        Measure m = run_child(nxsim_args({"play", (p.dir / "workflow.json").string(), "--run-dir", run.string(),
                                          "--session", (run / "session.json").string()}),
                              run / "play.txt");
        if (m.status != 0) {
            state.SkipWithError(("nxsim play failed:\n" + bench::tail_of(run / "play.txt")).c_str());
            return;
        }
        state.SetIterationTime(m.wall);
        state.counters["cpu_s"] = m.cpu;
        state.counters["peak_MB"] = m.peak_mb;
        state.counters["session_bytes/rivet"] = static_cast<double>(fs::file_size(run / "session.json")) / p.rivets;
    }
    state.counters["rivets"] = p.rivets;
}

// A tool run that only opens its first dialog and is cancelled: load, run, save.
fs::path nothing_script(const Panel &p) {
    fs::path file = p.dir / "nothing_script.json";
    if (!fs::exists(file)) std::ofstream(file) << R"({"actions": [{"select": [], "press": "cancel"}]})";
    return file;
}

Measure nxsim_run(const Panel &p, const fs::path &session, const std::string &tool, const fs::path &script,
                  const std::string &name) {
    fs::path run = p.dir / ("run_" + name);
    fs::remove_all(run);
    return run_child(nxsim_args({"run", "--session", session.string(), "--tool", tool, "--script", script.string(),
                                 "--run-dir", run.string(), "--save-as", (p.dir / (name + ".json")).string()}),
                     p.dir / (name + ".txt"));
}

// Lowest CPU time of a run over the iterations: the machine is shared and noisy.
struct Pair {
    double tool = 1e9, nothing = 1e9;
};

bool measure_pair(benchmark::State &state, const Panel &p, const fs::path &session, const std::string &tool,
                  const fs::path &script, Pair &pair) {
    Measure t = nxsim_run(p, session, tool, script, "tool");
    Measure n = nxsim_run(p, session, "rivet_transfer", nothing_script(p), "nothing");
    if (t.status != 0 || n.status != 0) {
        state.SkipWithError(
            ("nxsim run failed:\n" + bench::tail_of(p.dir / (t.status != 0 ? "tool.txt" : "nothing.txt"))).c_str());
        return false;
    }
    pair.tool = std::min(pair.tool, t.cpu);
    pair.nothing = std::min(pair.nothing, n.cpu);
    state.SetIterationTime(t.wall);
    return true;
}

void BM_TransferRun(benchmark::State &state) {
    Panel &p = played(static_cast<int>(state.range(0)), "route_create");
    if (!p.error.empty()) {
        state.SkipWithError(p.error.c_str());
        return;
    }
    Pair pair;
    fs::path script = p.dir / "workflow" / "05_rivet_transfer_001.json";
    for (auto _ : state)
        if (!measure_pair(state, p, p.after("route_create"), "rivet_transfer", script, pair)) return;
    state.counters["transfer_cpu_ms"] = pair.tool * 1e3;
    state.counters["nothing_cpu_ms"] = pair.nothing * 1e3;
    state.counters["extra_cpu_ms"] = (pair.tool - pair.nothing) * 1e3;
}

void BM_Export(benchmark::State &state) {
    Panel &p = played(static_cast<int>(state.range(0)), "fpdf_export");
    if (!p.error.empty()) {
        state.SkipWithError(p.error.c_str());
        return;
    }
    Pair pair;
    fs::path script = p.dir / "workflow" / "10_fpdf_export.json";
    for (auto _ : state)
        if (!measure_pair(state, p, p.after("fpdf_export"), "fpdf_export", script, pair)) return;
    double mb = static_cast<double>(fs::file_size(p.fpdf())) / 1e6;
    state.counters["fpdf_MB"] = mb;
    state.counters["export_cpu_ms"] = pair.tool * 1e3;
    state.counters["nothing_cpu_ms"] = pair.nothing * 1e3;
    state.counters["own_MB/s"] = mb / std::max(pair.tool - pair.nothing, 1e-6);
}

void front_end(benchmark::State &state, const std::vector<std::string> &args_for) {
    Panel &p = played(static_cast<int>(state.range(0)), "fpdf_export");
    if (!p.error.empty()) {
        state.SkipWithError(p.error.c_str());
        return;
    }
    for (auto _ : state) {
        std::vector<std::string> args;
        for (const auto &a : args_for)
            args.push_back(a == "SESSION" ? p.after("fpdf_export").string()
                           : a == "FPDF"  ? p.fpdf().string()
                           : a == "SVG"   ? (p.dir / "panel.svg").string()
                                          : a);
        fs::path out = p.dir / "front_end.txt";
        fs::remove(out);
        Measure m = run_child(args, out);
        if (m.status != 0) {
            state.SkipWithError(("failed:\n" + bench::tail_of(out)).c_str());
            return;
        }
        state.SetIterationTime(m.wall);
        state.counters["cpu_ms"] = m.cpu * 1e3;
        state.counters["peak_MB"] = m.peak_mb;
    }
}

void BM_Show(benchmark::State &state) { front_end(state, {nxsim_exe(), "show", "SESSION"}); }
void BM_Render(benchmark::State &state) { front_end(state, {nxsim_exe(), "render", "SESSION", "--out", "SVG"}); }
void BM_FpdfCheck(benchmark::State &state) { front_end(state, {FPDF_CHECK_EXE, "FPDF"}); }

std::string file_bytes(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

const Panel *finished(benchmark::State &state) {
    Panel &p = played(static_cast<int>(state.range(0)), "fpdf_export");
    if (!p.error.empty()) {
        state.SkipWithError(p.error.c_str());
        return nullptr;
    }
    state.counters["file_MB"] = static_cast<double>(fs::file_size(p.after("fpdf_export"))) / 1e6;
    state.counters["bytes/rivet"] = static_cast<double>(fs::file_size(p.after("fpdf_export"))) / p.rivets;
    return &p;
}

void BM_SessionLoad(benchmark::State &state) {
    const Panel *p = finished(state);
    if (p == nullptr) return;
    for (auto _ : state) benchmark::DoNotOptimize(nxsim::load_session(p->after("fpdf_export")));
}

// The careful way in alone (nlohmann-json), which reads every file the quick one gives up on.
void BM_SessionLoadCareful(benchmark::State &state) {
    const Panel *p = finished(state);
    if (p == nullptr) return;
    std::string text = file_bytes(p->after("fpdf_export"));
    for (auto _ : state)
        benchmark::DoNotOptimize(nxsim::session_from_json(nxsim::parse_json_text(text, "session"), "session"));
}

void BM_SessionSave(benchmark::State &state) {
    const Panel *p = finished(state);
    if (p == nullptr) return;
    auto session = nxsim::load_session(p->after("fpdf_export"));
    fs::path out = p->dir / "saved.json";
    for (auto _ : state) nxsim::save_session(*session, out);
}

// The parsers alone, on the same bytes: what a faster reader could win at most.
void BM_ParseNlohmann(benchmark::State &state) {
    const Panel *p = finished(state);
    if (p == nullptr) return;
    std::string bytes = file_bytes(p->after("fpdf_export"));
    for (auto _ : state) benchmark::DoNotOptimize(nxsim::Json::parse(bytes));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

void BM_ParseSimdjson(benchmark::State &state) {
    const Panel *p = finished(state);
    if (p == nullptr) return;
    simdjson::padded_string bytes(file_bytes(p->after("fpdf_export")));
    simdjson::dom::parser parser;
    for (auto _ : state) {
        simdjson::dom::element doc;
        if (parser.parse(bytes).get(doc) != simdjson::SUCCESS) {
            state.SkipWithError("simdjson cannot parse the session");
            return;
        }
        benchmark::DoNotOptimize(doc);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

void sizes(benchmark::internal::Benchmark *b) {
    for (int n : {1000, 5000, 20000, 50000}) b->Arg(n);
}

}  // namespace

BENCHMARK(BM_Workflow)->Apply(sizes)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_WholeWorkflow)
    ->Arg(1000)
    ->Arg(20000)
    ->Arg(50000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);
BENCHMARK(BM_TransferRun)
    ->Arg(1000)
    ->Arg(20000)
    ->Arg(50000)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Export)->Arg(1000)->Arg(20000)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Show)->Arg(1000)->Arg(20000)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Render)->Arg(1000)->Arg(20000)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FpdfCheck)->Arg(1000)->Arg(20000)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SessionLoad)->Arg(1000)->Arg(20000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SessionLoadCareful)->Arg(1000)->Arg(20000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SessionSave)->Arg(1000)->Arg(20000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseNlohmann)->Arg(1000)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseSimdjson)->Arg(1000)->Arg(20000)->Unit(benchmark::kMillisecond);
