// `nxsim log`: a run's error log, written by the tools in Windows-1251 with CR LF,
// shown in UTF-8 so that nobody needs iconv to read it.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <string>

namespace nxsim {

struct LogOptions {
    std::filesystem::path run;  // run folder of nxsim run or play, or a log file
    std::string tool;           // in a workflow's run folder: the last run of this tool
};

// Windows-1251 bytes with CR LF line ends as UTF-8 text with LF line ends.
std::string log_as_utf8(const std::string &bytes);

// The log a run folder holds: a workflow's last (or last of `tool`) in logs/,
// otherwise D/prterr.txt or the tools' fallback C/Temp/prterr.txt. Throws InputError.
std::filesystem::path find_log(const LogOptions &options);

int log_command(const LogOptions &options, std::ostream &out, std::ostream &err);

}  // namespace nxsim
