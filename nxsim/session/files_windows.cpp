// Windows: what the session's files need of the system. Temporaries removed on Ctrl+C
// or a closed console, processes asked through their handles, files flushed with
// FlushFileBuffers and renamed writing through, the session locked by a "NAME.lock"
// beside it. files_posix.cpp serves Linux.
#include <windows.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <system_error>

#include "files.h"
#include "files_system.h"
#include "json_error.h"

namespace nxsim {
namespace fs = std::filesystem;
namespace {

// The console handler runs on a thread of its own, on the slots alone.
BOOL WINAPI remove_temporaries(DWORD) {
    for (files_system::Slot &s : files_system::slots)
        if (s.used) DeleteFileW(s.path);
    return FALSE;  // the next handler, at last the one that ends the process
}

}  // namespace

void files_system::install_stop_handler() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    SetConsoleCtrlHandler(remove_temporaries, TRUE);
}

namespace {

std::string last_error() { return std::system_category().message(static_cast<int>(GetLastError())); }

}  // namespace

bool files_system::flush_file(const fs::path &path, std::string &why) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        why = last_error();
        return false;
    }
    bool flushed = FlushFileBuffers(file) != 0;
    if (!flushed) why = last_error();
    CloseHandle(file);
    return flushed;
}

// The renames write through: a folder holds nothing more to flush.
void files_system::flush_folder(const fs::path &) {}

bool files_system::rename_onto(const fs::path &temp, const fs::path &target, std::string &why) {
    if (MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0) return true;
    why = last_error();
    return false;
}

void files_system::stop_at_once() {
    TerminateProcess(GetCurrentProcess(), 137);
    std::abort();
}

std::string files_system::path_bytes(const fs::path &path) {
    std::u8string utf8 = path.u8string();
    return {utf8.begin(), utf8.end()};
}
fs::path files_system::bytes_path(const std::string &bytes) {
    return fs::path(std::u8string(bytes.begin(), bytes.end()));
}

long process_id() { return static_cast<long>(GetCurrentProcessId()); }

bool process_ended(long pid) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (process == nullptr) return GetLastError() == ERROR_INVALID_PARAMETER;  // no such process
    bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
}

// A folder's read-only flag does not stop files being made in it.
bool folder_writable(const fs::path &folder) {
    DWORD attributes = GetFileAttributesW(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void refuse_read_only(const fs::path &path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return;
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0)
        throw InputError(path.string() + ": read-only: nxsim does not save over it");
}

std::string read_regular_file(const fs::path &path, const char *what) {
    auto refuse = [&](const std::string &why) {
        return InputError(path.string() + ": cannot read the " + what + ": " + why);
    };
    std::error_code ec;
    fs::file_status status = fs::status(path, ec);
    if (ec || !fs::exists(status) || fs::is_directory(status)) {
        std::string why = unreadable_reason(path);
        throw refuse(why.empty() ? "no such file" : why);
    }
    if (!fs::is_regular_file(status)) throw refuse("not a regular file (a FIFO or a device)");
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::string why = unreadable_reason(path);
        throw refuse(why.empty() ? std::strerror(errno) : why);
    }
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw refuse(std::strerror(errno));
    return bytes;
}

SessionLock::SessionLock(const fs::path &path) : path_(path) {
    // A lock on the file itself would keep its bytes from the reader and the new
    // session from being put in its place; the lock file shares nothing and goes
    // with its last handle, also when the process is killed.
    // A session not made yet is locked as well: two runs would both make it.
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return;
    fs::path lock = path;
    lock += ".lock";
    HANDLE held = CreateFileW(lock.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (held != INVALID_HANDLE_VALUE) {
        held_ = reinterpret_cast<std::intptr_t>(held);
        return;
    }
    if (GetLastError() == ERROR_SHARING_VIOLATION || GetLastError() == ERROR_ACCESS_DENIED)
        throw InputError(path.string() + ": in use by another run: try again when it has ended");
    // A folder where no lock file can be made: nothing to lock against (its save fails there).
}

// The lock file beside the session stays through its saves.
void SessionLock::carry_to(const fs::path &) {}

SessionLock::~SessionLock() {
    if (held_ != -1) CloseHandle(reinterpret_cast<HANDLE>(held_));
}

}  // namespace nxsim
