#include "json_error.h"

#include <climits>
#include <cmath>
#include <unordered_set>
#include <vector>

#include "cp1251.h"
#include "files.h"

namespace nxsim {

namespace {

// Builds the document as the parser does, and refuses a key given twice in one
// object with the object's place (the parser itself would keep the last silently).
class KeyWatch {
public:
    KeyWatch(Json &result, const std::string &source) : dom_(result, true), source_(source) {}

    bool null() { return entry(), dom_.null(); }
    bool boolean(bool v) { return entry(), dom_.boolean(v); }
    bool number_integer(Json::number_integer_t v) { return entry(), dom_.number_integer(v); }
    bool number_unsigned(Json::number_unsigned_t v) { return entry(), dom_.number_unsigned(v); }
    bool number_float(Json::number_float_t v, const Json::string_t &s) { return entry(), dom_.number_float(v, s); }
    bool string(Json::string_t &v) { return entry(), dom_.string(v); }
    bool binary(Json::binary_t &v) { return entry(), dom_.binary(v); }
    bool start_object(size_t n) {
        levels_.push_back({false, 0, {}, {}});
        return dom_.start_object(n);
    }
    bool key(Json::string_t &k) {
        Level &top = levels_.back();
        if (!top.keys.insert(k).second)
            throw InputError(source_ + ": " + place() + ": duplicate key \"" + shorten(k) + "\"");
        top.key = k;
        return dom_.key(k);
    }
    bool end_object() { return leave(), dom_.end_object(); }
    bool start_array(size_t n) {
        levels_.push_back({true, 0, {}, {}});
        return dom_.start_array(n);
    }
    bool end_array() { return leave(), dom_.end_array(); }
    // Thrown as what it is, so that a syntax error still names line and column.
    [[noreturn]] bool parse_error(size_t, const std::string &, const nlohmann::detail::exception &e) {
        if (const auto *syntax = dynamic_cast<const Json::parse_error *>(&e)) throw *syntax;
        if (const auto *range = dynamic_cast<const Json::out_of_range *>(&e)) throw *range;
        throw InputError(source_ + ": not valid JSON: " + e.what());
    }

private:
    struct Level {
        bool array;
        size_t count;     // entries of an array so far
        std::string key;  // the current key of an object
        std::unordered_set<std::string> keys;
    };
    void entry() {
        if (!levels_.empty() && levels_.back().array) ++levels_.back().count;
    }
    void leave() {
        levels_.pop_back();
        entry();
    }
    // Where the innermost object is, as Place writes it.
    std::string place() const {
        std::string where;
        for (size_t i = 0; i + 1 < levels_.size(); ++i) {
            if (levels_[i].array)
                where += "[" + std::to_string(levels_[i].count) + "]";
            else
                where += (where.empty() ? "" : ".") + shorten(levels_[i].key);
        }
        return where.empty() ? "top level" : where;
    }

    nlohmann::detail::json_sax_dom_parser<Json> dom_;
    const std::string &source_;
    std::vector<Level> levels_;
};

}  // namespace

std::string shorten(std::string_view utf8, size_t limit) {
    if (utf8.size() <= limit) return std::string(utf8);
    size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(utf8[cut]) & 0xC0) == 0x80) --cut;
    return std::string(utf8.substr(0, cut)) + "...";
}

Json parse_json_text(const std::string &text, const std::string &source) {
    try {
        Json result;
        KeyWatch watch(result, source);
        Json::sax_parse(text, &watch);
        return result;
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

Json read_json_file(const std::filesystem::path &path, const char *what) {
    return parse_json_text(read_regular_file(path, what), path.string());
}

void Place::fail(const std::string &message) const {
    throw InputError(source_ + ": " + (where_.empty() ? std::string("top level") : where_) + ": " + message);
}

Place Place::operator[](const char *key) const {
    const Json &o = object();
    auto it = o.find(key);
    if (it == o.end()) fail(std::string("\"") + key + "\" is missing");
    std::string name = shorten(key);
    return Place(source_, *it, where_.empty() ? name : where_ + "." + name);
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
        if (!known) fail("unknown key \"" + shorten(it.key()) + "\"");
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
    // A larger number would wrap when the host takes it as an int.
    bool fits = value_->is_number_unsigned()
                    ? value_->get<unsigned long long>() <= INT_MAX
                    : value_->get<long long>() >= INT_MIN && value_->get<long long>() <= INT_MAX;
    if (!fits) fail("expected a whole number from " + std::to_string(INT_MIN) + " to " + std::to_string(INT_MAX));
    return value_->get<long long>();
}

bool Place::boolean() const {
    if (!value_->is_boolean()) fail("expected true or false");
    return value_->get<bool>();
}

}  // namespace nxsim
