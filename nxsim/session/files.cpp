// Staged files put in place together, durably and through a record of the commit,
// and the stale temporaries of ended runs.
#include "files.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <ostream>
#include <set>
#include <string_view>

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

fs::path folder_of(const fs::path &path) { return path.parent_path().empty() ? fs::path(".") : path.parent_path(); }

// The test hook of the commit: NXSIM_FAIL_RENAME=N fails the process's Nth rename as
// an I/O error would, "N:kill" ends the process there as a kill -9 would.
void rename_or_fail(const fs::path &temp, const fs::path &target) {
    static long renames = 0;
    static const std::pair<long, bool> fault = [] {
        const char *set = std::getenv("NXSIM_FAIL_RENAME");
        if (set == nullptr) return std::pair<long, bool>{0, false};
        char *rest = nullptr;
        long at = std::strtol(set, &rest, 10);
        return std::pair<long, bool>{at, std::string_view(rest) == ":kill"};
    }();
    if (++renames == fault.first) {
        if (fault.second) files_system::stop_at_once();
        throw InputError(target.string() + ": cannot be put in place (a fault of the test at rename " +
                         std::to_string(renames) + ")");
    }
    std::string why;
    if (!files_system::rename_onto(temp, target, why))
        throw InputError(target.string() + ": cannot be put in place (" + why + ")");
}

// Bytes written and flushed to the disk, with the folder's entry.
void write_durably(const fs::path &path, const std::string &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    out.close();
    std::string why = "cannot be written";
    if (!out || !files_system::flush_file(path, why))
        throw InputError(path.string() + ": cannot be written in full (" + why + ")");
    files_system::flush_folder(folder_of(path));
}

void remove_durably(const fs::path &path) {
    std::error_code ec;
    if (fs::remove(path, ec)) files_system::flush_folder(folder_of(path));
}

// The record of a commit, one line each, a path as its length and bytes:
//   nxsim commit PID / mark N:RUN-MARK / put N:TEMP N:TARGET / remove N:PATH / end COUNT
// A record without its end line was cut while it was written: no rename had begun.
// The run folder's mark: nxsim commit PID / record N:RECORD.
constexpr const char *kMarkName = "nxsim.commit";

std::string field(const fs::path &path) {
    std::string bytes = files_system::path_bytes(fs::absolute(path));
    return std::to_string(bytes.size()) + ":" + bytes;
}

struct Record {
    long pid = 0;
    fs::path mark;
    std::vector<std::pair<fs::path, fs::path>> puts;
    std::vector<fs::path> removals;
    bool whole = false;
};

class RecordReader {
public:
    explicit RecordReader(const std::string &text) : text_(text) {}
    bool word(std::string_view w) {
        if (text_.compare(at_, w.size(), w) != 0) return false;
        at_ += w.size();
        return true;
    }
    bool number(long &n) {
        size_t from = at_;
        // Nine digits at most: a long on Windows holds no more, a path or a process id needs no more.
        while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9' && at_ - from < 9) ++at_;
        if (at_ == from) return false;
        n = std::stol(text_.substr(from, at_ - from));
        return true;
    }
    bool path(fs::path &p) {
        long size = 0;
        if (!number(size) || !word(":") || static_cast<size_t>(size) > text_.size() - at_) return false;
        p = files_system::bytes_path(text_.substr(at_, static_cast<size_t>(size)));
        at_ += static_cast<size_t>(size);
        return true;
    }

private:
    const std::string &text_;
    size_t at_ = 0;
};

Record read_record(const std::string &text) {
    Record r;
    RecordReader in(text);
    if (!in.word("nxsim commit ") || !in.number(r.pid) || !in.word("\n")) return r;
    if (in.word("mark ") && !(in.path(r.mark) && in.word("\n"))) return r;
    for (;;) {
        fs::path a, b;
        long count = 0;
        if (in.word("put ")) {
            if (!in.path(a) || !in.word(" ") || !in.path(b) || !in.word("\n")) return r;
            r.puts.emplace_back(a, b);
        } else if (in.word("remove ")) {
            if (!in.path(a) || !in.word("\n")) return r;
            r.removals.push_back(a);
        } else {
            r.whole = in.word("end ") && in.number(count) && in.word("\n") &&
                      static_cast<size_t>(count) == r.puts.size() + r.removals.size();
            return r;
        }
    }
}

