#include <windows.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "child_process.h"

namespace scenario {
namespace {

// Quoting as the C run-time splits a command line into argv.
void append_quoted(std::wstring &line, const std::wstring &arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) {
        line += arg;
        return;
    }
    line += L'"';
    size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        line.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        line += c;
    }
    line.append(backslashes * 2, L'\\');
    line += L'"';
}

std::string slurp(const std::filesystem::path &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::filesystem::path native(const std::filesystem::path &p) {
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(p, ec);
    if (ec) full = p;
    return full.make_preferred();
}

}  // namespace

std::filesystem::path make_temp_dir(const std::string &prefix) {
    static std::atomic<unsigned> counter{0};
    std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 1000; ++attempt) {
        auto dir = base / (prefix + "-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++));
        if (CreateDirectoryW(dir.c_str(), nullptr)) return dir;
    }
    throw std::runtime_error("no temporary folder");
}

child_result run_child(const std::vector<std::string> &argv, const child_options &o) {
    child_result r;
    if (argv.empty()) return r;
    std::filesystem::path exe = native(argv[0]);
    std::wstring line;
    append_quoted(line, exe.wstring());
    for (size_t i = 1; i < argv.size(); ++i) {
        const std::string &a = argv[i];
        line += L' ';
        // A Unix path would read as a /option to a Windows program: given as Z:\...
        append_quoted(line, a.rfind('/', 0) == 0 ? native(a).wstring() : std::filesystem::path(a).wstring());
    }
    // Output that is collected goes through files in a scratch folder of its own.
    std::filesystem::path scratch;
    std::filesystem::path out = o.out_file, err = o.err_file;
    bool collect_out = out.empty(), collect_err = !o.errors_with_output && err.empty();
    if (collect_out || collect_err) {
        scratch = make_temp_dir("rivet-child");
        if (collect_out) out = scratch / "out";
        if (collect_err) err = scratch / "err";
    }
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    DWORD disposition = o.append ? OPEN_ALWAYS : CREATE_ALWAYS;
    auto open_for_writing = [&](const std::filesystem::path &p) {
        HANDLE h =
            CreateFileW(native(p).c_str(), o.append ? FILE_APPEND_DATA : GENERIC_WRITE,
                        FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
        return h;
    };
    HANDLE in = CreateFileW(o.input.empty() ? L"NUL" : native(o.input).c_str(), GENERIC_READ, FILE_SHARE_READ, &inherit,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    HANDLE out_handle = open_for_writing(out);
    HANDLE err_handle = o.errors_with_output ? out_handle : open_for_writing(err);
    BOOL started = FALSE;
    PROCESS_INFORMATION pi{};
    if (in != INVALID_HANDLE_VALUE && out_handle != INVALID_HANDLE_VALUE && err_handle != INVALID_HANDLE_VALUE) {
        STARTUPINFOW si{};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = in;
        si.hStdOutput = out_handle;
        si.hStdError = err_handle;
        started = CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    }
    for (HANDLE h : {in, out_handle, o.errors_with_output ? INVALID_HANDLE_VALUE : err_handle})
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    if (started) {
        WaitForSingleObject(pi.hProcess, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        r.exit_code = static_cast<int>(code);
    }
    if (collect_out) r.out = slurp(out);
    if (collect_err) r.err = slurp(err);
    if (!scratch.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(scratch, ec);
    }
    return r;
}

}  // namespace scenario
