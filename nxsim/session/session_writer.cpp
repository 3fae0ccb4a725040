// The session file's writer: the text of a session, and its save.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>

#include "cp1251.h"
#include "files.h"
#include "session_file.h"
#include "session_format.h"

namespace nxsim {
using namespace session_file;
namespace {

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
