// The host's texts are Windows-1251 bytes; people read UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "export.h"

namespace nxsim {

NXSIM_EXPORT std::string cp1251_to_utf8(std::string_view bytes);
// nullopt when the text is not valid UTF-8 or holds a character Windows-1251 lacks.
NXSIM_EXPORT std::optional<std::string> utf8_to_cp1251(std::string_view text);

// Quoted for the transcript and the terminal: UTF-8, control characters escaped.
NXSIM_EXPORT std::string quote(const std::string &cp1251);

}  // namespace nxsim
