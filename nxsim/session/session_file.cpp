#include "session_file.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#ifdef NXSIM_QUICK_LOADER
#include <simdjson.h>
#endif

#include "cp1251.h"
#include "files.h"

namespace nxsim {
namespace {

// The readers below are written once, for two kinds of place: Place over a
// nlohmann-json document (every file, and every message about a bad one) and
// QuickPlace over simdjson's (the quick way in for a good file).

size_t length(const Place &p) { return p.array().size(); }
bool is_string(const Place &p) { return p.value().is_string(); }
bool is_integer(const Place &p) { return p.value().is_number_integer(); }
bool is_number(const Place &p) { return p.value().is_number(); }
template <class F>
void for_each_field(const Place &p, F f) {
    const Json &o = p.object();
    for (auto it = o.begin(); it != o.end(); ++it) f(it.key(), p[it.key().c_str()]);
}

#ifdef NXSIM_QUICK_LOADER
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

size_t length(const QuickPlace &p) { return p.length(); }
bool is_string(const QuickPlace &p) { return p.is_string(); }
bool is_integer(const QuickPlace &p) { return p.is_integer(); }
bool is_number(const QuickPlace &p) { return p.is_number(); }
template <class F>
void for_each_field(const QuickPlace &p, F f) {
    p.for_each_field(f);
}
#endif

template <class P>
Vec3 read_vec(const P &p) {
    if (length(p) != 3) p.fail("expected three numbers");
    return {p[size_t{0}].number(), p[size_t{1}].number(), p[size_t{2}].number()};
}

template <class P>
std::string read_name(const P &p, size_t limit, bool allow_empty) {
    std::string s = p.cp1251();
    if (s.size() > limit) p.fail("longer than " + std::to_string(limit) + " characters");
    if (!allow_empty && s.empty()) p.fail("must not be empty");
    return s;
}

// Quarter turns about the parent's Z axis: how the parts of a panel mostly lie (a rib
// across the stringers), in one word instead of two axes.
struct Turn {
    int degrees;
    Vec3 x, y;
};
constexpr Turn kTurns[] = {{90, {0, 1, 0}, {-1, 0, 0}}, {180, {-1, 0, 0}, {0, -1, 0}}, {270, {0, -1, 0}, {1, 0, 0}}};

template <class P>
Frame read_frame(const P &p, const char *origin_key) {
    Vec3 origin{0, 0, 0}, x{1, 0, 0}, y{0, 1, 0};
    if (p.has(origin_key)) origin = read_vec(p[origin_key]);
    if (p.has("turn")) {
        if (p.has("x") || p.has("y")) p["turn"].fail("give the turn or the axes x and y, not both");
        long long degrees = p["turn"].integer();
        auto t =
            std::find_if(std::begin(kTurns), std::end(kTurns), [&](const Turn &k) { return k.degrees == degrees; });
        if (t == std::end(kTurns)) p["turn"].fail("expected 90, 180 or 270");
        x = t->x;
        y = t->y;
    }
    if (p.has("x")) x = read_vec(p["x"]);
    if (p.has("y")) y = read_vec(p["y"]);
    if (std::fabs(norm(x) - 1) > 1e-6 || std::fabs(norm(y) - 1) > 1e-6 || std::fabs(dot(x, y)) > 1e-6)
        p.fail("axes x and y must be unit vectors at right angles");
    return Frame::from_axes(origin, x, y);
}

template <class P>
void read_attributes(const P &p, Attributes &into) {
    for_each_field(p, [&](const std::string &key, const P &v) {
        Attribute a;
        auto title = utf8_to_cp1251(key);
        if (!title) v.fail("title has a character that Windows-1251 cannot hold");
        if (title->empty() || title->size() > static_cast<size_t>(kMaxTitleLength))
            v.fail("title must have 1 to " + std::to_string(kMaxTitleLength) + " characters");
        a.title = *title;
        if (is_string(v)) {
            a.type = AttrType::String;
            a.text = v.cp1251();
            if (a.text.size() > static_cast<size_t>(kMaxStringValueLength))
                v.fail("value longer than " + std::to_string(kMaxStringValueLength) + " characters");
        } else if (is_integer(v)) {
            a.type = AttrType::Integer;
            a.integer = v.integer();
        } else if (is_number(v)) {
            a.type = AttrType::Real;
            a.real = v.number();
        } else {
            v.fail("expected a text or a number");
        }
        into.set(std::move(a));
    });
}

// The session file is written as text directly, without a JSON document in between:
// one line per component, so that a person can read it and a diff shows what changed.
class Writer {
public:
    explicit Writer(std::string &out) : out_(out) {}

