#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "child_process.h"

extern char **environ;

namespace scenario {

std::filesystem::path make_temp_dir(const std::string &prefix) {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("no temporary folder");
    return pattern;
}

int run_program(const std::filesystem::path &program, const std::vector<std::string> &args,
                const std::filesystem::path &stderr_file, std::string *output) {
    int out_pipe[2] = {-1, -1};
    if (output != nullptr && pipe(out_pipe) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!stderr_file.empty())
        posix_spawn_file_actions_addopen(&actions, 2, stderr_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (output != nullptr) {
        posix_spawn_file_actions_adddup2(&actions, out_pipe[1], 1);
        if (stderr_file.empty()) posix_spawn_file_actions_adddup2(&actions, out_pipe[1], 2);
        posix_spawn_file_actions_addclose(&actions, out_pipe[0]);
    }
    std::vector<std::string> all{program.string()};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (auto &a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    int rc = posix_spawn(&pid, all[0].c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (output != nullptr) {
        close(out_pipe[1]);
        char buf[4096];
        ssize_t n;
        while (rc == 0 && (n = read(out_pipe[0], buf, sizeof buf)) > 0) output->append(buf, static_cast<size_t>(n));
        close(out_pipe[0]);
    }
    if (rc != 0) return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) < 0) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

shell_result run_shell(const std::string &line) {
    FILE *p = popen((line + " 2>&1").c_str(), "r");
    if (p == nullptr) return {-1, "cannot start the shell"};
    std::string out;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    int status = pclose(p);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

}  // namespace scenario
