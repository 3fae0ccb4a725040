#include "host.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "cp1251.h"
#include "platform.h"
#include "references.h"

namespace nxsim {

DialogItem *Dialog::item(const std::string &id) {
    for (auto &i : layout.items)
        if (i.id == id) return &i;
    return nullptr;
}

Host &Host::get() {
    static Host host;
    return host;
}

namespace {
// Counts the runs: a call site's counter belongs to the run it was found in.
unsigned long runs_begun = 1;
}  // namespace

void Host::reset() {
    ++runs_begun;
    for (uf_list_s *list : lists) delete list;
    for (void *block : held) std::free(block);
    Session *keep_session = session;
    Engineer *keep_engineer = engineer;
    *this = Host();
    session = keep_session;
    engineer = keep_engineer;
}

std::optional<int> Host::enter(const char *call, bool needs_init, CallSite *site) {
    if (quiet) return needs_init && init_depth <= 0 ? std::optional<int>(code::kNotInitialized) : std::nullopt;
    ++calls;
    // This runs on every host call: the counter is found by name once a run.
    long *counter = site != nullptr && site->run == runs_begun ? site->counter : nullptr;
    if (counter == nullptr) {
        long *&known = counter_of_name[call];
        if (known == nullptr) {
            auto counted = calls_by_name.find(std::string_view(call));
            if (counted == calls_by_name.end()) counted = calls_by_name.emplace(call, 0).first;
            known = &counted->second;
        }
        counter = known;
        if (site != nullptr) *site = {runs_begun, counter};
    }
    long nth = ++*counter;
    // For fault sweeps: every counted call's name, in order, one per line.
    static FILE *call_log = [] {
        const char *path = std::getenv("NXSIM_CALL_LOG");
        return path != nullptr && *path != '\0' ? std::fopen(path, "w") : nullptr;
    }();
    if (call_log != nullptr) {
        std::fputs(call, call_log);
        std::fputc('\n', call_log);
        std::fflush(call_log);
    }
    for (const Fault &f : faults) {
        if ((f.at != 0 && f.at == calls) || (f.at == 0 && f.call == call && f.nth == nth)) {
            note(std::string("fault ") + call + " (call " + std::to_string(calls) + ") -> " + std::to_string(f.code));
            return f.code;
        }
    }
    if (needs_init && init_depth <= 0) return code::kNotInitialized;
    return std::nullopt;
}

void Host::note(const std::string &line) {
    if (!quiet) transcript.push_back(line);
}

void Host::fail_script(const std::string &message) {
    if (script_error.empty()) {
        script_error = message;
        note("script error: " + message);
    }
}

void Host::count_aborted_dialog() {
    if (++aborted_dialogs > 1000) {
        std::cerr << "nxsim: " << script_error << "\nnxsim: the tool keeps opening dialogs after Cancel; run stopped\n";
        std::_Exit(1);
    }
}

void Host::advance(double seconds, double cpu_seconds) {
    clock += static_cast<std::time_t>(seconds);
    cpu += cpu_seconds;
}

std::string Host::describe(tag_t tag) const {
    if (session != nullptr) return cp1251_to_utf8(nxsim::describe(*session, tag));
    // Appended rather than "#" + text: GCC 12 at -O3 sees a false overlap there (-Wrestrict).
    std::string text = "#";
    text += std::to_string(tag);
    return text;
}

namespace {

// Windows finds a name in any case: C:\temp is the folder C:\Temp. An existing
// entry that differs only in case is the one meant; otherwise the name as given.
std::filesystem::path existing_case(const std::filesystem::path &dir, const std::string &name) {
    std::filesystem::path given = platform::path_of_tool_name(name);
    std::error_code ec;
    if (std::filesystem::exists(dir / given, ec) || !std::filesystem::is_directory(dir, ec)) return given;
    auto same = [](unsigned char a, unsigned char b) { return std::tolower(a) == std::tolower(b); };
    for (const auto &entry : std::filesystem::directory_iterator(dir, ec)) {
        std::string found = platform::tool_name_of_path(entry.path().filename());
        if (found.size() == name.size() && std::equal(found.begin(), found.end(), name.begin(), same))
            return entry.path().filename();
    }
    return given;
}

}  // namespace

std::optional<std::filesystem::path> Host::map_path(const std::string &windows_path) const {
    const std::string &p = windows_path;
    std::vector<std::string> root;
    size_t pos;
    auto is_sep = [](char c) { return c == '\\' || c == '/'; };
    if (p.size() >= 2 && std::isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':') {
        root = {std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(p[0]))))};
        pos = 2;
    } else if (p.size() >= 2 && is_sep(p[0]) && is_sep(p[1])) {
        // \\host\share\...: the host and the share are the first two components.
        size_t a = 2;
        size_t b = a;
        while (b < p.size() && !is_sep(p[b])) ++b;
        size_t c = b + 1;
        size_t d = c;
        while (d < p.size() && !is_sep(p[d])) ++d;
        if (b == a || c >= p.size() || d == c) return std::nullopt;
        root = {"unc", p.substr(a, b - a), p.substr(c, d - c)};
        pos = d;
    } else {
        return std::nullopt;
    }
    std::vector<std::string> parts;
    std::string current;
    auto flush = [&]() -> bool {
        if (current.empty() || current == ".") {
            current.clear();
            return true;
        }
        if (current == "..") {
            if (parts.empty()) return false;  // would climb out of the drive
            parts.pop_back();
            current.clear();
            return true;
        }
        for (unsigned char ch : current)
            if (ch < 0x20 || std::strchr("<>:\"|?*", ch) != nullptr) return false;
        parts.push_back(current);
        current.clear();
        return true;
    };
    for (; pos < p.size(); ++pos) {
        if (is_sep(p[pos])) {
            if (!flush()) return std::nullopt;
        } else {
            current += p[pos];
        }
    }
    if (!flush()) return std::nullopt;
    std::filesystem::path result = run_dir;
    for (const auto &r : root) result /= platform::path_of_tool_name(r);
    for (const auto &part : parts) result /= existing_case(result, part);
    return result;
}

char *host_strdup(const std::string &s) {
    char *p = static_cast<char *>(std::malloc(s.size() + 1));
    std::memcpy(p, s.c_str(), s.size() + 1);
    return p;
}

}  // namespace nxsim
