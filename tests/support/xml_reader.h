// A small XML reader for the tests of the pictures nxsim draws: it refuses what is
// not well-formed (UTF-8 throughout, no control character XML forbids, every element
// closed, attributes quoted and given once, known entities only), so a picture that a
// browser would not show fails the test that reads it.
#pragma once

#include <functional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace scenario {

struct Element {
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes;
    std::vector<Element> children;
    std::string text;  // character data directly inside

    const std::string *attr(const std::string &key) const {
        for (const auto &a : attributes)
            if (a.first == key) return &a.second;
        return nullptr;
    }
    std::string get(const std::string &key) const {
        const std::string *v = attr(key);
        return v ? *v : std::string();
    }
    bool has_class(const std::string &c) const {
        std::istringstream words(get("class"));
        std::string w;
        while (words >> w)
            if (w == c) return true;
        return false;
    }
    // Text of this element and all below it.
    std::string all_text() const {
        std::string t = text;
        for (const Element &c : children) t += c.all_text();
        return t;
    }
};

// The document's root element; throws std::runtime_error naming the byte where it is
// not well-formed.
Element parse_xml(const std::string &text);

// The elements at or below root that want accepts, in document order.
void collect(const Element &root, const std::function<bool(const Element &)> &want, std::vector<const Element *> &out);
// Elements of that name carrying that class.
std::vector<const Element *> with_class(const Element &root, const std::string &name, const std::string &cls);
// The one element with that id, or null (none, or several).
const Element *with_id(const Element &root, const std::string &id);

}  // namespace scenario
