// The session file's readers, written once for two kinds of place: Place over a
// nlohmann-json document (every file, and every message about a bad one) and
// QuickPlace over simdjson's (quick_place.h: the quick way in for a good file).
#pragma once

#include <algorithm>
#include <cmath>
#include <iterator>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "cp1251.h"
#include "json_error.h"
#include "model.h"
#include "session_format.h"

namespace nxsim::session_file {

inline size_t length(const Place &p) { return p.array().size(); }
inline bool is_string(const Place &p) { return p.value().is_string(); }
inline bool is_integer(const Place &p) { return p.value().is_number_integer(); }
inline bool is_number(const Place &p) { return p.value().is_number(); }
template <class F>
void for_each_field(const Place &p, F f) {
    const Json &o = p.object();
    for (auto it = o.begin(); it != o.end(); ++it) f(it.key(), p[it.key().c_str()]);
}

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

}  // namespace nxsim::session_file
