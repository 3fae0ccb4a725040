// Machine-file bytes (Windows-1251) shown to a person in UTF-8.
#pragma once

#include <string>

// The bytes in double quotes, converted to UTF-8; a tab shows as \t, any other
// control byte or a byte with no character as \xNN. A long value is cut and
// followed by "...".
std::string quoted(const std::string &bytes);

// The bytes converted to UTF-8 without quotes or escapes of tabs.
std::string to_utf8(const std::string &bytes);
