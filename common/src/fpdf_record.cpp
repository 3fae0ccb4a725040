#include "common/fpdf_record.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "common/steps.h"
#include "common/tool_run.h"
#include "uf_csys.h"

namespace {

// The longest "%.Pf" text of a double: sign, 309 digits, point, the decimals.
constexpr int PRECISION_MAX = 20;
constexpr size_t NUMBER_SIZE = 1 + 309 + 1 + PRECISION_MAX + 1;
// Below 2^64, with at most 9 decimals (10^9 < 2^30), the digits come from integer
// arithmetic in two 64-bit words; everything else from printf itself.
constexpr int QUICK_PRECISION_MAX = 9;
constexpr int WHOLE_SHIFT_MAX = 11;  // a 53-bit mantissa shifted further passes 2^64

bool append_padded(record_text &record, const char *value, size_t length, int width) {
    size_t pad = width > 0 && static_cast<size_t>(width) > length ? static_cast<size_t>(width) - length : 0;
    if (pad + length >= record.size - record.length) return false;
    char *at = record.text + record.length;
    memset(at, ' ', pad);
    memcpy(at + pad, value, length);
    record.length += pad + length;
    record.text[record.length] = '\0';
    return true;
}

enum class remainder { below_half, half, above_half };

// rest * scale / 2^shift, cut to a whole number, and where the remainder lies
// (rest < 2^53, scale < 2^30, shift > 0).
uint64_t scaled_part(uint64_t rest, uint64_t scale, int shift, remainder &left) {
    // The product in two words: below 2^83.
    uint64_t high_product = (rest >> 32) * scale;
    uint64_t low_product = (rest & 0xffffffffu) * scale;
    uint64_t lo = low_product + (high_product << 32);
    uint64_t hi = (high_product >> 32) + (lo < low_product ? 1 : 0);
    if (shift > 84) {  // the product is below half of 2^shift
        left = remainder::below_half;
        return 0;
    }
    uint64_t whole = shift < 64 ? (lo >> shift) | (hi << (64 - shift)) : hi >> (shift - 64);
    int k = shift - 1;  // the bit worth one half
    bool half_bit = k < 64 ? ((lo >> k) & 1) != 0 : ((hi >> (k - 64)) & 1) != 0;
    bool below = k < 64 ? (lo & ((uint64_t{1} << k) - 1)) != 0 : lo != 0 || (hi & ((uint64_t{1} << (k - 64)) - 1)) != 0;
    left = !half_bit ? remainder::below_half : below ? remainder::above_half : remainder::half;
    return whole;
}

// A number as "%.<precision>f" writes it: sign, whole part, decimals.
struct fixed_parts {
    bool negative;
    uint64_t whole;
    uint64_t decimals;
    int precision;
    size_t length;  // of the text
};

// The parts of a finite value below 2^64 in magnitude with at most 9 decimals,
// rounded as printf rounds: to the nearest, a half to the even last digit. False for
// any other value.
bool quick_parts(double value, int precision, fixed_parts &parts) {
    if (precision < 0 || precision > QUICK_PRECISION_MAX) return false;  // GCOVR_EXCL_BR_LINE: never below 0 here
    uint64_t bits;
    memcpy(&bits, &value, sizeof bits);
    int biased = static_cast<int>((bits >> 52) & 0x7ff);
    uint64_t mantissa = bits & ((uint64_t{1} << 52) - 1);
    if (biased == 0x7ff) return false;  // infinity, NaN
    int exponent = -1074;               // value = mantissa * 2^exponent
    if (biased != 0) {
        mantissa |= uint64_t{1} << 52;
        exponent = biased - 1075;
    }
    uint64_t scale = 1;
    for (int i = 0; i < precision; ++i) scale *= 10;

    uint64_t whole = 0;
    uint64_t decimals = 0;
    if (exponent >= 0) {
        if (exponent > WHOLE_SHIFT_MAX) return false;
        whole = mantissa << exponent;
    } else {
        int shift = -exponent;
        uint64_t rest = mantissa;
        if (shift < 64) {
            whole = mantissa >> shift;
            rest = mantissa & ((uint64_t{1} << shift) - 1);
        }
        remainder left;
        decimals = scaled_part(rest, scale, shift, left);
        bool odd = precision > 0 ? (decimals & 1) != 0 : (whole & 1) != 0;
        if (left == remainder::above_half || (left == remainder::half && odd)) ++decimals;
        if (decimals == scale) {
            ++whole;  // below 2^53 + 1: no overflow
            decimals = 0;
        }
    }
    size_t whole_digits = 1;
    for (uint64_t rest = whole / 10; rest != 0; rest /= 10) ++whole_digits;
    parts = {(bits >> 63) != 0, whole, decimals, precision,
             (bits >> 63 != 0 ? 1 : 0) + whole_digits + (precision > 0 ? 1 + static_cast<size_t>(precision) : 0)};
    return true;
}

// The text of the parts, written backwards from its end.
void write_parts(fixed_parts parts, char *end) {
    char *at = end;
    for (int i = 0; i < parts.precision; ++i) {
        *--at = static_cast<char>('0' + parts.decimals % 10);
        parts.decimals /= 10;
    }
    if (parts.precision > 0) *--at = '.';
    do {
        *--at = static_cast<char>('0' + parts.whole % 10);
        parts.whole /= 10;
    } while (parts.whole != 0);
    if (parts.negative) *--at = '-';
}

}  // namespace

