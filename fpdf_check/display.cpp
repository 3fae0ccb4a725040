#include "display.h"

#include <cstdio>

namespace {

// A longer value is shown cut, so that no finding grows past one screen line or two.
constexpr size_t QUOTED_MAX = 100;

// Code points of bytes 0x80..0xBF; 0 marks the one byte with no character.
const unsigned short upper_half[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0000, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

// 0 when the byte has no character.
unsigned code_point(unsigned char byte) {
    if (byte < 0x80) return byte;
    if (byte >= 0xC0) return 0x0410 + (byte - 0xC0);
    return upper_half[byte - 0x80];
}

void append_utf8(std::string &out, unsigned cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

void append_escape(std::string &out, unsigned char byte) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "\\x%02X", byte);
    out += buf;
}

std::string convert(const std::string &bytes, bool escape_controls) {
    std::string out;
    out.reserve(bytes.size() + 8);
    for (char ch : bytes) {
        auto byte = static_cast<unsigned char>(ch);
        unsigned cp = code_point(byte);
        if (escape_controls && byte == '\t') {
            out += "\\t";
        } else if (escape_controls && byte == '"') {
            out += "\\\"";
        } else if (escape_controls && byte == '\\') {
            out += "\\\\";
        } else if (cp == 0 || (escape_controls && (byte < 0x20 || byte == 0x7F))) {
            append_escape(out, byte);
        } else {
            append_utf8(out, cp);
        }
    }
    return out;
}

}  // namespace

std::string quoted(const std::string &bytes) {
    bool cut = bytes.size() > QUOTED_MAX;
    std::string out = "\"";
    out += convert(cut ? bytes.substr(0, QUOTED_MAX) : bytes, true);
    out += cut ? "\"..." : "\"";
    return out;
}

std::string to_utf8(const std::string &bytes) { return convert(bytes, false); }
