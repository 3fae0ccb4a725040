// A scratch folder that goes with its owner, unless kept for a person to look into.
#pragma once

#include <filesystem>
#include <string>
#include <system_error>

#include "child_process.h"

namespace scenario {

class temp_dir {
public:
    explicit temp_dir(const std::string &prefix) : path_(make_temp_dir(prefix)) {}
    ~temp_dir() {
        std::error_code ec;
        if (!kept_) std::filesystem::remove_all(path_, ec);
    }
    temp_dir(const temp_dir &) = delete;
    temp_dir &operator=(const temp_dir &) = delete;

    const std::filesystem::path &path() const { return path_; }
    std::filesystem::path operator/(const std::filesystem::path &name) const { return path_ / name; }
    std::string string() const { return path_.string(); }
    // Left in place, for the message that names it.
    void keep() { kept_ = true; }

private:
    std::filesystem::path path_;
    bool kept_ = false;
};

}  // namespace scenario