bool append_plain(record_text &record, const char *value) { return append_padded(record, value, strlen(value), 0); }

bool append_cut(record_text &record, const char *value, int width) {
    return append_padded(record, value, strnlen(value, width > 0 ? static_cast<size_t>(width) : 0), width);
}

bool append_fixed(record_text &record, double value, int width, int precision) {
    if (precision < 0 || precision > PRECISION_MAX) return false;
    fixed_parts parts;
    if (quick_parts(value, precision, parts)) {
        // Written in place: a copy of so short a text costs as much as its digits.
        size_t pad =
            width > 0 && static_cast<size_t>(width) > parts.length ? static_cast<size_t>(width) - parts.length : 0;
        if (pad + parts.length >= record.size - record.length) return false;
        char *at = record.text + record.length;
        for (size_t i = 0; i < pad; ++i) at[i] = ' ';
        write_parts(parts, at + pad + parts.length);
        record.length += pad + parts.length;
        record.text[record.length] = '\0';
        return true;
    }
    char number[NUMBER_SIZE];
    int length = snprintf(number, sizeof number, "%.*f", precision, value);
    // GCOVR_EXCL_BR_START: the widest double at the widest precision fits
    if (length < 0 || static_cast<size_t>(length) >= sizeof number) return false;
    // GCOVR_EXCL_BR_STOP
    return append_padded(record, number, static_cast<size_t>(length), width);
}

bool append_rivet_record(record_text &record, const rivet_record &rivet) {
    bool fits = append_cut(record, rivet.pr_code, FPDF_PROCESS_CODE_WIDTH) && append_plain(record, ",\t") &&
                append_cut(record, rivet.ad_code, FPDF_PROCESS_CODE_WIDTH) && append_plain(record, ",\t") &&
                append_cut(record, rivet.fast_code, FPDF_FAST_CODE_WIDTH) && append_plain(record, ",\t") &&
                append_cut(record, rivet.grip_lng, FPDF_GRIP_WIDTH) && append_plain(record, ",\t") &&
                append_cut(record, rivet.point_id, FPDF_POINT_ID_WIDTH) && append_plain(record, ",\t0,\t");
    for (double c : rivet.position)
        fits = fits && append_fixed(record, c, FPDF_NUMBER_WIDTH, FPDF_NUMBER_DECIMALS) && append_plain(record, ",\t");
    for (double c : rivet.axis)
        fits = fits && append_fixed(record, c, FPDF_NUMBER_WIDTH, FPDF_NUMBER_DECIMALS) && append_plain(record, ",\t");
    return fits && append_plain(record, "1, 0, 0\n");
}

int rivet_in_wcs(const double origin[3], const double csys_matrix[9], double position[3], double axis[3]) {
    // The axis is the Z row, turned into the WCS axes without the WCS's move.
    if (map_point(UF_CSYS_ROOT_COORDS, origin, UF_CSYS_ROOT_WCS_COORDS, position) != 0) return error_code;
    return map_direction(UF_CSYS_ROOT_COORDS, &csys_matrix[6], UF_CSYS_ROOT_WCS_COORDS, axis);
}
