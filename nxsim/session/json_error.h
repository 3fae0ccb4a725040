// Bad input is reported as one line naming the file and the place in it.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "export.h"

namespace nxsim {

using Json = nlohmann::ordered_json;

class NXSIM_EXPORT InputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads and parses a JSON file; a syntax error names line and column, a key given
// twice in one object names the object. A file that cannot be read is named with
// what it was meant to be ("session", "engineer script", "workflow") and why: no
// such file, a folder, permission denied. Only a regular file is read: a FIFO or a
// device would block for ever.
NXSIM_EXPORT Json read_json_file(const std::filesystem::path &path, const char *what = "file");
NXSIM_EXPORT Json parse_json_text(const std::string &text, const std::string &source);

// A value as a message shows it: a long one cut (at a character) and ended with "...".
NXSIM_EXPORT std::string shorten(std::string_view utf8, size_t limit = 60);

// Walks a JSON document while remembering where it is, for messages such as
// "script.json: actions[3].select[0]: expected a text".
class NXSIM_EXPORT Place {
public:
    Place(std::string source, const Json &value, std::string where = "")
        : source_(std::move(source)),
          value_(&value),
          where_(std::move(where)) {}

    const Json &value() const { return *value_; }
    const std::string &where() const { return where_; }
    // "file: place", for messages raised later, while the script plays.
    std::string located() const { return source_ + ": " + where_; }
    [[noreturn]] void fail(const std::string &message) const;

    Place operator[](const char *key) const;  // a present key
    Place operator[](size_t index) const;
    bool has(const char *key) const;
    void only(std::initializer_list<const char *> keys) const;  // refuse unknown keys

    const Json &object() const;
    const Json &array() const;
    std::string text() const;    // UTF-8 as written
    std::string cp1251() const;  // converted for the host
    double number() const;
    long long integer() const;  // within int, as the host holds whole numbers
    bool boolean() const;

private:
    std::string source_;
    const Json *value_;
    std::string where_;
};

}  // namespace nxsim
