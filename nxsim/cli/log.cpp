#include "log.h"

#include <algorithm>
#include <fstream>
#include <iostream>
#include <sstream>
#include <vector>

#include "cp1251.h"
#include "json_error.h"

namespace nxsim {

namespace fs = std::filesystem;

std::string log_as_utf8(const std::string &bytes) {
    std::string lf;
    lf.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i)
        if (!(bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')) lf += bytes[i];
    return cp1251_to_utf8(lf);
}

fs::path find_log(const LogOptions &o) {
    std::error_code ec;
    if (fs::is_regular_file(o.run, ec)) {
        if (!o.tool.empty()) throw InputError(o.run.string() + ": --tool is for a workflow's run folder");
        return o.run;
    }
    if (!fs::is_directory(o.run, ec)) throw InputError(o.run.string() + ": no such run folder or log file");
    fs::path logs = o.run / "logs";
    if (fs::is_directory(logs, ec)) {
        // A workflow's run folder: logs/NN_tool.prterr.txt, the highest NN wins.
        const std::string suffix = ".prterr.txt";
        long last = -1;
        fs::path found;
        for (const auto &entry : fs::directory_iterator(logs, ec)) {
            std::string name = entry.path().filename().string();
            size_t underscore = name.find('_');
            if (underscore == 0 || underscore == std::string::npos || underscore > 9 ||
                name.size() <= suffix.size() + underscore + 1 ||
                name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0 ||
                name.find_first_not_of("0123456789") != underscore)
                continue;
            std::string tool = name.substr(underscore + 1, name.size() - suffix.size() - underscore - 1);
            long number = std::stol(name.substr(0, underscore));
            if ((o.tool.empty() || tool == o.tool) && number > last) last = number, found = entry.path();
        }
        if (last < 0)
            throw InputError(logs.string() + ": no error log" + (o.tool.empty() ? "" : " of " + o.tool) + " in it");
        return found;
    }
    if (!o.tool.empty()) throw InputError(o.run.string() + ": --tool is for a workflow's run folder (one with logs/)");
    for (const fs::path &log : {o.run / "D" / "prterr.txt", o.run / "C" / "Temp" / "prterr.txt"})
        if (fs::is_regular_file(log, ec)) return log;
    throw InputError(o.run.string() + ": no error log in this run folder (neither D/prterr.txt nor C/Temp/prterr.txt)");
}

int log_command(const LogOptions &options, std::ostream &out, std::ostream &err) {
    try {
        fs::path log = find_log(options);
        std::ifstream in(log, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        if (!in && !in.eof()) throw InputError(log.string() + ": cannot read the error log");
        out << log_as_utf8(bytes.str());
        return 0;
    } catch (const InputError &e) {
        err << "nxsim: " << e.what() << "\n";
        return 2;
    }
}

}  // namespace nxsim
