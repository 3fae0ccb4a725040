#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "child_process.h"

extern char **environ;

namespace scenario {
namespace fs = std::filesystem;

namespace {

std::string slurp(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// What a started child needs until it is collected.
struct started {
    pid_t pid = -1;
    fs::path scratch;  // the files standing in for collected output, removed when collected
    fs::path out, err;
    bool collect_out = false, collect_err = false;
    std::chrono::steady_clock::time_point at;
};

std::map<pid_t, started> &running() {
    static std::map<pid_t, started> children;
    return children;
}

started spawn(const std::vector<std::string> &argv, const child_options &o) {
    if (argv.empty()) throw std::invalid_argument("run_child: no program");
    started s;
    s.out = o.out_file;
    s.err = o.err_file;
    s.collect_out = s.out.empty();
    s.collect_err = !o.errors_with_output && s.err.empty();
    if (s.collect_out || s.collect_err) {
        s.scratch = make_temp_dir("rivet-child");
        if (s.collect_out) s.out = s.scratch / "out";
        if (s.collect_err) s.err = s.scratch / "err";
    }
    int mode = O_WRONLY | O_CREAT | (o.append ? O_APPEND : O_TRUNC);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    std::string input = o.input.empty() ? std::string("/dev/null") : o.input.string();
    posix_spawn_file_actions_addopen(&actions, 0, input.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, s.out.c_str(), mode, 0644);
    if (o.errors_with_output)
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
    else
        posix_spawn_file_actions_addopen(&actions, 2, s.err.c_str(), mode, 0644);

    // The caller's environment with the given names replaced.
    std::vector<std::string> env;
    for (const auto &given : o.environment)
        if (given.find('=') == std::string::npos) throw std::invalid_argument("run_child: not NAME=value: " + given);
    for (char **e = environ; *e != nullptr; ++e) {
        std::string entry = *e;
        bool replaced = false;
        for (const auto &given : o.environment)
            replaced = replaced || entry.compare(0, given.find('=') + 1, given, 0, given.find('=') + 1) == 0;
        if (!replaced) env.push_back(entry);
    }
    env.insert(env.end(), o.environment.begin(), o.environment.end());
    std::vector<char *> envp;
    for (auto &e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::string> all = argv;
    std::vector<char *> args;
    for (auto &a : all) args.push_back(a.data());
    args.push_back(nullptr);

    s.at = std::chrono::steady_clock::now();
    if (posix_spawn(&s.pid, args[0], &actions, nullptr, args.data(), envp.data()) != 0) s.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return s;
}

child_result collect(started &s, int timeout_seconds) {
    child_result r;
    if (s.pid > 0) {
        int status = 0;
        rusage usage{};
        if (timeout_seconds <= 0) {
            while (wait4(s.pid, &status, 0, &usage) < 0 && errno == EINTR) {
            }
        } else {
            auto deadline = s.at + std::chrono::seconds(timeout_seconds);
            auto pause = std::chrono::milliseconds(1);
            while (wait4(s.pid, &status, WNOHANG, &usage) == 0) {
                if (std::chrono::steady_clock::now() >= deadline) {
                    kill(s.pid, SIGKILL);
                    r.timed_out = true;
                    wait4(s.pid, &status, 0, &usage);
                    break;
                }
                std::this_thread::sleep_for(pause);
                if (pause < std::chrono::milliseconds(50)) pause *= 2;
            }
        }
        r.wall_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - s.at).count();
        r.cpu_seconds = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec * 1e-6 + usage.ru_stime.tv_sec +
                        usage.ru_stime.tv_usec * 1e-6;
        r.peak_mb = usage.ru_maxrss / 1024.0;
        r.signalled = WIFSIGNALED(status);
        r.exit_code = r.signalled ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
    }
    if (s.collect_out) r.out = slurp(s.out);
    if (s.collect_err) r.err = slurp(s.err);
    if (!s.scratch.empty()) {
        std::error_code ec;
        fs::remove_all(s.scratch, ec);
    }
    return r;
}

}  // namespace

fs::path make_temp_dir(const std::string &prefix) {
    std::string pattern = (fs::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("no temporary folder for " + prefix);
    return pattern;
}

child_result run_child(const std::vector<std::string> &argv, const child_options &options) {
    started s = spawn(argv, options);
    return collect(s, options.timeout_seconds);
}

child_result run_shell(const std::string &line, const child_options &options) {
    return run_child({"/bin/sh", "-c", line}, options);
}

int start_child(const std::vector<std::string> &argv, const child_options &options) {
    if (options.out_file.empty() || (options.err_file.empty() && !options.errors_with_output))
        throw std::invalid_argument("start_child: a child left running writes to files");
    started s = spawn(argv, options);
    if (s.pid > 0) running()[s.pid] = s;
    return s.pid;
}

child_result wait_child(int pid) {
    auto it = running().find(pid);
    if (it == running().end()) return {};
    started s = it->second;
    running().erase(it);
    return collect(s, 0);
}

}  // namespace scenario
