#include "child.h"

#include <deque>
#include <fstream>

#include "child_process.h"

namespace bench {

Measure run_child(const std::vector<std::string> &argv, const std::filesystem::path &output) {
    scenario::child_result r =
        scenario::run_child(argv, scenario::child_options().output_to(output).errors_into_output().appending());
    Measure m;
    m.status = r.signalled ? -1 : r.exit_code;
    m.wall = r.wall_seconds;
    m.cpu = r.cpu_seconds;
    m.peak_mb = r.peak_mb;
    return m;
}

std::string tail_of(const std::filesystem::path &file, size_t lines) {
    std::ifstream in(file);
    std::deque<std::string> last;
    for (std::string line; std::getline(in, line);) {
        last.push_back(line);
        if (last.size() > lines) last.pop_front();
    }
    std::string text;
    for (const auto &l : last) text += l + "\n";
    return text;
}

}  // namespace bench
