#include "common/catalogue.h"

const char *const all_rivet[RIVET_KIND_COUNT] = {"work", "metal", "techno"};

const code_row all_process[PROCESS_COUNT] = {
    {"A", "A - Базовое отверстие"},
    {"B", "B - Базовая заклепка"},
    {"C", "C - не определена"},
    {"D", "D - Сверление только в автоматическом режим"},
    {"E", "E - Сверление только в ручном режим"},
    {"F", "F - не определена"},
    {"G", "G - Полный цикл с герметиком"},
    {"H", "H - Полный цикл без герметика"},
    {"I", "I - Не определена"},
    {"J", "J - Цикл болт-заклепок без герметика без кольца"},
    {"K", "K - Цикл болт-заклепок без герметика с кольцом"},
    {"L", "L - Цикл болт-заклепок с герметиком без кольца"},
    {"M", "M - Цикл болт-заклепок с герметиком с кольцом"},
    {"N", "N - не определена"},
    {"O", "O - Технологическая заклепка для замены кодом D"},
    {"P", "P - Технологическая заклепка для замены кодом E"},
    {"Q", "Q - Технологическая заклепка для замены кодом G"},
    {"R", "R - Технологическая заклепка для замены кодом H"},
    {"S", "S - Технологическая заклепка для замены кодом J"},
    {"T", "T - Технологическая заклепка для замены кодом K"},
    {"U", "U - Технологическая заклепка для замены кодом L"},
    {"V", "V - Технологическая заклепка для замены кодом M"},
    {"W", "W - не определена"},
    {"X", "X - Технологическая заклепка не для замены"},
    {"Y", "Y - не определена"},
    {"Z", "Z - Незадействованные точки"},
};

const code_row all_add[ADD_COUNT] = {
    {"A", "A - Стандартный код"},
    {"B", "B - Титановый код"},
};

const fast_table_t<GRIP_CAPACITY> all_fast = make_fast_table<GRIP_CAPACITY>();

const char *const add_texts[ADD_COUNT] = {all_add[0].text, all_add[1].text};

const char *const process_texts[PROCESS_COUNT] = {
    all_process[0].text,  all_process[1].text,  all_process[2].text,  all_process[3].text,  all_process[4].text,
    all_process[5].text,  all_process[6].text,  all_process[7].text,  all_process[8].text,  all_process[9].text,
    all_process[10].text, all_process[11].text, all_process[12].text, all_process[13].text, all_process[14].text,
    all_process[15].text, all_process[16].text, all_process[17].text, all_process[18].text, all_process[19].text,
    all_process[20].text, all_process[21].text, all_process[22].text, all_process[23].text, all_process[24].text,
    all_process[25].text,
};

const char *const fast_codes[FAST_COUNT] = {
    all_fast[0].code,  all_fast[1].code,  all_fast[2].code,  all_fast[3].code,  all_fast[4].code,
    all_fast[5].code,  all_fast[6].code,  all_fast[7].code,  all_fast[8].code,  all_fast[9].code,
    all_fast[10].code, all_fast[11].code, all_fast[12].code, all_fast[13].code, all_fast[14].code,
    all_fast[15].code, all_fast[16].code, all_fast[17].code, all_fast[18].code,
};

static int find_code(const code_row *rows, int count, const char *text) {
    if (text == nullptr) return NOT_FOUND;
    for (int i = 0; i < count; ++i)
        if (std::strcmp(rows[i].code, text) == 0) return i;
    return NOT_FOUND;
}

int find_rivet_kind(const char *text) {
    if (text == nullptr) return NOT_FOUND;
    for (int i = 0; i < RIVET_KIND_COUNT; ++i)
        if (std::strcmp(all_rivet[i], text) == 0) return i;
    return NOT_FOUND;
}

int find_process(const char *text) { return find_code(all_process, PROCESS_COUNT, text); }
int find_add(const char *text) { return find_code(all_add, ADD_COUNT, text); }
int find_fast(const char *text) { return find_fast_in(all_fast, text); }
int find_grip(int fast_index, const char *text) { return find_grip_in(all_fast, fast_index, text); }
