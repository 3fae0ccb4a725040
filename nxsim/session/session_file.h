// The session file: JSON, UTF-8, saved atomically.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "export.h"
#include "json_error.h"
#include "model.h"

namespace nxsim {

NXSIM_EXPORT std::unique_ptr<Session> load_session(const std::filesystem::path &path);
// A session file's text, read the quick way (simdjson) and, when that gives up, the
// careful way, which words the message about a bad file.
NXSIM_EXPORT std::unique_ptr<Session> session_from_text(const std::string &text, const std::string &source);
// The careful way alone.
NXSIM_EXPORT std::unique_ptr<Session> session_from_json(const Json &json, const std::string &source);
NXSIM_EXPORT Json session_to_json(const Session &session);
// The session file's text: JSON, one line per component, defaults left out.
NXSIM_EXPORT std::string session_text(const Session &session);
// Temporary file beside the target, then rename: a crash never leaves half a session.
NXSIM_EXPORT void save_session(const Session &session, const std::filesystem::path &path);

}  // namespace nxsim
