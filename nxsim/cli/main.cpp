// nxsim: plays the CAD host and the process engineer for the riveting tools.
#include <cstring>
#include <iostream>
#include <map>
#include <string>

#include "run.h"

namespace {

const char *const kUsage =
    "usage: nxsim run --session S.json --tool NAME --script X.json --run-dir DIR\n"
    "                 [--tools-dir DIR] [--dialogs-dir DIR] [--save-as OUT.json]\n";

int usage(const std::string &problem) {
    if (!problem.empty()) std::cerr << "nxsim: " << problem << "\n";
    std::cerr << kUsage;
    return nxsim::kExitBadInput;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc < 2) return usage("");
    std::string command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") {
        std::cout << kUsage;
        return 0;
    }
    std::map<std::string, std::string> args;
    for (int i = 2; i < argc; ++i) {
        std::string key = argv[i];
        if (key.rfind("--", 0) != 0 || i + 1 >= argc) return usage("unexpected argument '" + key + "'");
        args[key.substr(2)] = argv[++i];
    }
    auto take = [&](const char *key) -> std::string {
        auto it = args.find(key);
        if (it == args.end()) return "";
        std::string v = it->second;
        args.erase(it);
        return v;
    };
    if (command == "run") {
        nxsim::RunOptions o;
        o.session = take("session");
        o.tool = take("tool");
        o.script = take("script");
        o.run_dir = take("run-dir");
        std::string tools = take("tools-dir");
        o.tools_dir = tools.empty() ? nxsim::default_tools_dir() : std::filesystem::path(tools);
        std::string dialogs = take("dialogs-dir");
        o.dialogs_dir = dialogs.empty() ? std::filesystem::path(NXSIM_DEFAULT_DIALOGS) : std::filesystem::path(dialogs);
        o.save_as = take("save-as");
        if (!args.empty()) return usage("unknown option --" + args.begin()->first);
        if (o.session.empty() || o.tool.empty() || o.script.empty() || o.run_dir.empty())
            return usage("run needs --session, --tool, --script and --run-dir");
        return nxsim::run_command(o, std::cerr);
    }
    return usage("unknown command '" + command + "'");
}
