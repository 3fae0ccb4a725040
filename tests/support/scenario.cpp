#include "scenario.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

#include "child_process.h"
#include "sanitizer.h"
#include "temp_dir.h"

namespace scenario {
namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

namespace {

struct run_spec {
    std::string tool;
    std::string script;
    int exit = 0;
};

struct case_spec {
    fs::path session;
    std::vector<run_spec> runs;
    std::vector<std::string> absent;
    // Laid into the run folder before the first run: files (run folder path, source)
    // and folders.
    std::vector<std::pair<std::string, fs::path>> files;
    std::vector<std::string> folders;
    std::string about;  // what the case shows and why it matters, printed when it fails
};

case_spec parse_case(const fs::path &dir);

// A case file that cannot be read names itself.
case_spec read_case(const fs::path &dir) {
    try {
        return parse_case(dir);
    } catch (const std::exception &e) {
        throw std::runtime_error((dir / "case.json").string() + ": broken case file: " + e.what());
    }
}

case_spec parse_case(const fs::path &dir) {
    if (!fs::is_regular_file(dir / "case.json"))
        throw std::runtime_error("no such file (every folder beside sessions/ is a case and needs one)");
    Json j = Json::parse(read_file(dir / "case.json"));
    case_spec c;
    c.about = j.value("about", std::string());
    c.session = dir / j.at("session").get<std::string>();
    if (j.contains("runs")) {
        for (const auto &r : j["runs"])
            c.runs.push_back(
                {r.at("tool").get<std::string>(), r.value("script", std::string("script.json")), r.value("exit", 0)});
    } else {
        c.runs.push_back(
            {j.at("tool").get<std::string>(), j.value("script", std::string("script.json")), j.value("exit", 0)});
    }
    if (j.contains("absent"))
        for (const auto &a : j["absent"]) c.absent.push_back(a.get<std::string>());
    if (j.contains("files"))
        for (const auto &[rel, source] : j["files"].items()) {
            c.files.emplace_back(rel, dir / source.get<std::string>());
            if (!fs::is_regular_file(c.files.back().second))
                throw std::runtime_error("no file " + c.files.back().second.string() + " to lay in as " + rel);
        }
    if (j.contains("folders"))
        for (const auto &f : j["folders"]) c.folders.push_back(f.get<std::string>());
    if (!fs::is_regular_file(c.session)) throw std::runtime_error("no session file " + c.session.string());
    return c;
}

// Windows-1251 shown as UTF-8, control characters visible, for failure messages.
std::string readable(const std::string &bytes) {
    static const char16_t high[64] = {u'А', u'Б', u'В', u'Г', u'Д', u'Е', u'Ж', u'З', u'И', u'Й', u'К', u'Л', u'М',
                                      u'Н', u'О', u'П', u'Р', u'С', u'Т', u'У', u'Ф', u'Х', u'Ц', u'Ч', u'Ш', u'Щ',
                                      u'Ъ', u'Ы', u'Ь', u'Э', u'Ю', u'Я', u'а', u'б', u'в', u'г', u'д', u'е', u'ж',
                                      u'з', u'и', u'й', u'к', u'л', u'м', u'н', u'о', u'п', u'р', u'с', u'т', u'у',
                                      u'ф', u'х', u'ц', u'ч', u'ш', u'щ', u'ъ', u'ы', u'ь', u'э', u'ю', u'я'};
    std::string out;
    for (unsigned char c : bytes) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\t')
            out += "\\t";
        else if (c >= 0xC0) {
            char16_t u = high[c - 0xC0];
            out += static_cast<char>(0xC0 | (u >> 6));
            out += static_cast<char>(0x80 | (u & 0x3F));
        } else if (c >= 0x80) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string first_difference(const std::string &expected, const std::string &actual, bool cp1251) {
    std::istringstream e(expected), a(actual);
    std::string le, la;
    for (int line = 1;; ++line) {
        bool he = static_cast<bool>(std::getline(e, le));
        bool ha = static_cast<bool>(std::getline(a, la));
        if (!he && !ha) return "differs only in the last line end";
        if (he != ha || le != la) {
            auto show = [&](const std::string &s) { return cp1251 ? readable(s) : s; };
            return "first difference at line " + std::to_string(line) +
                   "\n  expected: " + (he ? show(le) : std::string("<end>")) +
                   "\n  actual:   " + (ha ? show(la) : std::string("<end>"));
        }
    }
}

bool json_equal(const Json &a, const Json &b, std::string &where) {
    if (a.is_number() && b.is_number()) {
        if (std::fabs(a.get<double>() - b.get<double>()) <= 1e-9) return true;
        where += ": " + a.dump() + " vs " + b.dump();
        return false;
    }
    if (a.type() != b.type()) {
        where += ": " + a.dump() + " vs " + b.dump();
        return false;
    }
    if (a.is_object()) {
        if (a.size() != b.size()) {
            where += ": keys differ: " + a.dump().substr(0, 300) + " vs " + b.dump().substr(0, 300);
            return false;
        }
        for (auto it = a.begin(); it != a.end(); ++it) {
            if (!b.contains(it.key())) {
                where += "." + it.key() + ": missing";
                return false;
            }
            std::string sub = where + "." + it.key();
            if (!json_equal(it.value(), b[it.key()], sub)) {
                where = sub;
                return false;
            }
        }
        return true;
    }
    if (a.is_array()) {
        if (a.size() != b.size()) {
            where += ": " + std::to_string(a.size()) + " entries vs " + std::to_string(b.size());
            return false;
        }
        for (size_t i = 0; i < a.size(); ++i) {
            std::string sub = where + "[" + std::to_string(i) + "]";
            if (!json_equal(a[i], b[i], sub)) {
                where = sub;
                return false;
            }
        }
        return true;
    }
    if (a != b) {
        where += ": " + a.dump() + " vs " + b.dump();
        return false;
    }
    return true;
}

// Files a run leaves that carry meaning: everything but the dialog files laid in.
std::vector<fs::path> outputs(const fs::path &run_dir) {
    std::vector<fs::path> files;
    if (!fs::exists(run_dir)) return files;
    for (const auto &e : fs::recursive_directory_iterator(run_dir)) {
        if (!e.is_regular_file() || e.path().extension() == ".dlg") continue;
        files.push_back(fs::relative(e.path(), run_dir));
    }
    std::sort(files.begin(), files.end());
    return files;
}

// What a run must not change: the session's bytes and every file of the run folder.
struct saved_state {
    std::string session;
    std::map<fs::path, std::string> files;
};

saved_state state_of(const fs::path &session, const fs::path &run_dir) {
    saved_state s;
    s.session = read_file(session);
    for (const auto &rel : outputs(run_dir)) s.files[rel] = read_file(run_dir / rel);
    return s;
}

// The first thing that differs, empty when nothing does.
std::string changed(const saved_state &before, const saved_state &after) {
    if (before.session != after.session) return "the session was saved";
    for (const auto &[rel, bytes] : after.files) {
        auto was = before.files.find(rel);
        if (was == before.files.end()) return rel.string() + " was written";
        if (was->second != bytes) return rel.string() + " was changed";
    }
    for (const auto &[rel, bytes] : before.files)
        if (after.files.count(rel) == 0) return rel.string() + " was removed";
    return "";
}

}  // namespace

std::string read_file(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string mask_log(const std::string &bytes) {
    static const std::regex line_number("line=-?[0-9]+");
    static const std::regex source_path("( \tline=#  )[^\r\n]*");
    std::string masked = std::regex_replace(bytes, line_number, "line=#");
    return std::regex_replace(masked, source_path, "$1<source>");
}

long host_calls(const outcome &out) {
    std::string transcript = read_file(out.work / "run" / "transcript.txt");
    size_t at = transcript.rfind("host calls ");
    return at == std::string::npos ? -1 : std::stol(transcript.substr(at + 11));
}

long sweep_faults(const std::string &tool, const fs::path &session, const std::string &actions_json,
                  const fs::path &tools_dir, const std::vector<std::pair<std::string, fs::path>> &files) {
    temp_dir dir("rivet-sweep");
    Json case_json{{"tool", tool}, {"session", session.string()}};
    std::vector<fs::path> laid;
    for (const auto &[rel, source] : files) {
        case_json["files"][rel] = fs::absolute(source).string();
        laid.push_back(fs::path(rel));
    }
    std::sort(laid.begin(), laid.end());
    std::ofstream(dir / "case.json") << case_json.dump();
    auto play = [&](const std::string &script) {
        std::ofstream(dir / "script.json", std::ios::trunc) << script;
        return run(dir.path(), tools_dir);
    };
    const std::string session_bytes = read_file(session);
    outcome clean = play("{\"actions\": " + actions_json + "}");
    long calls = host_calls(clean);
    EXPECT_EQ(clean.exit_code, 0) << clean.stderr_text;
    EXPECT_GE(calls, 0) << "the clean run's transcript gives no number of host calls: nothing is swept";
    EXPECT_EQ(sanitizer_finding(clean.exit_code, clean.stderr_text), "");
    fs::remove_all(clean.work);
    for (long n = 1; n <= calls; ++n) {
        outcome out =
            play("{\"faults\": [{\"at\": " + std::to_string(n) + ", \"code\": 1}], \"actions\": " + actions_json + "}");
        EXPECT_TRUE(out.exit_code == 0 || out.exit_code == 1) << "host call " << n << ": " << out.stderr_text;
        EXPECT_EQ(out.stderr_text.find("stayed loaded"), std::string::npos) << "host call " << n;
        EXPECT_EQ(sanitizer_finding(out.exit_code, out.stderr_text), "") << "host call " << n;
        if (out.exit_code == 1) {
            // Out of step with its script: nothing of the run is saved.
            EXPECT_EQ(read_file(out.work / "session.json"), session_bytes) << "host call " << n << ": session saved";
            EXPECT_EQ(outputs(out.work / "run"), laid) << "host call " << n << ": files written";
        }
        fs::remove_all(out.work);
    }
    return calls;
}

std::vector<std::string> list(const fs::path &dir) {
    std::vector<std::string> names;
    if (!fs::is_directory(dir)) return names;
    // A folder holding only case folders groups cases that a test of the tool plays itself.
    auto groups_cases = [](const fs::path &folder) {
        bool any = false;
        for (const auto &e : fs::directory_iterator(folder)) {
            if (!e.is_directory() || !fs::exists(e.path() / "case.json")) return false;
            any = true;
        }
        return any;
    };
    for (const auto &e : fs::directory_iterator(dir)) {
        if (!e.is_directory() || e.path().filename() == "sessions") continue;
        if (!fs::exists(e.path() / "case.json") && groups_cases(e.path())) continue;
        names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

namespace {
void play_runs(const case_spec &c, const fs::path &case_dir, const fs::path &tools_dir, outcome &out);
}  // namespace

outcome run(const fs::path &case_dir, const fs::path &tools_dir) {
    case_spec c = read_case(case_dir);
    outcome out;
    out.work = make_temp_dir("rivet-scenario");
    try {
        play_runs(c, case_dir, tools_dir.empty() ? fs::path(RIVET_TOOLS_DIR) : tools_dir, out);
    } catch (...) {
        fs::remove_all(out.work);
        throw;
    }
    return out;
}

namespace {
void play_runs(const case_spec &c, const fs::path &case_dir, const fs::path &tools_dir, outcome &out) {
    fs::copy_file(c.session, out.work / "session.json");
    fs::path run_dir = out.work / "run";
    for (const auto &[rel, source] : c.files) {
        fs::create_directories((run_dir / rel).parent_path());
        fs::copy_file(source, run_dir / rel);
    }
    for (const auto &rel : c.folders) fs::create_directories(run_dir / rel);
    out.planned = c.runs.size();
    for (size_t k = 0; k < c.runs.size(); ++k) {
        const run_spec &r = c.runs[k];
        saved_state before;
        if (r.exit != 0) before = state_of(out.work / "session.json", run_dir);
        child_result p = run_child({NXSIM_EXE, "run", "--session", (out.work / "session.json").string(), "--tool",
                                    r.tool, "--script", (case_dir / r.script).string(), "--run-dir", run_dir.string(),
                                    "--tools-dir", tools_dir.string(), "--dialogs-dir", RIVET_DIALOGS_DIR});
        out.exit_code = p.exit_code;
        out.stderr_text += p.err;
        outcome::played played{p.exit_code, r.exit, p.err, ""};
        if (r.exit != 0) played.unchanged = changed(before, state_of(out.work / "session.json", run_dir));
        out.runs.push_back(played);
        if (c.runs.size() > 1 && fs::exists(run_dir / "transcript.txt"))
            fs::rename(run_dir / "transcript.txt", run_dir / ("transcript." + std::to_string(k + 1) + ".txt"));
        if (out.exit_code != r.exit) break;
    }
}

// Compares what the run left with the case's expected/ folder, or rewrites the
// folder when NXSIM_UPDATE_GOLDEN is set.
void compare(const case_spec &c, const fs::path &case_dir, const outcome &out) {
    fs::path run_dir = out.work / "run";
    fs::path expected = case_dir / "expected";
    check_runs(out);
    EXPECT_EQ(out.runs.size(), c.runs.size()) << "the runs after it were not played";

    if (std::getenv("NXSIM_UPDATE_GOLDEN") != nullptr) {
        fs::remove_all(expected);
        fs::create_directories(expected);
        for (const auto &rel : outputs(run_dir)) {
            fs::create_directories((expected / rel).parent_path());
            fs::copy_file(run_dir / rel, expected / rel);
        }
        if (out.exit_code == 0) fs::copy_file(out.work / "session.json", expected / "session.json");
        return;
    }

    for (const auto &a : c.absent) {
        EXPECT_FALSE(fs::exists(run_dir / a)) << a << " must not exist";
    }
    if (fs::exists(expected / "session.json")) {
        Json want = Json::parse(read_file(expected / "session.json"));
        Json got = Json::parse(read_file(out.work / "session.json"));
        std::string where = "session";
        EXPECT_TRUE(json_equal(want, got, where)) << where;
    }
    std::vector<fs::path> produced = outputs(run_dir);
    // A run that must leave nothing has no expected/ folder (git keeps no empty folder).
    std::vector<fs::directory_entry> goldens;
    if (fs::is_directory(expected))
        for (const auto &e : fs::recursive_directory_iterator(expected)) goldens.push_back(e);
    for (const auto &e : goldens) {
        if (!e.is_regular_file()) continue;
        fs::path rel = fs::relative(e.path(), expected);
        if (rel == "session.json") continue;
        if (!fs::exists(run_dir / rel)) {
            ADD_FAILURE() << rel << " was not written";
            continue;
        }
        std::string want = read_file(e.path());
        std::string got = read_file(run_dir / rel);
        bool transcript = rel.filename().string().rfind("transcript", 0) == 0;
        if (rel.extension() != ".fpdf" && !transcript) {
            want = mask_log(want);
            got = mask_log(got);
        }
        EXPECT_TRUE(want == got) << rel << " " << first_difference(want, got, !transcript);
    }
    for (const auto &rel : produced)
        EXPECT_TRUE(fs::exists(expected / rel)) << rel << " was written but has no golden copy";
}

}  // namespace

void check_runs(const outcome &out) {
    for (size_t k = 0; k < out.runs.size(); ++k) {
        const outcome::played &r = out.runs[k];
        std::string which =
            out.planned > 1 ? "run " + std::to_string(k + 1) + " of " + std::to_string(out.planned) + ": " : "";
        EXPECT_EQ(r.exit_code, r.expected) << which << "exit status\n" << r.stderr_text;
        std::string finding = sanitizer_finding(r.exit_code, r.stderr_text);
        EXPECT_EQ(finding, "") << which << "a sanitizer report\n" << r.stderr_text;
        EXPECT_EQ(r.unchanged, "") << which << "a run that fails must save nothing";
    }
}

void check(const fs::path &case_dir, const fs::path &tools_dir) {
    bool failed_before = ::testing::Test::HasFailure();
    case_spec c;
    try {
        c = read_case(case_dir);
    } catch (const std::exception &e) {
        ADD_FAILURE() << e.what();
        return;
    }
    outcome out;
    try {
        out = run(case_dir, tools_dir);
    } catch (const std::exception &e) {
        ADD_FAILURE() << case_dir << ": the case could not be played: " << e.what();
        return;
    }
    try {
        compare(c, case_dir, out);
    } catch (const std::exception &e) {
        ADD_FAILURE() << "comparing the run with " << case_dir / "expected"
                      << ": " << e.what();
    }
    if (std::getenv("NXSIM_UPDATE_GOLDEN") == nullptr && !failed_before && ::testing::Test::HasFailure()) {
        if (!c.about.empty()) std::cerr << "the case " << case_dir.filename() << ": " << c.about << "\n";
        std::cerr << "its run is left in " << out.work.string() << "\n";
    } else {
        fs::remove_all(out.work);
    }
}

}  // namespace scenario
