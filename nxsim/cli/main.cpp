// nxsim: plays the CAD host and the process engineer for the riveting tools.
#include <cmath>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <iostream>
#include <string>

#include "command_line.h"
#include "log.h"
#include "platform.h"
#include "render.h"
#include "routes.h"
#include "run.h"
#include "show.h"

namespace {

namespace fs = std::filesystem;

// Installed, nxsim lies in bin/ beside lib/<project>/tools and share/<project>/dialogs;
// in the build tree the tools lie in tools/ beside bin/ and the dialogs in the sources.
fs::path beside_program(const char *installed, const fs::path &built) {
    std::error_code ec;
    fs::path exe = nxsim::platform::executable_path();
    if (exe.empty()) return built;
    fs::path candidate = exe.parent_path().parent_path() / installed;
    return fs::is_directory(candidate, ec) ? candidate : built;
}

const char kExitStatus[] =
    "Exit status: 0 success, 1 the run went wrong (the script out of step with the tool, the tool stayed\n"
    "loaded; nothing is saved), 2 wrong usage or input that cannot be read (a session, script, workflow\n"
    "or log file missing or malformed, an unknown tool); nothing is run then.";

}  // namespace

static int run_program(int argc, char **argv) {
    const fs::path tools = beside_program(NXSIM_INSTALLED_TOOLS, nxsim::default_tools_dir());
    const fs::path dialogs = beside_program(NXSIM_INSTALLED_DIALOGS, NXSIM_DEFAULT_DIALOGS);

    CLI::App app{"Plays the CAD host and the process engineer for the riveting tools.", "nxsim"};
    app.footer(kExitStatus);
    app.set_version_flag("--version", std::string("nxsim ") + RIVET_VERSION, "Print the version and exit");
    app.require_subcommand(1);

    nxsim::RunOptions run;
    std::string run_tools = tools.string(), run_dialogs = dialogs.string();
    CLI::App *run_cmd = app.add_subcommand(
        "run", "Run one tool on a session, answered by an engineer script or at the terminal (no --script).");
    run_cmd->add_option("--session", run.session, "Session file (JSON), saved in place after the run")->required();
    run_cmd->add_option("--tool", run.tool, "Tool to run (its module in the tools folder)")->required();
    CLI::Option *script = run_cmd->add_option("--script", run.script, "Engineer script (JSON)");
    run_cmd->add_option("--run-dir", run.run_dir, "Run folder: the drives and the transcript")->required();
    run_cmd->add_option("--save-as", run.save_as, "Save the session here instead of in place");
    run_cmd->add_option("--record", run.record, "Without --script: keep the answers as a script here")
        ->excludes(script);
    run_cmd->add_option("--tools-dir", run_tools, "Folder of the tool modules")->capture_default_str();
    run_cmd->add_option("--dialogs-dir", run_dialogs, "Folder of the dialog files")->capture_default_str();

    nxsim::PlayOptions play;
    std::string play_tools = tools.string(), play_dialogs = dialogs.string();
    CLI::App *play_cmd = app.add_subcommand("play", "Play a workflow: one session and a list of tool runs.");
    play_cmd->add_option("WORKFLOW", play.workflow, "Workflow file (JSON)")->required();
    play_cmd->add_option("--run-dir", play.run_dir, "Run folder: drives, logs, transcripts, session")->required();
    play_cmd->add_option("--session", play.session, "Play on this session, saved in place, not the workflow's own");
    play_cmd->add_option("--tools-dir", play_tools, "Folder of the tool modules")->capture_default_str();
    play_cmd->add_option("--dialogs-dir", play_dialogs, "Folder of the dialog files")->capture_default_str();
    play_cmd->add_flag("--save-each", play.save_each, "Save the session after every run, not only at the end");

    std::string show_session, show_path;
    CLI::App *show_cmd =
        app.add_subcommand("show", "Print the displayed assembly as a tree with the attributes that matter.");
    show_cmd->add_option("SESSION", show_session, "Session file (JSON)")->required();
    show_cmd->add_option("--path", show_path, "Only components whose reference matches (* and ? within a level)");

    nxsim::RenderOptions render;
    std::string render_session, render_out, plane, findings, colour = "route";
    CLI::App *render_cmd = app.add_subcommand("render", "Draw the routes in a plane of the WCS as an SVG picture.");
    render_cmd->add_option("SESSION", render_session, "Session file (JSON)")->required();
    render_cmd->add_option("--out", render_out, "Picture to write (SVG)")->required();
    render_cmd->add_option("--plane", plane, "WCS plane")->check(CLI::IsMember({"xy", "yz", "zx"}));
    render_cmd->add_option("--findings", findings, "The route check's error log: findings drawn as numbered markers");
    render_cmd->add_option("--colour-by", colour, "Colour the rivets by route or by fastener")
        ->check(CLI::IsMember({"route", "fastener"}))
        ->capture_default_str();

    nxsim::RoutesOptions routes;
    std::string routes_findings, format = "table";
    CLI::App *routes_cmd = app.add_subcommand(
        "routes",
        "One row per route: rivets, fasteners, grips, walked, findings, travel in mm, cell time in seconds and best "
        "travel in mm.");
    routes_cmd->add_option("SESSION", routes.session, "Session file (JSON)")->required();
    routes_cmd->add_option("--findings", routes_findings, "The route check's error log, to count its findings");
    routes_cmd->add_option("--format", format, "Output format")
        ->check(CLI::IsMember({"table", "csv", "json"}))
        ->capture_default_str();
    routes_cmd->add_option("--rivet-seconds", routes.rivet_seconds, "Cell time per rivet, as fpdf_check takes it")
        ->check(CLI::Validator(
            [](std::string &text) -> std::string {
                double v = 0;
                return CLI::detail::lexical_cast(text, v) && std::isfinite(v) && v >= 0
                           ? ""
                           : text + " is not a number of zero or more";
            },
            "SECONDS"))
        ->capture_default_str();

    nxsim::LogOptions log;
    CLI::App *log_cmd = app.add_subcommand(
        "log", "Print a run's error log (Windows-1251) in UTF-8: of a run folder, a workflow's run folder, or a file.");
    log_cmd->add_option("RUN", log.run, "Run folder of nxsim run or play, or a log file")->required();
    log_cmd->add_option("--tool", log.tool,
                        "In a workflow's run folder: the last run of this tool (default: the last run)");

    if (auto status = command_line::parse(app, argc, argv)) return *status;

    if (*run_cmd) {
        run.tools_dir = run_tools;
        run.dialogs_dir = run_dialogs;
        return nxsim::run_command(run, std::cerr);
    }
    if (*play_cmd) {
        play.tools_dir = play_tools;
        play.dialogs_dir = play_dialogs;
        return nxsim::play_command(play, std::cout, std::cerr);
    }
    if (*show_cmd) return nxsim::show_command(show_session, show_path, std::cout, std::cerr);
    if (*render_cmd) {
        render.session = render_session;
        render.out = render_out;
        if (!plane.empty()) render.plane = plane;
        if (!findings.empty()) render.findings = fs::path(findings);
        render.by_fastener = colour == "fastener";
        return nxsim::render_command(render, std::cout, std::cerr);
    }
    if (*routes_cmd) {
        if (!routes_findings.empty()) routes.findings = fs::path(routes_findings);
        routes.format = format == "csv"    ? nxsim::RouteFormat::Csv
                        : format == "json" ? nxsim::RouteFormat::Json
                                           : nxsim::RouteFormat::Table;
        return nxsim::routes_command(routes, std::cout, std::cerr);
    }
    return nxsim::log_command(log, std::cout, std::cerr);
}

// What escapes the commands (out of memory, a file system error) ends with a line
// and status 1, not with an abort.
int main(int argc, char **argv) {
    try {
        return run_program(argc, argv);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "nxsim: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "nxsim: unexpected failure\n");
    }
    return 1;
}
