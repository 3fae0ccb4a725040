#include "meanings.h"

#include "uf.h"
#include "uf_part.h"
#include "uf_ui.h"

namespace nxsim::meaning {
namespace {

struct Pair {
    int constant;
    int number;
};

int number_of(const Pair *pairs, int n, int constant, int otherwise) {
    for (int i = 0; i < n; ++i)
        if (pairs[i].constant == constant) return pairs[i].number;
    return otherwise;
}

int constant_of(const Pair *pairs, int n, int number, int otherwise) {
    for (int i = 0; i < n; ++i)
        if (pairs[i].number == number) return pairs[i].constant;
    return otherwise;
}

const Pair kSelection[] = {{UF_UI_PICK_RESPONSE, 1},   {UF_UI_OK, 2},
                           {UF_UI_CANCEL, 3},          {UF_UI_BACK, 4},
                           {UF_UI_OBJECT_SELECTED, 5}, {UF_UI_OBJECT_SELECTED_BY_NAME, 6}};
const Pair kStyler[] = {{UF_UI_PICK_RESPONSE, 1}, {UF_UI_OK, 2},    {UF_UI_CANCEL, 3},
                        {UF_UI_BACK, 4},          {UF_UI_APPLY, 5}, {UF_UI_CB_TERMINATE, 9}};
const Pair kUnits[] = {{UF_PART_METRIC, 1}, {UF_PART_ENGLISH, 2}};
const Pair kMessageTypes[] = {{UF_UI_MESSAGE_ERROR, 1}, {UF_UI_MESSAGE_QUESTION, 2}, {UF_UI_MESSAGE_INFORMATION, 3}};
const Pair kUnload[] = {{UF_UNLOAD_IMMEDIATELY, 1}, {UF_UNLOAD_UG_TERMINATE, 2}};

template <int N>
constexpr int size(const Pair (&)[N]) {
    return N;
}

}  // namespace

int response_number(int response) {
    int n = number_of(kStyler, size(kStyler), response, -1);
    return n >= 0 ? n : number_of(kSelection, size(kSelection), response, response);
}

int selection_response(int number) { return constant_of(kSelection, size(kSelection), number, number); }
int styler_response(int number) { return constant_of(kStyler, size(kStyler), number, number); }

int units_number(int units) { return number_of(kUnits, size(kUnits), units, 0); }
int units_constant(int number) { return constant_of(kUnits, size(kUnits), number, 0); }

int message_type_number(int type) { return number_of(kMessageTypes, size(kMessageTypes), type, type); }

int unload_number(int answer) { return number_of(kUnload, size(kUnload), answer, answer); }

}  // namespace nxsim::meaning
