#include "session_file.h"

#include <cmath>
#include <fstream>
#include <functional>
#include <set>
#include <unistd.h>

#include "cp1251.h"

namespace nxsim {
namespace {

Vec3 read_vec(const Place &p) {
    const Json &a = p.array();
    if (a.size() != 3) p.fail("expected three numbers");
    return {p[size_t{0}].number(), p[size_t{1}].number(), p[size_t{2}].number()};
}

std::string read_name(const Place &p, size_t limit, bool allow_empty) {
    std::string s = p.cp1251();
    if (s.size() > limit) p.fail("longer than " + std::to_string(limit) + " characters");
    if (!allow_empty && s.empty()) p.fail("must not be empty");
    return s;
}

Frame read_frame(const Place &p, const char *origin_key) {
    Vec3 origin{0, 0, 0}, x{1, 0, 0}, y{0, 1, 0};
    if (p.has(origin_key)) origin = read_vec(p[origin_key]);
    if (p.has("x")) x = read_vec(p["x"]);
    if (p.has("y")) y = read_vec(p["y"]);
    if (std::fabs(norm(x) - 1) > 1e-6 || std::fabs(norm(y) - 1) > 1e-6 || std::fabs(dot(x, y)) > 1e-6)
        p.fail("axes x and y must be unit vectors at right angles");
    return Frame::from_axes(origin, x, y);
}

void read_attributes(const Place &p, Attributes &into) {
    const Json &o = p.object();
    for (auto it = o.begin(); it != o.end(); ++it) {
        Place v = p[it.key().c_str()];
        Attribute a;
        auto title = utf8_to_cp1251(it.key());
        if (!title) v.fail("title has a character that Windows-1251 cannot hold");
        if (title->empty() || title->size() > static_cast<size_t>(kMaxTitleLength))
            v.fail("title must have 1 to " + std::to_string(kMaxTitleLength) + " characters");
        a.title = *title;
        if (v.value().is_string()) {
            a.type = AttrType::String;
            a.text = v.cp1251();
            if (a.text.size() > static_cast<size_t>(kMaxStringValueLength))
                v.fail("value longer than " + std::to_string(kMaxStringValueLength) + " characters");
        } else if (v.value().is_number_integer()) {
            a.type = AttrType::Integer;
            a.integer = v.integer();
        } else if (v.value().is_number()) {
            a.type = AttrType::Real;
            a.real = v.number();
        } else {
            v.fail("expected a text or a number");
        }
        into.set(std::move(a));
    }
}

Json vec_json(const Vec3 &v) { return Json::array({v[0], v[1], v[2]}); }

bool same(const Vec3 &a, const Vec3 &b) { return a[0] == b[0] && a[1] == b[1] && a[2] == b[2]; }

Json attributes_json(const Attributes &attrs) {
    Json o = Json::object();
    for (const auto &a : attrs.all()) {
        std::string title = cp1251_to_utf8(a.title);
        switch (a.type) {
        case AttrType::String:
            o[title] = cp1251_to_utf8(a.text);
            break;
        case AttrType::Integer:
            o[title] = a.integer;
            break;
        case AttrType::Real:
            o[title] = a.real;
            break;
        }
    }
    return o;
}

void put_frame(Json &o, const Frame &f, const char *origin_key) {
    if (!same(f.origin, {0, 0, 0})) o[origin_key] = vec_json(f.origin);
    if (!same(f.x, {1, 0, 0}) || !same(f.y, {0, 1, 0})) {
        o["x"] = vec_json(f.x);
        o["y"] = vec_json(f.y);
    }
}

}  // namespace

std::unique_ptr<Session> session_from_json(const Json &json, const std::string &source) {
    auto session = std::make_unique<Session>();
    Place top(source, json);
    top.only({"managed", "display", "work", "parts"});
    if (top.has("managed")) session->managed = top["managed"].boolean();
    Place parts = top["parts"];
    parts.array();

    // First the parts, so components may name parts listed after them.
    for (size_t i = 0; i < parts.value().size(); ++i) {
        Place p = parts[i];
        p.only({"name", "units", "loaded", "attributes", "wcs", "colors", "bodies", "components"});
        std::string name = read_name(p["name"], kMaxPartNameLength, false);
        if (session->find_part(name) != nullptr) p["name"].fail("a part of this name is listed already");
        Part *part = session->add_part(name);
        if (p.has("units")) part->units = static_cast<int>(p["units"].integer());
        if (p.has("loaded")) part->loaded = p["loaded"].boolean();
        if (p.has("attributes")) read_attributes(p["attributes"], part->attributes);
        if (p.has("wcs")) {
            Place w = p["wcs"];
            w.only({"origin", "x", "y"});
            part->wcs = read_frame(w, "origin");
        }
        if (p.has("colors")) {
            Place c = p["colors"];
            if (c.array().empty()) c.fail("a colour table needs at least one colour");
            part->colors.clear();
            part->default_colors = false;
            for (size_t k = 0; k < c.value().size(); ++k) {
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
    for (size_t i = 0; i < parts.value().size(); ++i) {
        Place p = parts[i];
        Part *part = session->parts()[i].get();
        if (!p.has("components")) continue;
        Place comps = p["components"];
        comps.array();
        for (size_t k = 0; k < comps.value().size(); ++k) {
            Place c = comps[k];
            c.only({"name", "part", "refset", "origin", "x", "y", "layer", "color", "object_name", "name_origin",
                    "attributes"});
            std::string iname = read_name(c["name"], kMaxNameLength, true);
            std::string pname = read_name(c["part"], kMaxPartNameLength, false);
            if (session->find_part(pname) == nullptr) c["part"].fail("names no part of the session");
            Instance *inst = session->add_instance(part, iname, pname);
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
            if (c.has("object_name")) inst->object_name = read_name(c["object_name"], kMaxNameLength, true);
            inst->name_origin = c.has("name_origin") ? read_vec(c["name_origin"]) : inst->place.origin;
            if (c.has("attributes")) read_attributes(c["attributes"], inst->attributes);
        }
    }

    // A part must not contain itself, however deep.
    std::set<const Part *> done, on_path;
    std::function<void(const Part *)> visit = [&](const Part *part) {
        if (done.contains(part)) return;
        if (on_path.contains(part)) top["parts"].fail("part " + cp1251_to_utf8(part->name) + " contains itself");
        on_path.insert(part);
        for (const Instance *inst : part->components) visit(session->find_part(inst->part_name));
        on_path.erase(part);
        done.insert(part);
    };
    for (const auto &part : session->parts()) visit(part.get());

    auto loaded_part = [&](const char *key) -> Part * {
        Place p = top[key];
        Part *part = session->find_part(read_name(p, kMaxPartNameLength, false));
        if (part == nullptr) p.fail("names no part of the session");
        if (!part->loaded) p.fail("names a part that is not loaded");
        return part;
    };
    if (top.has("display")) session->display = loaded_part("display");
    session->work = top.has("work") ? loaded_part("work") : session->display;
    return session;
}

std::unique_ptr<Session> load_session(const std::filesystem::path &path) {
    Json json = read_json_file(path);
    return session_from_json(json, path.string());
}

Json session_to_json(const Session &session) {
    Json top = Json::object();
    top["managed"] = session.managed;
    if (session.display != nullptr) top["display"] = cp1251_to_utf8(session.display->name);
    if (session.work != nullptr && session.work != session.display) top["work"] = cp1251_to_utf8(session.work->name);
    Json parts = Json::array();
    for (const auto &part : session.parts()) {
        if (part->discarded) continue;
        Json p = Json::object();
        p["name"] = cp1251_to_utf8(part->name);
        if (part->units != 1) p["units"] = part->units;
        if (!part->loaded) p["loaded"] = false;
        if (!part->attributes.empty()) p["attributes"] = attributes_json(part->attributes);
        Json wcs = Json::object();
        put_frame(wcs, part->wcs, "origin");
        if (!wcs.empty()) p["wcs"] = wcs;
        if (!part->default_colors) {
            Json colors = Json::array();
            for (const Vec3 &c : part->colors) colors.push_back(vec_json(c));
            p["colors"] = colors;
        }
        if (part->bodies != 0) p["bodies"] = part->bodies;
        if (!part->components.empty()) {
            Json comps = Json::array();
            for (const Instance *inst : part->components) {
                Json c = Json::object();
                c["name"] = cp1251_to_utf8(inst->name);
                c["part"] = cp1251_to_utf8(inst->part_name);
                if (!inst->refset.empty()) c["refset"] = cp1251_to_utf8(inst->refset);
                put_frame(c, inst->place, "origin");
                if (inst->layer != 1) c["layer"] = inst->layer;
                if (inst->color != 1) c["color"] = inst->color;
                if (!inst->object_name.empty()) c["object_name"] = cp1251_to_utf8(inst->object_name);
                if (!same(inst->name_origin, inst->place.origin)) c["name_origin"] = vec_json(inst->name_origin);
                if (!inst->attributes.empty()) c["attributes"] = attributes_json(inst->attributes);
                comps.push_back(c);
            }
            p["components"] = comps;
        }
        parts.push_back(p);
    }
    top["parts"] = parts;
    return top;
}

void write_file_atomically(const std::filesystem::path &path, const std::string &bytes) {
    std::filesystem::path tmp = path;
    tmp += ".tmp-" + std::to_string(::getpid());
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out) throw InputError(path.string() + ": cannot be written");
        out << bytes;
        out.flush();
        if (!out) {
            std::error_code ec;
            std::filesystem::remove(tmp, ec);
            throw InputError(path.string() + ": cannot be written");
        }
    }
    std::error_code ec;
    std::filesystem::rename(tmp, path, ec);
    if (ec) {
        std::filesystem::remove(tmp, ec);
        throw InputError(path.string() + ": cannot be replaced");
    }
}

void save_session(const Session &session, const std::filesystem::path &path) {
    write_file_atomically(path, session_to_json(session).dump(2) + "\n");
}

}  // namespace nxsim
