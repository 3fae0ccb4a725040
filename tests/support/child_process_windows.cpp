#include <windows.h>

#include <atomic>
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

int run_program(const std::filesystem::path &program, const std::vector<std::string> &args,
                const std::filesystem::path &stderr_file, std::string *output) {
    std::filesystem::path exe = native(program);
    std::wstring line;
    append_quoted(line, exe.wstring());
    for (const auto &a : args) {
        line += L' ';
        // A Unix path would read as a /option to a Windows program: given as Z:\...
        append_quoted(line, a.rfind('/', 0) == 0 ? native(a).wstring() : std::filesystem::path(a).wstring());
    }
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE err = INVALID_HANDLE_VALUE;
    if (!stderr_file.empty()) {
        err = CreateFileW(native(stderr_file).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (err == INVALID_HANDLE_VALUE) return -1;
    }
    HANDLE read_end = nullptr, write_end = nullptr;
    if (output != nullptr && !CreatePipe(&read_end, &write_end, &inherit, 0)) return -1;
    if (read_end != nullptr) SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = write_end != nullptr ? write_end : GetStdHandle(STD_OUTPUT_HANDLE);
    si.hStdError =
        err != INVALID_HANDLE_VALUE ? err : (write_end != nullptr ? write_end : GetStdHandle(STD_ERROR_HANDLE));
    PROCESS_INFORMATION pi{};
    BOOL started = CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    if (write_end != nullptr) CloseHandle(write_end);
    if (err != INVALID_HANDLE_VALUE) CloseHandle(err);
    if (read_end != nullptr) {
        char buf[4096];
        DWORD n = 0;
        while (started && ReadFile(read_end, buf, sizeof buf, &n, nullptr) && n > 0) output->append(buf, n);
        CloseHandle(read_end);
    }
    if (!started) return -1;
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return static_cast<int>(code);
}

}  // namespace scenario