    void text(const std::string &cp1251) {
        out_ += '"';
        bool ascii =
            std::all_of(cp1251.begin(), cp1251.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        for (char c : ascii ? cp1251 : cp1251_to_utf8(cp1251)) {
            switch (c) {
            case '"': out_ += "\\\""; break;
            case '\\': out_ += "\\\\"; break;
            case '\n': out_ += "\\n"; break;
            case '\t': out_ += "\\t"; break;
            case '\r': out_ += "\\r"; break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char esc[8];
                    std::snprintf(esc, sizeof esc, "\\u%04x", c);
                    out_ += esc;
                } else {
                    out_ += c;
                }
            }
        }
        out_ += '"';
    }
    // Shortest text that reads back to the same double. A real attribute keeps the
    // ".0" of a whole number, so that it is read back as real.
    void number(double v, bool real = true) {
        if (!std::isfinite(v)) {
            out_ += "null";
            return;
        }
        char buf[32];
        auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
        std::string_view t(buf, static_cast<size_t>(end - buf));
        out_ += t;
        // "-0" reads back as the whole number 0: the sign of a zero needs the ".0".
        if ((real || (v == 0 && std::signbit(v))) && t.find_first_of(".e") == std::string_view::npos) out_ += ".0";
    }
    void integer(long long v) { out_ += std::to_string(v); }
    void vec(const Vec3 &v) {
        out_ += '[';
        for (int i = 0; i < 3; ++i) {
            if (i > 0) out_ += ',';
            number(v[i], false);
        }
        out_ += ']';
    }
    // Starts "key": after the separator the object needs.
    void key(const char *k) {
        out_ += first_ ? "" : ",";
        first_ = false;
        out_ += '"';
        out_ += k;
        out_ += "\":";
    }
    void open() {
        out_ += '{';
        first_ = true;
    }
    void close() {
        out_ += '}';
        first_ = false;
    }
    std::string &raw() { return out_; }

private:
    std::string &out_;
    bool first_ = true;
};

// Equal, a zero's sign too: what is left out must read back to the same bits.
bool same(const Vec3 &a, const Vec3 &b) {
    for (int i = 0; i < 3; ++i)
        if (a[i] != b[i] || std::signbit(a[i]) != std::signbit(b[i])) return false;
    return true;
}

void put_attributes(Writer &w, const Attributes &attrs) {
    w.open();
    for (const auto &a : attrs.all()) {
        w.raw() += w.raw().back() == '{' ? "" : ",";
        w.text(a.title);
        w.raw() += ':';
        switch (a.type) {
        case AttrType::String: w.text(a.text); break;
        case AttrType::Integer: w.integer(a.integer); break;
        case AttrType::Real: w.number(a.real); break;
        }
    }
    w.close();
}

void put_frame(Writer &w, const Frame &f, const char *origin_key) {
    if (!same(f.origin, {0, 0, 0})) {
        w.key(origin_key);
        w.vec(f.origin);
    }
    if (same(f.x, {1, 0, 0}) && same(f.y, {0, 1, 0})) return;
    for (const Turn &t : kTurns) {
        if (same(f.x, t.x) && same(f.y, t.y)) {
            w.key("turn");
            w.integer(t.degrees);
            return;
        }
    }
    w.key("x");
    w.vec(f.x);
    w.key("y");
    w.vec(f.y);
}

// The name origin as an offset from the origin when that gives back the same bits and
// is no longer: "[0,0,4]" says where the name sits at a glance and stays as it is when
// the component moves.
void put_name_origin(Writer &w, const Vec3 &name_origin, const Vec3 &origin) {
    if (same(name_origin, origin)) return;
    std::string absolute, offset;
    Writer(absolute).vec(name_origin);
    Vec3 d = name_origin - origin;
    if (same(origin + d, name_origin)) Writer(offset).vec(d);
    bool relative = !offset.empty() && offset.size() <= absolute.size();
    w.key(relative ? "name_offset" : "name_origin");
    w.raw() += relative ? offset : absolute;
}

}  // namespace

namespace {

// First pass over a part: everything but its components, so that components may
// name parts listed after theirs.
template <class P>
void read_part(const P &p, Session &session) {
    p.only({"name", "units", "loaded", "attributes", "wcs", "colors", "bodies", "components"});
    std::string name = read_name(p["name"], kMaxPartNameLength, false);
    if (session.find_part(name) != nullptr) p["name"].fail("a part of this name is listed already");
    Part *part = session.add_part(name);
    if (p.has("units")) part->units = static_cast<int>(p["units"].integer());
    if (p.has("loaded")) part->loaded = p["loaded"].boolean();
    if (p.has("attributes")) read_attributes(p["attributes"], part->attributes);
    if (p.has("wcs")) {
        P w = p["wcs"];
        w.only({"origin", "x", "y", "turn"});
        part->wcs = read_frame(w, "origin");
    }
    if (p.has("colors")) {
        P c = p["colors"];
        size_t count = length(c);
        if (count == 0) c.fail("a colour table needs at least one colour");
        part->colors.clear();
        part->default_colors = false;
        for (size_t k = 0; k < count; ++k) {
            Vec3 rgb = read_vec(c[k]);
            for (double v : rgb)
                if (v < 0 || v > 1) c[k].fail("colour values lie between 0 and 1");
            part->colors.push_back(rgb);
        }
    }
    if (p.has("bodies")) {
        long long n = p["bodies"].integer();
        if (n < 0 || n > 100000) p["bodies"].fail("expected 0 to 100000");
        part->bodies = static_cast<int>(n);
    }
}

template <class P>
void read_component(const P &c, Part *part, Session &session, int format) {
    c.only({"name", "part", "refset", "origin", "x", "y", "turn", "layer", "color", "object_name", "name_origin",
            "name_offset", "attributes"});
    std::string iname = read_name(c["name"], kMaxNameLength, true);
    std::string pname = read_name(c["part"], kMaxPartNameLength, false);
    if (session.find_part(pname) == nullptr) c["part"].fail("names no part of the session");
    Instance *inst = session.add_instance(part, iname, pname);
    if (c.has("refset")) inst->refset = read_name(c["refset"], kMaxNameLength, true);
    inst->place = read_frame(c, "origin");
    if (c.has("layer")) {
        long long layer = c["layer"].integer();
        if (layer < 1 || layer > 256) c["layer"].fail("layers are 1 to 256");
        inst->layer = static_cast<int>(layer);
    }
    if (c.has("color")) {
        long long color = c["color"].integer();
        if (color < 0 || color > 100000) c["color"].fail("expected a colour number");
        inst->color = static_cast<int>(color);
    }
    if (c.has("object_name"))
        inst->object_name = read_name(c["object_name"], kMaxNameLength, true);
    else if (format >= 2)
        inst->object_name = iname;
    if (c.has("name_offset")) {
        if (c.has("name_origin")) c["name_offset"].fail("give the name origin or its offset, not both");
        inst->name_origin = inst->place.origin + read_vec(c["name_offset"]);
    } else {
        inst->name_origin = c.has("name_origin") ? read_vec(c["name_origin"]) : inst->place.origin;
    }
    if (c.has("attributes")) read_attributes(c["attributes"], inst->attributes);
}

// A part must not contain itself, however deep, and no assembly may be deeper than
// the limit. Depth first without recursion: a deep assembly must not exhaust the stack.
template <class P>
void check_structure(const Session &session, const P &where) {
    std::unordered_map<const Part *, int> height;  // levels below a part whose walk is done
    std::unordered_set<const Part *> on_path;
    struct Visit {
        const Part *part;
        ComponentList::iterator next;
    };
    std::vector<Visit> stack;
    auto enter = [&](const Part *p) {
        on_path.insert(p);
        stack.push_back({p, p->components.begin()});
    };
    for (const auto &root : session.parts()) {
        if (height.contains(root.get())) continue;
        enter(root.get());
        while (!stack.empty()) {
            Visit &v = stack.back();
            if (v.next != v.part->components.end()) {
                const Part *child = session.find_part((*v.next)->part_name);
                ++v.next;
                if (height.contains(child)) continue;
                if (on_path.contains(child))
                    where.fail("part " + shorten(cp1251_to_utf8(child->name)) + " contains itself");
                enter(child);
                continue;
            }
            int levels = 0;
            for (const Instance *i : v.part->components)
                levels = std::max(levels, 1 + height[session.find_part(i->part_name)]);
            if (levels > kMaxAssemblyDepth)
                where.fail("part " + shorten(cp1251_to_utf8(v.part->name)) + " holds an assembly more than " +
                           std::to_string(kMaxAssemblyDepth) + " levels deep, more than nxsim takes");
            height[v.part] = levels;
            on_path.erase(v.part);
            stack.pop_back();
        }
    }
}

// After the parts: their structure, and the displayed and work parts.
template <class P>
void finish(const P &top, Session &session) {
    check_structure(session, top["parts"]);

    auto loaded_part = [&](const char *key) -> Part * {
        P p = top[key];
        Part *part = session.find_part(read_name(p, kMaxPartNameLength, false));
        if (part == nullptr) p.fail("names no part of the session");
        if (!part->loaded) p.fail("names a part that is not loaded");
        return part;
    };
    if (top.has("display")) session.display = loaded_part("display");
    session.work = top.has("work") ? loaded_part("work") : session.display;
}

// Format 1 (no "format" key) is every file written before format 2; format 2 leaves
// out an object name equal to the instance name, so there an absent one is not empty.
constexpr int kFormat = 2;

template <class P>
int read_top(const P &top, Session &session) {
    top.only({"format", "managed", "display", "work", "parts"});
    int format = 1;
    if (top.has("format")) {
        long long f = top["format"].integer();
        if (f < 1 || f > kFormat)
            top["format"].fail("expected 1 to " + std::to_string(kFormat) + " (a newer nxsim wrote this file?)");
        format = static_cast<int>(f);
    }
    if (top.has("managed")) session.managed = top["managed"].boolean();
    return format;
}

// The quick way in: simdjson reads the file and the readers above check it in place.
// Answers nullptr when the file is not plain enough for it (a syntax error, say): the
// careful path reads it again and reports as it always has.
#ifdef NXSIM_QUICK_LOADER
std::unique_ptr<Session> quick_load(const std::string &text, const std::string &source) {
    simdjson::padded_string bytes(text);
    simdjson::dom::parser parser;
    simdjson::dom::element doc;
    if (parser.parse(bytes).get(doc) != simdjson::SUCCESS || !doc.is_object()) return nullptr;
    simdjson::dom::array parts;
    if (simdjson::dom::object(doc)["parts"].get(parts) != simdjson::SUCCESS) return nullptr;
    try {
        auto session = std::make_unique<Session>();
        QuickPlace top(source, doc);
        int format = read_top(top, *session);
        size_t i = 0;
        for (auto part : parts) read_part(top.below("parts[" + std::to_string(i++) + "]", part), *session);
        i = 0;
        for (auto part : parts) {
            QuickPlace p = top.below("parts[" + std::to_string(i) + "]", part);
            Part *owner = session->parts()[i++].get();
            if (!p.has("components")) continue;
            p["components"].for_each_item([&](const QuickPlace &c) { read_component(c, owner, *session, format); });
        }
        finish(top, *session);
        return session;
    } catch (const GiveUp &) {
        return nullptr;
    }
}
#else
std::unique_ptr<Session> quick_load(const std::string &, const std::string &) { return nullptr; }
#endif

}  // namespace

std::unique_ptr<Session> session_from_json(const Json &json, const std::string &source) {
    auto session = std::make_unique<Session>();
    Place top(source, json);
    int format = read_top(top, *session);
    Place parts = top["parts"];
    parts.array();
    for (size_t i = 0; i < parts.value().size(); ++i) read_part(parts[i], *session);
    for (size_t i = 0; i < parts.value().size(); ++i) {
        Place p = parts[i];
        if (!p.has("components")) continue;
        Place comps = p["components"];
        comps.array();
        for (size_t k = 0; k < comps.value().size(); ++k)
            read_component(comps[k], session->parts()[i].get(), *session, format);
    }
    finish(top, *session);
    return session;
}

std::unique_ptr<Session> session_from_text(const std::string &text, const std::string &source) {
    if (auto session = quick_load(text, source)) return session;
    return session_from_json(parse_json_text(text, source), source);
}

std::unique_ptr<Session> load_session(const std::filesystem::path &path) {
    // Read once, as a regular file only (a FIFO would block for ever).
    return session_from_text(read_regular_file(path, "session"), path.string());
}

std::string session_text(const Session &session) {
    std::string out;
    Writer w(out);
    out += "{\"format\":" + std::to_string(kFormat) + ",\"managed\":";
    out += session.managed ? "true" : "false";
    if (session.display != nullptr) {
        out += ",\"display\":";
        w.text(session.display->name);
    }
    if (session.work != nullptr && session.work != session.display) {
        out += ",\"work\":";
        w.text(session.work->name);
    }
    out += ",\"parts\":[";
    bool first_part = true;
    for (const auto &part : session.parts()) {
        if (part->discarded) continue;
        out += first_part ? "\n" : ",\n";
        first_part = false;
        w.open();
        w.key("name");
        w.text(part->name);
        if (part->units != 1) {
            w.key("units");
            w.integer(part->units);
        }
        if (!part->loaded) {
            w.key("loaded");
            out += "false";
        }
        if (!part->attributes.empty()) {
            w.key("attributes");
            put_attributes(w, part->attributes);
        }
        if (!same(part->wcs.origin, {0, 0, 0}) || !same(part->wcs.x, {1, 0, 0}) || !same(part->wcs.y, {0, 1, 0})) {
            w.key("wcs");
            w.open();
            put_frame(w, part->wcs, "origin");
            w.close();
        }
        if (!part->default_colors) {
            w.key("colors");
            out += '[';
            for (size_t i = 0; i < part->colors.size(); ++i) {
                if (i > 0) out += ',';
                w.vec(part->colors[i]);
            }
            out += ']';
        }
        if (part->bodies != 0) {
            w.key("bodies");
            w.integer(part->bodies);
        }
        if (!part->components.empty()) {
            w.key("components");
            out += '[';
            bool first = true;
            for (const Instance *inst : part->components) {
                out += first ? "\n " : ",\n ";
                first = false;
                w.open();
                w.key("name");
                w.text(inst->name);
                w.key("part");
                w.text(inst->part_name);
                if (!inst->refset.empty()) {
                    w.key("refset");
                    w.text(inst->refset);
                }
                put_frame(w, inst->place, "origin");
                if (inst->layer != 1) {
                    w.key("layer");
                    w.integer(inst->layer);
                }
                if (inst->color != 1) {
                    w.key("color");
                    w.integer(inst->color);
                }
                if (inst->object_name != inst->name) {
                    w.key("object_name");
                    w.text(inst->object_name);
                }
                put_name_origin(w, inst->name_origin, inst->place.origin);
                if (!inst->attributes.empty()) {
                    w.key("attributes");
                    put_attributes(w, inst->attributes);
                }
                w.close();
            }
            out += "\n]";
        }
        w.close();
    }
    out += "\n]}\n";
    return out;
}

Json session_to_json(const Session &session) { return parse_json_text(session_text(session), "session"); }

void save_session(const Session &session, const std::filesystem::path &path) {
    write_file_atomically(path, session_text(session));
}

}  // namespace nxsim
