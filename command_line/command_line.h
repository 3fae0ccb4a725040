// What nxsim and fpdf_check share on the command line: one exit-code rule, and a
// usage error as one line naming what was wrong (with the nearest valid name)
// followed by a pointer to --help, the way git and cmake answer.
#pragma once

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace command_line {

constexpr int EXIT_OK = 0;     // the run or check went through and found nothing wrong
constexpr int EXIT_FOUND = 1;  // it found something wrong: a tool's failure, findings
constexpr int EXIT_USAGE = 2;  // wrong usage or input that cannot be read

// Levenshtein distance, small inputs only.
inline size_t distance(std::string_view a, std::string_view b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// The valid name closest to what was typed, if it is close enough to be a typo
// or the typed text starts it.
inline std::optional<std::string> nearest(const std::string &given, const std::vector<std::string> &valid) {
    if (given.find_first_not_of('-') + 2 > given.size()) return std::nullopt;  // "-x": any letter is as near
    std::optional<std::string> best;
    size_t best_distance = 0;
    for (const std::string &name : valid) {
        size_t d = name.rfind(given, 0) == 0 && given.size() >= 2 ? 1 : distance(given, name);
        if (!best || d < best_distance) {
            best = name;
            best_distance = d;
        }
    }
    size_t allowed = std::max<size_t>(2, given.size() / 3);
    if (best && best_distance <= allowed) return best;
    return std::nullopt;
}

inline std::string joined(const std::vector<std::string> &names) {
    std::string list;
    for (const std::string &n : names) list += (list.empty() ? "" : ", ") + n;
    return list;
}

inline std::vector<std::string> option_names(const CLI::App &app) {
    std::vector<std::string> names;
    for (const CLI::Option *opt : app.get_options()) {
        if (opt->get_positional()) continue;
        for (const std::string &l : opt->get_lnames()) names.push_back("--" + l);
        for (const std::string &s : opt->get_snames()) names.push_back("-" + s);
    }
    return names;
}

inline std::vector<std::string> command_names(const CLI::App &app) {
    std::vector<std::string> names;
    for (const CLI::App *sub : app.get_subcommands([](const CLI::App *) { return true; }))
        names.push_back(sub->get_name());
    return names;
}

// The one line that says what was wrong with the arguments.
inline std::string describe(const CLI::App &app, const CLI::App &failed, const CLI::ParseError &e,
                            const std::string &leftover, const std::string &dash_hint) {
    if (!leftover.empty()) {
        if (leftover.size() > 1 && leftover[0] == '-') {
            std::string name = leftover.substr(0, leftover.find('='));
            std::string text = "unknown option " + name;
            if (auto near = nearest(name, option_names(failed))) return text + " (did you mean " + *near + "?)";
            return text + dash_hint;
        }
        std::vector<std::string> commands = command_names(failed);
        if (&failed == &app && !commands.empty() && app.get_subcommands().empty()) {
            std::string text = "unknown command " + leftover;
            if (auto near = nearest(leftover, commands)) return text + " (did you mean " + *near + "?)";
            return text + " (the commands are " + joined(commands) + ")";
        }
        return "unexpected argument " + leftover;
    }
    std::string what = e.what();
    if (what == "A subcommand is required")
        return "no command given (the commands are " + joined(command_names(failed)) + ")";
    const std::string required = " is required";
    if (what.size() > required.size() && what.compare(what.size() - required.size(), required.size(), required) == 0) {
        std::string name = what.substr(0, what.size() - required.size());
        return "missing " + std::string(name[0] == '-' ? "option " : "") + name;
    }
    const std::string missing = " missing";
    size_t colon = what.find(": ");
    if (colon != std::string::npos && what.find(" required ") != std::string::npos &&
        what.compare(what.size() - missing.size(), missing.size(), missing) == 0)
        return "option " + what.substr(0, colon) + " needs a value";
    return what;
}

// Parses the arguments. Answers nothing when the program should go on, otherwise
// the exit status: 0 after --help or --version, EXIT_USAGE after a usage error
// (one line on stderr and a pointer to the right --help). dash_hint follows an
// unknown option that no valid one resembles.
inline std::optional<int> parse(CLI::App &app, int argc, char **argv, const std::string &dash_hint = "") {
    try {
        app.parse(argc, argv);
        return std::nullopt;
    } catch (const CLI::ParseError &e) {
        if (e.get_exit_code() == 0) return app.exit(e);
        // The deepest command given, and the first argument nobody took.
        const CLI::App *failed = &app;
        std::string prefix = app.get_name();
        std::string leftover;
        for (const CLI::App *at = &app;;) {
            std::vector<std::string> left = at->remaining(false);
            if (!left.empty() && leftover.empty()) {
                leftover = left.front();
                failed = at;
                break;
            }
            std::vector<const CLI::App *> chosen;
            for (const CLI::App *sub : at->get_subcommands()) chosen.push_back(sub);
            if (chosen.empty()) break;
            at = chosen.front();
            failed = at;
            prefix += " " + at->get_name();
        }
        std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", prefix.c_str(),
                     describe(app, *failed, e, leftover, dash_hint).c_str(), prefix.c_str());
        return EXIT_USAGE;
    }
}

}  // namespace command_line