// Puts in place what a whole record names and is not yet there, or removes the
// temporaries of a record cut while written; then the record goes.
void finish_record(const fs::path &record, const Record &r, std::ostream &err) {
    if (r.whole) {
        std::set<fs::path> folders;
        size_t put = 0;
        for (const auto &[temp, target] : r.puts) {
            std::error_code ec;
            if (!fs::exists(temp, ec)) continue;  // in place before the cut
            std::string why;
            if (!files_system::rename_onto(temp, target, why))
                throw InputError(record.string() + ": the commit of a run that was cut off cannot be completed: " +
                                 target.string() + ": " + why);
            folders.insert(folder_of(target));
            ++put;
        }
        for (const auto &gone : r.removals) {
            bool written = std::any_of(r.puts.begin(), r.puts.end(), [&](const auto &f) { return f.second == gone; });
            std::error_code ec;
            if (!written && fs::remove(gone, ec)) folders.insert(folder_of(gone));
        }
        for (const auto &f : folders) files_system::flush_folder(f);
        err << "nxsim: completed the commit of a run that was cut off: " << put << " of its " << r.puts.size()
            << " files put in place now, as " << record.string() << " recorded\n";
    } else {
        for (const auto &put : r.puts)
            if (temporary_of(put.first.filename().string()).second > 0) {
                std::error_code ec;
                fs::remove(put.first, ec);
            }
        err << "nxsim: took back the commit of a run that was cut off before its first rename: nothing of it is in "
               "place ("
            << record.string() << " was not written whole)\n";
    }
    remove_durably(record);
    std::error_code ec;
    if (!r.mark.empty()) fs::remove(r.mark, ec);
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
    if (decided_) return;  // recorded: what is not in place yet is the next run's to put there
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
    // Every temporary on the disk, and its name in its folder, before anything names it.
    std::set<fs::path> folders;
    for (const auto &[temp, target] : files_) {
        std::string why;
        if (!files_system::flush_file(temp, why))
            throw InputError(target.string() + ": cannot be written to the disk (" + why + ")");
        folders.insert(folder_of(temp));
    }
    for (const auto &f : folders) files_system::flush_folder(f);
    // One rename is whole by itself; several are recorded first.
    const bool recorded = !record_.session.empty() && files_.size() + removals_.size() > 1;
    fs::path record = record_.session;
    record += ".commit";
    // A record in the run folder is found there: no mark needed.
    auto folder = [](const fs::path &p) { return fs::absolute(p).lexically_normal().parent_path(); };
    const bool marked = !record_.run_dir.empty() && folder(record_.run_dir / "x") != folder(record);
    const fs::path mark = marked ? record_.run_dir / kMarkName : fs::path();
    if (recorded) {
        // From here a stop leaves the temporaries: a record may soon need them.
        for (const auto &[temp, target] : files_) untrack_temporary(temp);
        try {
            write_record(record, mark);
        } catch (const InputError &) {
            remove_durably(record);
            if (!mark.empty()) remove_durably(mark);
            throw;
        }
        decided_ = true;
    }
    for (const auto &[temp, target] : files_) {
        try {
            rename_or_fail(temp, target);
        } catch (const InputError &) {
            cut_ = recorded;
            throw;
        }
        untrack_temporary(temp);
    }
    // A file put in place again by this set stays.
    for (const auto &gone : removals_) {
        bool written = std::any_of(files_.begin(), files_.end(), [&](const auto &f) { return f.second == gone; });
        std::error_code ec;
        if (!written && fs::remove(gone, ec)) folders.insert(folder_of(gone));
    }
    for (const auto &[temp, target] : files_) folders.insert(folder_of(target));
    for (const auto &f : folders) files_system::flush_folder(f);
    if (recorded) {
        remove_durably(record);
        // A mark left by a power loss names no record: the next run removes it.
        std::error_code ec;
        if (!mark.empty()) fs::remove(mark, ec);
    }
    files_.clear();
    removals_.clear();
    decided_ = false;
}

// The mark first: a mark without its record is a commit that never began. The mark
// is put in place whole, under a temporary named by the process: a mark cut while it
// was written would name no process, and no run could tell it from one being written.
void FileSet::write_record(const fs::path &record, const fs::path &mark) const {
    std::string text = "nxsim commit " + std::to_string(process_id()) + "\n";
    if (!mark.empty()) {
        remove_stale_temporaries(mark);
        fs::path temp = mark;
        temp += ".tmp-" + std::to_string(process_id());
        write_durably(temp, text + "record " + field(record) + "\n");
        std::string why;
        if (!files_system::rename_onto(temp, mark, why)) {
            std::error_code ec;
            fs::remove(temp, ec);
            throw InputError(mark.string() + ": cannot be put in place (" + why + ")");
        }
        files_system::flush_folder(folder_of(mark));
    }
    if (!mark.empty()) text += "mark " + field(mark) + "\n";
    for (const auto &[temp, target] : files_) text += "put " + field(temp) + " " + field(target) + "\n";
    for (const auto &gone : removals_) text += "remove " + field(gone) + "\n";
    text += "end " + std::to_string(files_.size() + removals_.size()) + "\n";
    write_durably(record, text);
}

void finish_cut_commits(const fs::path &session, const fs::path &run_dir, std::ostream &err) {
    auto read = [](const fs::path &path, std::string &bytes) {
        std::error_code ec;
        if (!fs::is_regular_file(path, ec)) return false;
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
        return true;
    };
    std::string text;
    fs::path record = session;
    record += ".commit";
    if (!session.empty() && read(record, text)) finish_record(record, read_record(text), err);
    if (run_dir.empty()) return;
    // A mark's temporary left by a run cut before it put the mark in place.
    remove_stale_temporaries(run_dir / kMarkName);
    // The run folder's marks, and the records of sessions kept in it.
    std::vector<fs::path> found;
    std::error_code ec;
    for (fs::directory_iterator it(run_dir, ec), end; !ec && it != end; it.increment(ec))
        if (it->path().extension() == ".commit") found.push_back(it->path());
    for (const auto &path : found) {
        if (!read(path, text)) continue;
        RecordReader in(text);
        long pid = 0;
        if (!in.word("nxsim commit ") || !in.number(pid) || !in.word("\n")) continue;
        // A commit still under way is its run's (a run on another session).
        if (pid != process_id() && !process_ended(pid)) continue;
        fs::path named;
        if (!in.word("record ")) {
            finish_record(path, read_record(text), err);
        } else {
            if (in.path(named) && read(named, text)) finish_record(named, read_record(text), err);
            remove_durably(path);
        }
    }
}

void write_file_atomically(const fs::path &path, const std::string &bytes) {
    FileSet file;
    file.write(path, bytes);
    file.commit();
}

}  // namespace nxsim
