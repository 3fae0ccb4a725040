// The running host: the session in use, the engineer, the clock, fault injection,
// the transcript and everything that lives only while a tool runs.
#pragma once

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "codes.h"
#include "engineer.h"
#include "export.h"
#include "model.h"
#include "script.h"
#include "uf_styler.h"
#include "uf_ui.h"

struct UF_UI_selection_s {
    std::vector<UF_UI_mask_t> mask;
    bool mask_set = false;
    UF_UI_sel_filter_fn_t filter = nullptr;
    UF_UI_sel_cb_fn_t callback = nullptr;
    void *user_data = nullptr;
    std::vector<tag_t> selected;
    std::unordered_set<tag_t> in_selection;  // large groups are picked at once
    bool open = true;
};

struct uf_list_s {
    std::vector<tag_t> items;
};

namespace nxsim {

struct Timer {
    std::time_t real_start = 0;
    double cpu_start = 0;
};

class NXSIM_EXPORT Host {
public:
    static Host &get();

    // Set up by a run; a run without staging writes files directly.
    Session *session = nullptr;
    Engineer *engineer = nullptr;
    std::filesystem::path run_dir;
    bool staging = false;
    struct StagedFile {
        std::filesystem::path temp, final_path;
        std::string failure;  // why a write to it failed; empty: whole
    };
    std::vector<StagedFile> staged;
    std::vector<std::filesystem::path> removed;  // files from before the run the tool removed
    int open_text_files = 0;                     // text streams the tool opened and has not closed yet
    std::vector<Fault> faults;

    std::time_t clock = 0;
    double cpu = 0;

    int init_depth = 0;
    long calls = 0;
    std::map<std::string, long, std::less<>> calls_by_name;
    // Each call's counter by the address of its name, a literal of the interface:
    // found without comparing names on every call.
    std::unordered_map<const char *, long *> counter_of_name;
    std::vector<std::string> transcript;
    std::string script_error;
    int aborted_dialogs = 0;
    // nxsim itself calls into the tool (to list what may be picked): no counting, faults or notes.
    bool quiet = false;

    std::set<tag_t> highlighted;
    bool display_suppressed = false;
    std::map<int, Timer> timers;
    int next_timer = 1;
    std::map<int, std::unique_ptr<Dialog>> dialogs;
    int next_dialog = 1;
    std::set<uf_list_s *> lists;
    // Blocks a release call made to fail kept; freed when the run ends, so that a leak
    // left at exit is the tool's own.
    std::set<void *> held;

    // Forget everything of the last run (the session stays with its owner).
    void reset();

    // Where a call of the interface keeps its counter between calls: found once a run.
    struct CallSite {
        unsigned long run = 0;
        long *counter = nullptr;
    };
    // A host call begins: counts it, and answers the code to fail with, if any.
    std::optional<int> enter(const char *call, bool needs_init, CallSite *site = nullptr);
    void note(const std::string &line);
    // The script does not fit what the tool does: the run stops, answering Cancel.
    void fail_script(const std::string &message);
    bool aborted() const { return !script_error.empty(); }
    // A modal dialog answered Cancel because the run is stopping; ends a tool that loops.
    void count_aborted_dialog();

    void advance(double seconds, double cpu_seconds);
    std::string describe(tag_t tag) const;

    // Windows path to a path in the run folder; nullopt when it leaves the run folder,
    // names no drive or holds a character Windows refuses.
    std::optional<std::filesystem::path> map_path(const std::string &windows_path) const;
};

// Host-allocated memory the tools release with UF_free.
char *host_strdup(const std::string &s);

template <class T>
T *host_array(size_t n) {
    return static_cast<T *>(std::calloc(n == 0 ? 1 : n, sizeof(T)));
}

// Runs the body of a host call: counting, fault injection, the start check, and
// no exception ever crosses into the tool.
template <class Body>
int guarded(const char *name, bool needs_init, Body body) {
    static Host::CallSite site;  // one for each call of the interface: its Body is its own
    Host &h = Host::get();
    if (auto failed = h.enter(name, needs_init, &site)) return *failed;
    try {
        return body(h);
    } catch (const std::exception &e) {
        h.note(std::string("internal error in ") + name + ": " + e.what());
        return code::kInternal;
    }
}

// A call that answers a tag or a count answers the null tag or 0 when it fails.
template <class T, class Body>
T guarded_value(const char *name, bool needs_init, T none, Body body) {
    static Host::CallSite site;
    Host &h = Host::get();
    if (h.enter(name, needs_init, &site)) return none;
    try {
        return body(h);
    } catch (const std::exception &e) {
        h.note(std::string("internal error in ") + name + ": " + e.what());
        return none;
    }
}

}  // namespace nxsim
