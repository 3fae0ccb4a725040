// Staged files put in place together, and the stale temporaries of ended runs.
#include "files.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <map>

#include "files_system.h"
#include "json_error.h"

namespace nxsim {
namespace fs = std::filesystem;
namespace {

std::string reason() { return std::strerror(errno); }

bool whole_number(const std::string &digits) {
    return !digits.empty() && digits.size() <= 9 && digits.find_first_not_of("0123456789") == std::string::npos;
}

// Where the target's name ends in a temporary's name and the process that wrote it:
// "NAME.tmp-PID" of a save, "NAME.nxsim-PID-N" of a tool's write. pid 0: not one.
std::pair<size_t, long> temporary_of(const std::string &name) {
    size_t mark = name.rfind(".tmp-");
    if (mark != std::string::npos && mark > 0 && whole_number(name.substr(mark + 5)))
        return {mark, std::stol(name.substr(mark + 5))};
    mark = name.rfind(".nxsim-");
    size_t dash = name.rfind('-');
    if (mark == std::string::npos || mark == 0 || dash <= mark + 7) return {0, 0};
    std::string digits = name.substr(mark + 7, dash - mark - 7);
    if (!whole_number(digits) || !whole_number(name.substr(dash + 1))) return {0, 0};
    return {mark, std::stol(digits)};
}

}  // namespace

namespace files_system {
Slot slots[kSlots];
}

void track_temporary(const fs::path &temp) {
    files_system::install_stop_handler();
    const auto &p = temp.native();
    if (p.size() >= files_system::kPathChars) return;  // too long to keep: left behind, cleaned as stale
    for (auto &s : files_system::slots) {
        if (s.used) continue;
        std::copy(p.begin(), p.end(), s.path);
        s.path[p.size()] = 0;
        s.used = 1;
        return;
    }
}

void untrack_temporary(const fs::path &temp) {
    for (auto &s : files_system::slots)
        if (s.used && temp.native() == s.path) s.used = 0;
}

std::string unreadable_reason(const fs::path &path) {
    std::error_code ec;
    fs::file_status status = fs::status(path, ec);
    if (ec && ec != std::errc::no_such_file_or_directory)
        return ec == std::errc::permission_denied ? "permission denied" : ec.message();
    if (!fs::exists(status)) return "no such file";
    if (fs::is_directory(status)) return "it is a folder";
    std::ifstream in(path, std::ios::binary);
    if (!in) return errno == EACCES || errno == EPERM ? "permission denied" : std::strerror(errno);
    return "";
}

// A folder is read once per process: a workflow writes thousands of logs and
// transcripts into one, and reading it again for each would cost the square of them.
// Temporaries of processes that end later are left to the next process.
void remove_stale_temporaries(const fs::path &path) {
    static std::map<fs::path, std::multimap<std::string, fs::path>> stale_in;  // folder: target name, temporary
    fs::path folder = path.parent_path().empty() ? fs::path(".") : path.parent_path();
    auto [at, first_time] = stale_in.try_emplace(folder);
    auto &stale = at->second;
    if (first_time) {
        std::error_code ec;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            std::string name = it->path().filename().string();
            auto [mark, pid] = temporary_of(name);
            if (pid <= 0 || pid == process_id() || !process_ended(pid)) continue;
            stale.emplace(name.substr(0, mark), it->path());
        }
    }
    auto [from, to] = stale.equal_range(path.filename().string());
    for (auto it = from; it != to; ++it) {
        std::error_code ignored;
        fs::remove(it->second, ignored);
    }
    stale.erase(from, to);
}

FileSet::~FileSet() {
    for (const auto &[temp, target] : files_) {
        std::error_code ec;
        fs::remove(temp, ec);
        untrack_temporary(temp);
    }
}

void FileSet::adopt(const fs::path &temp, const fs::path &target) { files_.emplace_back(temp, target); }

fs::path FileSet::write(const fs::path &target, const std::string &bytes) {
    // Both would share one temporary and the second rename fail after the first.
    for (const auto &[temp, to] : files_)
        if (to == target) throw InputError(target.string() + ": written twice in one save");
    remove_stale_temporaries(target);
    fs::path temp = target;
    temp += ".tmp-" + std::to_string(process_id());
    track_temporary(temp);
    files_.emplace_back(temp, target);
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) throw InputError(target.string() + ": cannot be written");
    out << bytes;
    out.close();
    if (!out) throw InputError(target.string() + ": cannot be written in full (" + reason() + ")");
    return temp;
}

void FileSet::remove(const fs::path &target) { removals_.push_back(target); }

std::optional<std::string> FileSet::bytes_for(const fs::path &target) const {
    fs::path from = target;
    bool written = false;
    for (const auto &[temp, to] : files_)
        if (to == target) {
            from = temp;
            written = true;
        }
    if (!written && std::find(removals_.begin(), removals_.end(), target) != removals_.end()) return std::nullopt;
    std::ifstream in(from, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void FileSet::commit() {
    // What would stop a rename half-way is refused before the first one.
    for (const auto &[temp, target] : files_) {
        std::error_code ec;
        if (fs::is_directory(target, ec)) throw InputError(target.string() + ": is a folder: cannot be replaced");
        refuse_read_only(target);
    }
    for (const auto &[temp, target] : files_) {
        std::error_code ec;
        fs::rename(temp, target, ec);
        if (ec) throw InputError(target.string() + ": cannot be put in place (" + ec.message() + ")");
        untrack_temporary(temp);
    }
    // A file put in place again by this set stays.
    for (const auto &gone : removals_) {
        bool written = std::any_of(files_.begin(), files_.end(), [&](const auto &f) { return f.second == gone; });
        std::error_code ec;
        if (!written) fs::remove(gone, ec);
    }
    files_.clear();
    removals_.clear();
}

void write_file_atomically(const fs::path &path, const std::string &bytes) {
    FileSet file;
    file.write(path, bytes);
    file.commit();
}

}  // namespace nxsim
