#include "run_tool.h"

#include <algorithm>

#include <climits>
#include <ctime>

#include "engineer.h"
#include "files.h"
#include "host.h"
#include "meanings.h"
#include "platform.h"
#include "uf.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#define NXSIM_LEAK_CHECK 1
#else
#define NXSIM_LEAK_CHECK 0
#endif

namespace nxsim {
namespace {

namespace fs = std::filesystem;

const char *const kShare = R"(\\appsrv\server\user_tools\win\application)";

void discard_staged(Host &h) {
    for (const auto &file : h.staged) {
        std::error_code ec;
        fs::remove(file.temp, ec);
        untrack_temporary(file.temp);
    }
    h.staged.clear();
}

}  // namespace

void prepare_run_dir(const fs::path &run_dir, const std::vector<MissingFolder> &missing, const fs::path &dialogs_dir) {
    Host &h = Host::get();
    h.run_dir = run_dir;
    std::error_code ec;
    fs::create_directories(run_dir, ec);
    if (ec) throw InputError(run_dir.string() + ": the run folder cannot be created");
    std::vector<fs::path> absent;
    for (const auto &m : missing) {
        auto p = h.map_path(m.path);
        if (!p) throw InputError(m.where + ": \"" + shorten(m.path) + "\" is not a drive path");
        if (fs::exists(*p))
            throw InputError(p->string() + " exists, but the script needs it missing: use a fresh run folder");
        absent.push_back(*p);
    }
    auto allowed = [&](const fs::path &p) {
        for (const auto &a : absent) {
            auto rel = p.lexically_relative(a);
            if (!rel.empty() && *rel.begin() != "..") return false;
        }
        return true;
    };
    std::vector<fs::path> dialog_dirs;
    for (const char *d : {"D:\\", "D:\\application", "C:\\Temp", kShare}) {
        fs::path p = *h.map_path(d);
        if (!allowed(p)) continue;
        fs::create_directories(p, ec);
        if (ec) throw InputError(p.string() + ": cannot be created");
        if (std::string(d) == "D:\\application" || d == kShare) dialog_dirs.push_back(p);
    }
    if (dialogs_dir.empty() || !fs::is_directory(dialogs_dir)) return;
    for (const auto &entry : fs::directory_iterator(dialogs_dir)) {
        if (entry.path().extension() != ".dlg") continue;
        for (const auto &dir : dialog_dirs) {
            fs::copy_file(entry.path(), dir / entry.path().filename(), fs::copy_options::overwrite_existing, ec);
            if (ec) throw InputError((dir / entry.path().filename()).string() + ": cannot be written");
        }
    }
}

fs::path tool_module(const fs::path &tools_dir, const std::string &tool) {
    fs::path module = tools_dir / (tool + platform::kModuleSuffix);
    bool plain = !tool.empty() && tool.find_first_not_of("abcdefghijklmnopqrstuvwxyz_0123456789") == std::string::npos;
    if (plain && fs::is_regular_file(module)) return module;
    std::vector<std::string> known;
    std::error_code ec;
    for (const auto &entry : fs::directory_iterator(tools_dir, ec))
        if (entry.path().extension() == platform::kModuleSuffix) known.push_back(entry.path().stem().string());
    std::sort(known.begin(), known.end());
    std::string list;
    for (const std::string &k : known) list += (list.empty() ? "" : ", ") + k;
    throw InputError("nxsim: unknown tool '" + tool + "' (" +
                     (known.empty() ? "no tools in " + tools_dir.string() : "the tools are " + list) + ")");
}

ToolOutcome run_tool(Session &session, const Script &script, Engineer &engineer, const fs::path &module,
                     const fs::path &run_dir, const std::string &tool) {
    ToolOutcome out;
    Host &h = Host::get();
    h.reset();
    h.session = &session;
    h.engineer = &engineer;
    h.run_dir = run_dir;
    h.staging = true;
    h.faults = script.faults;
    h.clock = script.clock;
    h.note("start " + tool + " " + clock_text(script.clock));

    std::string load_error;
    std::unique_ptr<platform::Module> tool_module = platform::load_module(module, load_error);
    if (!tool_module) {
        out.error = module.string() + ": cannot be loaded: " + load_error;
        discard_staged(h);
        return out;
    }
    using ufusr_t = void (*)(char *, int *, int);
    using unload_t = int (*)();
    auto ufusr = reinterpret_cast<ufusr_t>(tool_module->symbol("ufusr"));
    auto ask_unload = reinterpret_cast<unload_t>(tool_module->symbol("ufusr_ask_unload"));
    if (ufusr == nullptr || ask_unload == nullptr) {
        tool_module.reset();
        out.error = module.string() + ": does not export ufusr and ufusr_ask_unload";
        discard_staged(h);
        return out;
    }
    int retcod = INT_MIN;
    char param[1] = {'\0'};
    ufusr(param, &retcod, 0);
    int unload = ask_unload();
    bool leaked = false;
#if NXSIM_LEAK_CHECK
    // While the tool is still loaded: its frames in the report then name file and line,
    // which after the unload show as an unknown module.
    leaked = __lsan_do_recoverable_leak_check() != 0;
#endif
    bool stayed = false;
    if (unload == UF_UNLOAD_IMMEDIATELY) {
        stayed = !tool_module->unload();
    } else {
        h.note("the tool asks to stay loaded (" + std::to_string(meaning::unload_number(unload)) + ")");
    }

    if (h.init_depth != 0) h.note("NX Open left started " + std::to_string(h.init_depth) + " time(s)");
    if (!h.lists.empty()) h.note(std::to_string(h.lists.size()) + " object list(s) not deleted");
    // A stream left open loses what it buffered, or writes it over a later stream of the same file.
    if (h.open_text_files > 0) h.note(std::to_string(h.open_text_files) + " file(s) left open");
    out.return_code_written = retcod != INT_MIN;
    out.return_code = retcod;
    out.host_calls = h.calls;
    h.note(std::string("end return code ") + (out.return_code_written ? std::to_string(retcod) : "not written") +
           " host calls " + std::to_string(h.calls));

    if (stayed) {
        out.error = module.string() + ": the tool stayed loaded after it was unloaded";
    } else if (leaked) {
        out.error = module.string() + ": the tool leaked memory (the report above names where)";
    } else if (h.aborted()) {
        out.error = h.script_error;
    } else if (auto unused = engineer.unused(); !unused.empty()) {
        out.error = "the tool ended before these actions were used:";
        for (const auto &u : unused) out.error += " " + u;
    } else {
        for (const auto &file : h.staged)
            if (!file.failure.empty()) {
                out.error = file.final_path.string() + ": the tool's write failed (" + file.failure + ")";
                break;
            }
    }
    out.transcript = h.transcript;
    if (!out.error.empty()) {
        discard_staged(h);
        h.reset();
        return out;
    }
    // Put in place by the caller, together with the transcript and the session.
    for (const auto &file : h.staged) {
        if (!file.final_path.empty()) {
            out.files.emplace_back(file.temp, file.final_path);
            continue;
        }
        // Removed by the tool while still open (Windows keeps an open file): goes now.
        std::error_code ec;
        fs::remove(file.temp, ec);
        untrack_temporary(file.temp);
    }
    h.staged.clear();
    out.removed = h.removed;
    h.reset();
    out.ok = true;
    return out;
}

}  // namespace nxsim
