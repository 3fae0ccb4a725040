// The fixed vocabulary of the riveting process: rivet kinds, process and add
// codes, fasteners with their grip lengths, and exact-match lookups.
#pragma once

#include <array>
#include <cstring>

constexpr int NOT_FOUND = -1;

constexpr int RIVET_KIND_COUNT = 3;
extern const char *const all_rivet[RIVET_KIND_COUNT];

struct code_row {
    const char *code;  // stored in the attribute
    const char *text;  // shown in the dialog
};

constexpr int PROCESS_COUNT = 26;
extern const code_row all_process[PROCESS_COUNT];
constexpr int ADD_COUNT = 2;
extern const code_row all_add[ADD_COUNT];

constexpr int FAST_COUNT = 19;
constexpr int GRIP_CAPACITY = 10;        // attribute tools
constexpr int CHECK_GRIP_CAPACITY = 20;  // route check

template <int Capacity>
struct fast_row_t {
    const char *code;
    int n;
    const char *grip_mm[Capacity];    // "9.5"
    const char *grip_code[Capacity];  // "095"
};

template <int Capacity>
using fast_table_t = std::array<fast_row_t<Capacity>, FAST_COUNT>;

// The one source of the fastener rows, for any row capacity.
template <int Capacity>
constexpr fast_table_t<Capacity> make_fast_table() {
    static_assert(Capacity >= 10, "the longest rows hold 10 grip lengths");
    return {{
        {"3404579D35", 5, {"8.0", "9.5", "11.0", "12.5", "14.0"}, {"080", "095", "110", "125", "140"}},
        {"3404579D40", 4, {"11.0", "12.5", "14.0", "15.5"}, {"110", "125", "140", "155"}},
        {"3404579D50",
         7,
         {"14.0", "15.5", "17.0", "18.5", "20.0", "21.5", "23.0"},
         {"140", "155", "170", "185", "200", "215", "230"}},
        {"3404680D35", 5, {"8.0", "9.5", "11.0", "12.5", "14.0"}, {"080", "095", "110", "125", "140"}},
        {"3404680D40", 5, {"9.5", "11.0", "12.5", "14.0", "15.5"}, {"095", "110", "125", "140", "155"}},
        {"3404680D50", 6, {"11.0", "12.5", "14.0", "15.5", "17.0", "18.5"}, {"110", "125", "140", "155", "170", "185"}},
        {"3404480D40", 2, {"9.5", "11.0"}, {"095", "110"}},
        {"3404480D50",
         8,
         {"9.5", "11.0", "12.5", "14.0", "15.5", "17.0", "18.5", "20.0"},
         {"095", "110", "125", "140", "155", "170", "185", "200"}},
        {"3404480D60",
         10,
         {"11.0", "12.5", "14.0", "15.5", "17.0", "18.5", "20.0", "21.5", "23.0", "24.5"},
         {"110", "125", "140", "155", "170", "185", "200", "215", "230", "245"}},
        {"3004787D50", 4, {"37.0", "39.0", "40.0", "42.0"}, {"370", "390", "400", "420"}},
        {"3004787D60",
         7,
         {"37.0", "40.0", "42.0", "43.0", "45.0", "46.0", "48.0"},
         {"370", "400", "420", "430", "450", "460", "480"}},
        {"3004887D50", 5, {"36.0", "37.0", "39.0", "40.0", "42.0"}, {"360", "370", "390", "400", "420"}},
        {"3004887D60",
         8,
         {"39.0", "40.0", "42.0", "43.0", "45.0", "46.0", "48.0", "49.0"},
         {"390", "400", "420", "430", "450", "460", "480", "490"}},
        {"3004887D80",
         10,
         {"51.0", "52.0", "54.0", "55.0", "57.0", "58.0", "60.0", "61.0", "63.0", "64.0"},
         {"510", "520", "540", "550", "570", "580", "600", "610", "630", "640"}},
        {"163768D35", 5, {"8.0", "9.5", "11.0", "12.5", "14.0"}, {"080", "095", "110", "125", "140"}},
        {"163768D40", 5, {"9.5", "11.0", "12.5", "14.0", "15.5"}, {"095", "110", "125", "140", "155"}},
        {"3404480D40_CK", 2, {"9.5", "11.0"}, {"095", "110"}},
        {"3404480D50_CK",
         8,
         {"9.5", "11.0", "12.5", "14.0", "15.5", "17.0", "18.5", "20.0"},
         {"095", "110", "125", "140", "155", "170", "185", "200"}},
        {"3404480D60_CK",
         10,
         {"11.0", "12.5", "14.0", "15.5", "17.0", "18.5", "20.0", "21.5", "23.0", "24.5"},
         {"110", "125", "140", "155", "170", "185", "200", "215", "230", "245"}},
    }};
}

using fast_row = fast_row_t<GRIP_CAPACITY>;
extern const fast_table_t<GRIP_CAPACITY> all_fast;

// Display lists for the dialogs, in row order (a list position is the row index).
extern const char *const process_texts[PROCESS_COUNT];
extern const char *const add_texts[ADD_COUNT];
extern const char *const fast_codes[FAST_COUNT];

// Exact, whole-text, case-sensitive; the first match or NOT_FOUND.
int find_rivet_kind(const char *text);
int find_process(const char *text);
int find_add(const char *text);
int find_fast(const char *text);
int find_grip(int fast_index, const char *text);

template <int Capacity>
int find_fast_in(const fast_table_t<Capacity> &table, const char *text) {
    if (text == nullptr) return NOT_FOUND;
    for (int i = 0; i < FAST_COUNT; ++i)
        if (std::strcmp(table[i].code, text) == 0) return i;
    return NOT_FOUND;
}

template <int Capacity>
int find_grip_in(const fast_table_t<Capacity> &table, int fast_index, const char *text) {
    if (text == nullptr || fast_index < 0 || fast_index >= FAST_COUNT) return NOT_FOUND;
    const auto &row = table[fast_index];
    const int grips = row.n < Capacity ? row.n : Capacity;  // GCOVR_EXCL_BR_LINE: a row holds at most Capacity grips
    for (int k = 0; k < grips; ++k)
        if (std::strcmp(row.grip_code[k], text) == 0) return k;
    return NOT_FOUND;
}
