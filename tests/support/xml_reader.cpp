#include "xml_reader.h"

#include <cctype>
#include <cstring>
#include <stdexcept>

namespace scenario {
namespace {

class XmlReader {
public:
    explicit XmlReader(const std::string &s) : s_(s) {}

    Element document() {
        check_characters();
        if (s_.compare(0, 5, "<?xml") == 0) skip_past("?>");
        misc();
        Element root = element();
        misc();
        if (p_ != s_.size()) fail("content after the root element");
        return root;
    }

private:
    [[noreturn]] void fail(const std::string &why) const {
        throw std::runtime_error("not well-formed at byte " + std::to_string(p_) + ": " + why);
    }
    bool at(const char *t) const { return s_.compare(p_, std::strlen(t), t) == 0; }
    void skip_past(const char *t) {
        size_t e = s_.find(t, p_);
        if (e == std::string::npos) fail(std::string("no closing ") + t);
        p_ = e + std::strlen(t);
    }
    void spaces() {
        while (p_ < s_.size() && std::strchr(" \t\r\n", s_[p_]) != nullptr) ++p_;
    }
    void misc() {
        for (;;) {
            spaces();
            if (at("<!--"))
                skip_past("-->");
            else if (at("<?"))
                skip_past("?>");
            else
                return;
        }
    }
    // UTF-8 throughout, and no control character XML forbids.
    void check_characters() {
        for (size_t i = 0; i < s_.size();) {
            unsigned char b = static_cast<unsigned char>(s_[i]);
            int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
            p_ = i;
            if (extra < 0) fail("not UTF-8");
            if (b < 0x20 && b != '\t' && b != '\n' && b != '\r') fail("control character");
            for (int k = 1; k <= extra; ++k)
                if (i + k >= s_.size() || (static_cast<unsigned char>(s_[i + k]) & 0xC0) != 0x80) fail("not UTF-8");
            i += 1 + extra;
        }
        p_ = 0;
    }
    std::string name() {
        size_t start = p_;
        auto first = [](char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == ':'; };
        auto other = [&](char c) {
            return first(c) || std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '.';
        };
        if (p_ >= s_.size() || !first(s_[p_])) fail("expected a name");
        while (p_ < s_.size() && other(s_[p_])) ++p_;
        return s_.substr(start, p_ - start);
    }
    std::string decode(const std::string &raw) {
        std::string out;
        for (size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] != '&') {
                out += raw[i];
                continue;
            }
            size_t semi = raw.find(';', i);
            if (semi == std::string::npos) fail("& without ;");
            std::string ent = raw.substr(i + 1, semi - i - 1);
            if (ent == "amp")
                out += '&';
            else if (ent == "lt")
                out += '<';
            else if (ent == "gt")
                out += '>';
            else if (ent == "quot")
                out += '"';
            else if (ent == "apos")
                out += '\'';
            else if (ent.size() > 1 && ent[0] == '#') {
                bool hex = ent[1] == 'x';
                std::string digits = ent.substr(hex ? 2 : 1);
                if (digits.empty() ||
                    digits.find_first_not_of(hex ? "0123456789abcdefABCDEF" : "0123456789") != std::string::npos)
                    fail("bad character reference");
                unsigned long c = std::stoul(digits, nullptr, hex ? 16 : 10);
                if (c != 9 && c != 10 && c != 13 && c < 0x20) fail("reference to a forbidden character");
                if (c >= 0x80) fail("reader keeps to ASCII references");
                out += static_cast<char>(c);
            } else {
                fail("unknown entity &" + ent + ";");
            }
            i = semi;
        }
        return out;
    }
    Element element() {
        if (!at("<")) fail("expected an element");
        ++p_;
        Element e;
        e.name = name();
        for (;;) {
            size_t before = p_;
            spaces();
            if (at("/>")) {
                p_ += 2;
                return e;
            }
            if (at(">")) {
                ++p_;
                break;
            }
            if (p_ == before) fail("attributes need white space between them");
            std::string key = name();
            spaces();
            if (!at("=")) fail("expected =");
            ++p_;
            spaces();
            if (p_ >= s_.size() || (s_[p_] != '"' && s_[p_] != '\'')) fail("expected a quoted value");
            char quote = s_[p_++];
            size_t end = s_.find(quote, p_);
            if (end == std::string::npos) fail("unterminated value");
            std::string raw = s_.substr(p_, end - p_);
            if (raw.find('<') != std::string::npos) fail("< inside an attribute value");
            if (e.attr(key) != nullptr) fail("attribute " + key + " given twice");
            e.attributes.emplace_back(key, decode(raw));
            p_ = end + 1;
        }
        for (;;) {
            if (p_ >= s_.size()) fail("element " + e.name + " is not closed");
            if (at("</")) {
                p_ += 2;
                if (name() != e.name) fail("end tag does not match " + e.name);
                spaces();
                if (!at(">")) fail("expected >");
                ++p_;
                return e;
            }
            if (at("<!--")) {
                skip_past("-->");
            } else if (at("<?")) {
                skip_past("?>");
            } else if (at("<")) {
                e.children.push_back(element());
            } else {
                size_t end = s_.find('<', p_);
                if (end == std::string::npos) end = s_.size();
                e.text += decode(s_.substr(p_, end - p_));
                p_ = end;
            }
        }
    }

    const std::string &s_;
    size_t p_ = 0;
};

}  // namespace

Element parse_xml(const std::string &text) { return XmlReader(text).document(); }

void collect(const Element &e, const std::function<bool(const Element &)> &want, std::vector<const Element *> &out) {
    if (want(e)) out.push_back(&e);
    for (const Element &c : e.children) collect(c, want, out);
}

std::vector<const Element *> with_class(const Element &root, const std::string &name, const std::string &cls) {
    std::vector<const Element *> out;
    collect(
        root, [&](const Element &e) { return e.name == name && e.has_class(cls); }, out);
    return out;
}

const Element *with_id(const Element &root, const std::string &id) {
    std::vector<const Element *> out;
    collect(
        root, [&](const Element &e) { return e.get("id") == id; }, out);
    return out.size() == 1 ? out[0] : nullptr;
}

}  // namespace scenario
