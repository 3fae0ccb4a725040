// The benchmarks' main: a benchmark that reports an error (SkipWithError: a run that
// failed, a result that is wrong) makes the program exit 1, and so does a filter that
// picks no benchmark, so that ctest's runs of them (label bench) fail instead of
// printing the error and passing.
//
// BENCH_SELF_CHECK=1 adds a benchmark that always reports an error, to show that the
// program then fails.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

class ErrorCounter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override {
        for (const Run &run : runs)
            if (run.error_occurred) errors_.push_back(run.benchmark_name() + ": " + run.error_message);
        ConsoleReporter::ReportRuns(runs);
    }
    const std::vector<std::string> &errors() const { return errors_; }

private:
    std::vector<std::string> errors_;
};

void BM_SelfCheckReportsAnError(benchmark::State &state) {
    for (auto _ : state) state.SkipWithError("the self-check's error");
}

}  // namespace

int main(int argc, char **argv) {
    const char *self_check = std::getenv("BENCH_SELF_CHECK");
    if (self_check != nullptr && std::string(self_check) == "1")
        benchmark::RegisterBenchmark("BM_SelfCheckReportsAnError", BM_SelfCheckReportsAnError);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
    ErrorCounter reporter;
    size_t ran = benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    for (const std::string &e : reporter.errors()) std::fprintf(stderr, "benchmark error: %s\n", e.c_str());
    if (!reporter.errors().empty()) return 1;
    if (ran == 0) {
        std::fprintf(stderr, "no benchmark matches the filter\n");
        return 1;
    }
    return 0;
}
