// The simdjson adapter of the session file's readers: QuickPlace walks a simdjson
// document as Place walks a nlohmann-json one, and gives up (GiveUp) on anything the
// careful reader should word. Built where simdjson is (NXSIM_QUICK_LOADER).
#pragma once

#ifdef NXSIM_QUICK_LOADER
#include <simdjson.h>

#include <cmath>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>

#include "cp1251.h"

namespace nxsim::session_file {

// The quick way gives up: the file is read again the careful way, which decides.
struct GiveUp {};

class QuickPlace {
public:
    using element = simdjson::dom::element;
    QuickPlace(const std::string &source, element value) : source_(&source), value_(value) {}

    // Any fault: the careful path reads the file again and words the message, so a
    // bad file is reported the same way whichever reader met it first.
    [[noreturn]] void fail(const std::string &) const { throw GiveUp{}; }
    std::string where() const {
        if (parent_ == nullptr) return prefix_;
        std::string up = parent_->where();
        if (!key_.empty() || !indexed_) return up.empty() ? std::string(key_) : up + "." + std::string(key_);
        return up + "[" + std::to_string(index_) + "]";
    }
    // Places below the top: "parts[3]" and the like, as Place names them.
    QuickPlace below(std::string prefix, element value) const {
        QuickPlace q(*source_, value);
        q.prefix_ = std::move(prefix);
        return q;
    }

    QuickPlace operator[](const char *key) const {
        object();
        for (auto field : simdjson::dom::object(value_))
            if (field.key == key) return child(field.value, field.key);
        fail(std::string("\"") + key + "\" is missing");
    }
    QuickPlace operator[](size_t index) const {
        array();
        simdjson::dom::array a(value_);
        if (index >= a.size()) fail("has no entry " + std::to_string(index));
        QuickPlace q = child(a.at(index).value_unsafe(), {});
        q.indexed_ = true;
        q.index_ = index;
        return q;
    }
    bool has(const char *key) const {
        object();
        for (auto field : simdjson::dom::object(value_))
            if (field.key == key) return true;
        return false;
    }
    void only(std::initializer_list<const char *> keys) const {
        object();
        unsigned seen = 0;
        for (auto field : simdjson::dom::object(value_)) {
            unsigned bit = 1;
            bool known = false;
            for (const char *k : keys) {
                if (field.key == k) {
                    // nlohmann-json keeps the last of twice the same key, simdjson finds the first.
                    if (seen & bit) throw GiveUp{};
                    seen |= bit;
                    known = true;
                    break;
                }
                bit <<= 1;
            }
            if (!known) fail("unknown key \"" + std::string(field.key) + "\"");
        }
    }
    void object() const {
        if (!value_.is_object()) fail("expected an object");
    }
    void array() const {
        if (!value_.is_array()) fail("expected a list");
    }
    size_t length() const {
        array();
        return simdjson::dom::array(value_).size();
    }
    std::string text() const {
        if (!value_.is_string()) fail("expected a text");
        return std::string(std::string_view(value_));
    }
    std::string cp1251() const {
        auto converted = utf8_to_cp1251(text());
        if (!converted) fail("text has a character that Windows-1251 cannot hold");
        return *converted;
    }
    bool is_string() const { return value_.is_string(); }
    bool is_integer() const {
        doubtful();
        return value_.is_int64() || value_.is_uint64();
    }
    bool is_number() const { return value_.is_number(); }
    double number() const {
        if (!value_.is_number()) fail("expected a number");
        double v = value_.is_int64()    ? static_cast<double>(int64_t(value_))
                   : value_.is_uint64() ? static_cast<double>(uint64_t(value_))
                                        : double(value_);
        if (!std::isfinite(v)) fail("expected a finite number");
        return v;
    }
    long long integer() const {
        doubtful();
        // Beyond the host's int the careful path refuses it with the place.
        if (value_.is_int64() && int64_t(value_) >= INT_MIN && int64_t(value_) <= INT_MAX) return int64_t(value_);
        fail("expected a whole number within int");
    }
    bool boolean() const {
        if (!value_.is_bool()) fail("expected true or false");
        return bool(value_);
    }
    // Entries in order: stepping through, where indexing would walk the list each time.
    template <class F>
    void for_each_item(F f) const {
        array();
        size_t index = 0;
        for (auto item : simdjson::dom::array(value_)) {
            QuickPlace q = child(item, {});
            q.indexed_ = true;
            q.index_ = index++;
            f(q);
        }
    }
    template <class F>
    void for_each_field(F f) const {
        object();
        // A key given twice is refused; the careful path names it.
        std::unordered_set<std::string_view> seen;
        for (auto field : simdjson::dom::object(value_)) {
            if (!seen.insert(field.key).second) throw GiveUp{};
            f(std::string(field.key), child(field.value, field.key));
        }
    }

private:
    QuickPlace child(element value, std::string_view key) const {
        QuickPlace q(*source_, value);
        q.parent_ = this;
        q.key_ = key;
        return q;
    }
    // "-0" is a whole number to nlohmann-json, a real one to simdjson.
    void doubtful() const {
        if (value_.is_double() && double(value_) == 0 && std::signbit(double(value_))) throw GiveUp{};
    }

    const std::string *source_;
    element value_;
    const QuickPlace *parent_ = nullptr;
    std::string prefix_;
    std::string_view key_;
    bool indexed_ = false;
    size_t index_ = 0;
};

inline size_t length(const QuickPlace &p) { return p.length(); }
inline bool is_string(const QuickPlace &p) { return p.is_string(); }
inline bool is_integer(const QuickPlace &p) { return p.is_integer(); }
inline bool is_number(const QuickPlace &p) { return p.is_number(); }
template <class F>
void for_each_field(const QuickPlace &p, F f) {
    p.for_each_field(f);
}

}  // namespace nxsim::session_file
#endif
