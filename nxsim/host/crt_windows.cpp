// Windows: the tools call the run-time's own fopen, fclose, remove, _time64,
// _localtime64 and _strdate. After loading a tool the host points those import
// entries of the tool at the functions below, which map the drive path and the clock
// and then call the run-time itself, so text mode (CR LF), asctime and the rest are
// the run-time's.
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <string_view>

#include "crt.h"
#include "host.h"
#include "platform_windows.h"

namespace nxsim::platform {
namespace {

struct Stream {
    bool text = false;
    long staged = -1;
};

// The streams the host has to hear about when they close: text ones (the count of
// files left open) and staged ones (a failed write fails the run).
std::map<FILE *, Stream> &streams() {
    static std::map<FILE *, Stream> open;
    return open;
}

FILE *__cdecl tool_fopen(const char *path, const char *mode) {
    auto target = crt::open_target(path, mode);
    if (!target) return nullptr;
    std::wstring wide_mode(mode, mode + std::strlen(mode));
    FILE *f = _wfopen(target->path.c_str(), wide_mode.c_str());
    if (f == nullptr) return nullptr;
    bool text = std::strchr(mode, 'b') == nullptr;
    if (text || target->staged >= 0) streams()[f] = Stream{text, target->staged};
    if (text) crt::text_stream_opened();
    return f;
}

int __cdecl tool_fclose(FILE *f) {
    auto it = streams().find(f);
    if (it == streams().end()) return std::fclose(f);
    Stream s = it->second;
    streams().erase(it);
    if (s.text) crt::text_stream_closed();
    // A write that failed earlier left the error flag; the last one shows when flushed.
    bool failed = std::ferror(f) != 0;
    int rc = std::fclose(f);
    if (failed || rc != 0) crt::write_failed(s.staged);
    return rc;
}

int __cdecl tool_remove(const char *path) { return crt::remove_file(path); }

__time64_t __cdecl tool_time64(__time64_t *out) {
    __time64_t now = Host::get().clock;
    if (out != nullptr) *out = now;
    return now;
}

// Host time is local time already: no zone to apply.
struct tm *__cdecl tool_localtime64(const __time64_t *t) {
    return t == nullptr ? nullptr : _gmtime64(t);
}

char *__cdecl tool_strdate(char *buffer) {
    __time64_t now = Host::get().clock;
    struct tm *fields = _gmtime64(&now);
    if (fields == nullptr || std::strftime(buffer, 9, "%m/%d/%y", fields) == 0) buffer[0] = '\0';
    return buffer;
}

struct Redirect {
    std::string_view name;
    void *to;
};

const Redirect kRedirects[] = {
    {"fopen", reinterpret_cast<void *>(&tool_fopen)},
    {"fclose", reinterpret_cast<void *>(&tool_fclose)},
    {"remove", reinterpret_cast<void *>(&tool_remove)},
    {"_time64", reinterpret_cast<void *>(&tool_time64)},
    {"time", reinterpret_cast<void *>(&tool_time64)},
    {"_localtime64", reinterpret_cast<void *>(&tool_localtime64)},
    {"localtime", reinterpret_cast<void *>(&tool_localtime64)},
    {"_strdate", reinterpret_cast<void *>(&tool_strdate)},
};

// msvcrt for MinGW builds; the universal run-time and its forwarders for others.
bool is_runtime(std::string_view dll) {
    std::string lower;
    for (char c : dll) lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return lower.rfind("msvcr", 0) == 0 || lower.rfind("ucrtbase", 0) == 0 || lower.rfind("api-ms-win-crt-", 0) == 0;
}

}  // namespace

int redirect_runtime_imports(HMODULE module) {
    auto *base = reinterpret_cast<BYTE *>(module);
    auto *dos = reinterpret_cast<IMAGE_DOS_HEADER *>(base);
    auto *nt = reinterpret_cast<IMAGE_NT_HEADERS *>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY &dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (dir.VirtualAddress == 0) return 0;
    int patched = 0;
    for (auto *imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR *>(base + dir.VirtualAddress); imp->Name != 0; ++imp) {
        if (!is_runtime(reinterpret_cast<const char *>(base + imp->Name))) continue;
        DWORD names_rva = imp->OriginalFirstThunk != 0 ? imp->OriginalFirstThunk : imp->FirstThunk;
        auto *names = reinterpret_cast<IMAGE_THUNK_DATA *>(base + names_rva);
        auto *slots = reinterpret_cast<IMAGE_THUNK_DATA *>(base + imp->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            auto *by_name = reinterpret_cast<IMAGE_IMPORT_BY_NAME *>(base + names->u1.AddressOfData);
            std::string_view name(reinterpret_cast<const char *>(by_name->Name));
            for (const Redirect &r : kRedirects) {
                if (r.name != name) continue;
                DWORD old = 0;
                if (!VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &old)) break;
                slots->u1.Function = reinterpret_cast<ULONG_PTR>(r.to);
                VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
                ++patched;
                break;
            }
        }
    }
    return patched;
}

}  // namespace nxsim::platform
