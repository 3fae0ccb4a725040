// The session file's loaders: the quick way (simdjson) when it can, else the careful
// way (nlohmann-json), through the same readers.
#include "session_file.h"

#include <string>

#include "files.h"
#include "quick_place.h"
#include "session_readers.h"

namespace nxsim {
using namespace session_file;
namespace {

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

}  // namespace nxsim
