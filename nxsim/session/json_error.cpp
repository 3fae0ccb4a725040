#include "json_error.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>

#include "cp1251.h"

namespace nxsim {

Json parse_json_text(const std::string &text, const std::string &source) {
    try {
        return Json::parse(text);
    } catch (const Json::parse_error &e) {
        size_t line = 1, column = 1;
        for (size_t i = 0; i + 1 < e.byte && i < text.size(); ++i) {
            if (text[i] == '\n') {
                ++line;
                column = 1;
            } else {
                ++column;
            }
        }
        std::string what = e.what();
        auto colon = what.rfind(": ");
        std::string reason = colon == std::string::npos ? what : what.substr(colon + 2);
        throw InputError(source + ":" + std::to_string(line) + ":" + std::to_string(column) +
                         ": not valid JSON: " + reason);
    } catch (const Json::exception &e) {
        // A number the parser cannot hold, for instance.
        throw InputError(source + ": not valid JSON: " + e.what());
    }
}

std::string unreadable_reason(const std::filesystem::path &path) {
    namespace fs = std::filesystem;
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

Json read_json_file(const std::filesystem::path &path, const char *what) {
    std::ifstream in(path, std::ios::binary);
    std::string why = in && std::filesystem::is_regular_file(path) ? "" : unreadable_reason(path);
    if (!why.empty() || !in)
        throw InputError(path.string() + ": cannot read the " + what + ": " + (why.empty() ? "not a file" : why));
    std::ostringstream buffer;
    buffer << in.rdbuf();
    return parse_json_text(buffer.str(), path.string());
}

void Place::fail(const std::string &message) const {
    throw InputError(source_ + ": " + (where_.empty() ? std::string("top level") : where_) + ": " + message);
}

Place Place::operator[](const char *key) const {
    const Json &o = object();
    auto it = o.find(key);
    if (it == o.end()) fail(std::string("\"") + key + "\" is missing");
    return Place(source_, *it, where_.empty() ? std::string(key) : where_ + "." + key);
}

Place Place::operator[](size_t index) const {
    const Json &a = array();
    if (index >= a.size()) fail("has no entry " + std::to_string(index));
    return Place(source_, a[index], where_ + "[" + std::to_string(index) + "]");
}

bool Place::has(const char *key) const { return object().contains(key); }

void Place::only(std::initializer_list<const char *> keys) const {
    for (auto it = object().begin(); it != object().end(); ++it) {
        bool known = false;
        for (const char *k : keys) known = known || it.key() == k;
        if (!known) fail("unknown key \"" + it.key() + "\"");
    }
}

const Json &Place::object() const {
    if (!value_->is_object()) fail("expected an object");
    return *value_;
}

const Json &Place::array() const {
    if (!value_->is_array()) fail("expected a list");
    return *value_;
}

std::string Place::text() const {
    if (!value_->is_string()) fail("expected a text");
    return value_->get<std::string>();
}

std::string Place::cp1251() const {
    auto converted = utf8_to_cp1251(text());
    if (!converted) fail("text has a character that Windows-1251 cannot hold");
    return *converted;
}

double Place::number() const {
    if (!value_->is_number()) fail("expected a number");
    double v = value_->get<double>();
    if (!std::isfinite(v)) fail("expected a finite number");
    return v;
}

long long Place::integer() const {
    if (!value_->is_number_integer()) fail("expected a whole number");
    return value_->get<long long>();
}

bool Place::boolean() const {
    if (!value_->is_boolean()) fail("expected true or false");
    return value_->get<bool>();
}

}  // namespace nxsim
