// Everything a session file carries into the model, as text: two sessions with the
// same text are the same model to the last bit (numbers as hexadecimal floats, so
// 0.1 + 0.2 is not 0.3 and -0 is not 0). Written apart from the session writer on
// purpose: what that leaves out must still show here.
#pragma once

#include <cstdio>
#include <string>

#include "model.h"

namespace model_text {

inline std::string bits(double v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%a", v);
    return buf;
}

inline std::string vec(const nxsim::Vec3 &v) { return bits(v[0]) + " " + bits(v[1]) + " " + bits(v[2]); }

inline std::string frame(const nxsim::Frame &f) {
    return "o " + vec(f.origin) + " x " + vec(f.x) + " y " + vec(f.y) + " z " + vec(f.z);
}

inline void attributes(std::string &out, const nxsim::Attributes &attrs, const char *indent) {
    for (const auto &a : attrs.all()) {
        out += indent;
        out += "attr [" + a.title + "] ";
        switch (a.type) {
        case nxsim::AttrType::String: out += "text [" + a.text + "]"; break;
        case nxsim::AttrType::Integer: out += "integer " + std::to_string(a.integer); break;
        case nxsim::AttrType::Real: out += "real " + bits(a.real); break;
        }
        out += "\n";
    }
}

inline std::string of(const nxsim::Session &s) {
    std::string out = "managed " + std::to_string(s.managed) + "\n";
    out += "display [" + (s.display != nullptr ? s.display->name : std::string("-")) + "]\n";
    out += "work [" + (s.work != nullptr ? s.work->name : std::string("-")) + "]\n";
    for (const auto &p : s.parts()) {
        out += "part " + std::to_string(p->tag) + " [" + p->name + "] units " + std::to_string(p->units) + " loaded " +
               std::to_string(p->loaded) + " saved " + std::to_string(p->saved) + " discarded " +
               std::to_string(p->discarded) + " bodies " + std::to_string(p->bodies) + "\n";
        attributes(out, p->attributes, " ");
        out += " wcs " + frame(p->wcs) + "\n";
        out += " colors " + std::string(p->default_colors ? "default" : "own") + " " + std::to_string(p->colors.size());
        for (const auto &c : p->colors) out += " " + vec(c);
        out += "\n";
        for (const nxsim::Instance *i : p->components) {
            out += " component " + std::to_string(i->tag) + " [" + i->name + "] part [" + i->part_name + "] refset [" +
                   i->refset + "] object_name [" + i->object_name + "] layer " + std::to_string(i->layer) + " color " +
                   std::to_string(i->color) + " removed " + std::to_string(i->removed) + "\n";
            out += "  place " + frame(i->place) + "\n";
            out += "  name_origin " + vec(i->name_origin) + "\n";
            attributes(out, i->attributes, "  ");
        }
    }
    return out;
}

}  // namespace model_text
