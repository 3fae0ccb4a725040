// nxsim: plays the CAD host and the process engineer for the riveting tools.
#include <cstring>
#include <iostream>
#include <map>
#include <string>

#include "render.h"
#include "run.h"
#include "show.h"

namespace {

const char *const kUsage =
    "usage: nxsim run --session S.json --tool NAME --script X.json --run-dir DIR\n"
    "                 [--tools-dir DIR] [--dialogs-dir DIR] [--save-as OUT.json]\n"
    "       nxsim run --session S.json --tool NAME --run-dir DIR [--record OUT.json] ...\n"
    "                 (no script: the engineer answers at the terminal)\n"
    "       nxsim play WORKFLOW.json --run-dir DIR [--session S.json] [--tools-dir DIR] [--dialogs-dir DIR]\n"
    "       nxsim show S.json [--path PATTERN]\n"
    "       nxsim render S.json --out PICTURE.svg [--plane xy|yz|zx] [--findings prterr.txt]\n";

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
    std::string subject;  // play WORKFLOW, show SESSION, render SESSION
    int first = 2;
    if ((command == "play" || command == "show" || command == "render") && argc > 2 &&
        std::strncmp(argv[2], "--", 2) != 0) {
        subject = argv[2];
        first = 3;
    }
    for (int i = first; i < argc; ++i) {
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
    auto tools_dir = [&]() {
        std::string tools = take("tools-dir");
        return tools.empty() ? nxsim::default_tools_dir() : std::filesystem::path(tools);
    };
    auto dialogs_dir = [&]() {
        std::string dialogs = take("dialogs-dir");
        return dialogs.empty() ? std::filesystem::path(NXSIM_DEFAULT_DIALOGS) : std::filesystem::path(dialogs);
    };
    if (command == "play") {
        nxsim::PlayOptions o;
        o.workflow = subject;
        o.run_dir = take("run-dir");
        o.session = take("session");
        o.tools_dir = tools_dir();
        o.dialogs_dir = dialogs_dir();
        if (!args.empty()) return usage("unknown option --" + args.begin()->first);
        if (o.workflow.empty() || o.run_dir.empty()) return usage("play needs a workflow and --run-dir");
        return nxsim::play_command(o, std::cout, std::cerr);
    }
    if (command == "show") {
        std::string filter = take("path");
        if (!args.empty()) return usage("unknown option --" + args.begin()->first);
        if (subject.empty()) return usage("show needs a session file");
        return nxsim::show_command(subject, filter, std::cout, std::cerr);
    }
    if (command == "render") {
        nxsim::RenderOptions o;
        o.session = subject;
        if (args.contains("plane")) o.plane = take("plane");
        if (args.contains("findings")) o.findings = take("findings");
        o.out = take("out");
        if (!args.empty()) return usage("unknown option --" + args.begin()->first);
        if (subject.empty() || o.out.empty()) return usage("render needs a session file and --out");
        return nxsim::render_command(o, std::cout, std::cerr);
    }
    if (command == "run") {
        nxsim::RunOptions o;
        o.session = take("session");
        o.tool = take("tool");
        o.script = take("script");
        o.run_dir = take("run-dir");
        o.tools_dir = tools_dir();
        o.dialogs_dir = dialogs_dir();
        o.save_as = take("save-as");
        o.record = take("record");
        if (!args.empty()) return usage("unknown option --" + args.begin()->first);
        if (o.session.empty() || o.tool.empty() || o.run_dir.empty())
            return usage("run needs --session, --tool and --run-dir");
        if (!o.script.empty() && !o.record.empty()) return usage("--record is for a run without --script");
        return nxsim::run_command(o, std::cerr);
    }
    return usage("unknown command '" + command + "'");
}
