// fpdf_diff on two issues of a machine file of 40,000 rivets (404 routes of 99 and
// one of 4): the second issue has one rivet moved 0.5 mm, one grip changed and one
// route walked again from its last rivet.
//
//   BM_FpdfDiffInProcess  both files read from memory, compared and the lines made
//   BM_FpdfDiffProgram    the fpdf_diff program on the two files on disk, as a user runs it
//
// Each run checks the changes it found: exactly those three edits.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "child.h"
#include "common/fpdf_reader.h"
#include "compare.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRivets = 40000;
constexpr int kPerRoute = 99;
// The walked route's rivets change identifiers but its middle one.
constexpr int kResequenced = kPerRoute - 1;

std::string record(const std::string &id, double x, double y, const char *grip) {
    char line[512];
    std::snprintf(line, sizeof line,
                  "H,\tA,\t%12.12s,\t%3.3s,\t%12.12s,\t0,\t%15.5f,\t%15.5f,\t%15.5f,\t%15.5f,\t%15.5f,\t%15.5f,\t"
                  "1, 0, 0\r\n",
                  "3404579D35", grip, id.c_str(), x, y, -12.0, 0.0, 0.0, 1.0);
    return line;
}

// edited: the second issue.
std::string machine_file(bool edited) {
    std::string bytes = "$$HEAD,\tWING1,\tA,\tTOLV,\t07-12-2026\r\n";
    int route = 0;
    for (int done = 0; done < kRivets; ++route) {
        int n = std::min(kPerRoute, kRivets - done);
        char name[16];
        std::snprintf(name, sizeof name, "W%08d", route);
        bytes += "$$PATH,\t" + std::string(name) + ",\t" + std::to_string(n) + "\r\n";
        for (int k = 1; k <= n; ++k) {
            // Route 7 walked again from its last rivet: numbered the other way round,
            // and written in the order of the identifiers as ever.
            int place = edited && route == 7 ? n + 1 - k : k;
            char id[16];
            std::snprintf(id, sizeof id, "%s_%02d", name, k);
            double x = 25.0 * place + (edited && route == 3 && k == 5 ? 0.5 : 0);
            bool regripped = edited && route == 11 && k == 9;
            bytes += record(id, x, 40.0 * route, regripped ? "125" : "095");
        }
        done += n;
    }
    return bytes;
}

// Empty when the changes are exactly the three edits.
std::string wrong_changes(const std::vector<change> &changes) {
    int moved = 0, recoded = 0, resequenced = 0;
    for (const change &c : changes) {
        moved += c.kind == change_kind::rivet_moved;
        recoded += c.kind == change_kind::rivet_recoded;
        resequenced += c.kind == change_kind::rivet_resequenced;
    }
    if (moved == 1 && recoded == 1 && resequenced == kResequenced &&
        changes.size() == static_cast<size_t>(2 + kResequenced))
        return "";
    return "unexpected changes: " + std::to_string(changes.size()) + " (" + std::to_string(moved) + " moved, " +
           std::to_string(recoded) + " recoded, " + std::to_string(resequenced) + " re-sequenced)";
}

void BM_FpdfDiffInProcess(benchmark::State &state) {
    std::string old_bytes = machine_file(false), new_bytes = machine_file(true);
    for (auto _ : state) {
        fpdf::file a, b;
        fpdf::problem why;
        if (!fpdf::read(old_bytes, a, why) || !fpdf::read(new_bytes, b, why)) {
            state.SkipWithError(("not read: " + why.why).c_str());
            break;
        }
        std::vector<change> changes = compare(a, b);
        size_t text = 0;
        for (const change &c : changes) text += change_line(c).size();
        benchmark::DoNotOptimize(text);
        if (std::string wrong = wrong_changes(changes); !wrong.empty()) {
            state.SkipWithError(wrong.c_str());
            break;
        }
    }
    state.counters["rivets"] = kRivets;
    state.counters["file_MB"] = static_cast<double>(old_bytes.size()) / (1024.0 * 1024.0);
}
BENCHMARK(BM_FpdfDiffInProcess)->Unit(benchmark::kMillisecond);

void BM_FpdfDiffProgram(benchmark::State &state) {
    scenario::temp_dir dir("fpdf-diff-bench");
    fs::path old_file = dir / "old.fpdf", new_file = dir / "new.fpdf";
    std::ofstream(old_file, std::ios::binary) << machine_file(false);
    std::ofstream(new_file, std::ios::binary) << machine_file(true);
    double wall = 0, cpu = 0;
    for (auto _ : state) {
        bench::Measure m = bench::run_child({FPDF_DIFF_EXE, old_file.string(), new_file.string()}, dir / "out.txt");
        if (m.status != 1) {
            state.SkipWithError(("fpdf_diff did not find differences:\n" + bench::tail_of(dir / "out.txt")).c_str());
            break;
        }
        wall = m.wall;
        cpu = m.cpu;
        state.SetIterationTime(m.wall);
    }
    state.counters["wall_s"] = wall;
    state.counters["cpu_s"] = cpu;
    state.counters["rivets"] = kRivets;
}
BENCHMARK(BM_FpdfDiffProgram)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
