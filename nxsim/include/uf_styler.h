/* Dialogs described by dialog files. */
#ifndef UF_STYLER_H_INCLUDED
#define UF_STYLER_H_INCLUDED

#include "uf.h"

#ifdef __cplusplus
extern "C" {
#endif

#define UF_STYLER_DIALOG_INDEX "UF_STYLER_DIALOG_INDEX"
#define UF_STYLER_NULL_OBJECT "UF_STYLER_NULL_OBJECT"

/* Callback reasons. */
#define UF_STYLER_NO_CB NXSIM_VALUE(-1, -51)
#define UF_STYLER_ACTIVATE_CB NXSIM_VALUE(0, 50)
#define UF_STYLER_OK_CB NXSIM_VALUE(4, 54)
#define UF_STYLER_APPLY_CB NXSIM_VALUE(5, 55)
#define UF_STYLER_CANCEL_CB NXSIM_VALUE(7, 57)
#define UF_STYLER_CONSTRUCTOR_CB NXSIM_VALUE(8, 58)

/* Item attributes. */
#define UF_STYLER_SENSITIVITY NXSIM_VALUE(0, 60)
#define UF_STYLER_VALUE NXSIM_VALUE(2, 62)
#define UF_STYLER_SUBITEM_VALUES NXSIM_VALUE(6, 66)

/* Which member of the value union is filled in. */
#define UF_STYLER_NO_VALUE NXSIM_VALUE(0, 70)
#define UF_STYLER_STRING_VALUE NXSIM_VALUE(1, 71)
#define UF_STYLER_INTEGER_VALUE NXSIM_VALUE(2, 72)
#define UF_STYLER_REAL_VALUE NXSIM_VALUE(3, 73)
#define UF_STYLER_STRING_PTR_VALUE NXSIM_VALUE(4, 74)

typedef struct UF_STYLER_item_value_type_s {
#ifdef NXSIM_OTHER_LAYOUT
    union {
        char *string;
        int integer;
        double real;
        char **strings;
    } value;
    int indicator;
    int item_attr;
    int count;
    int subitem_index;
    const char *item_id;
    int reason;
#else
    int reason;
    const char *item_id;
    int subitem_index;
    int count;
    int item_attr;
    int indicator;
    union {
        char *string;
        int integer;
        double real;
        char **strings;
    } value;
#endif
} UF_STYLER_item_value_type_t, *UF_STYLER_item_value_type_p_t;

typedef int (*UF_STYLER_cb_t)(int dialog_id, void *client_data, UF_STYLER_item_value_type_p_t callback_data);

typedef struct UF_STYLER_callback_info_s {
#ifdef NXSIM_OTHER_LAYOUT
    UF_STYLER_cb_t callback_proc;
    int flag;
    int type;
    const char *object_id;
#else
    const char *object_id;
    int type;
    int flag;
    UF_STYLER_cb_t callback_proc;
#endif
} UF_STYLER_callback_info_t, *UF_STYLER_callback_info_p_t;

int UF_STYLER_create_dialog(const char *dialog_name, UF_STYLER_callback_info_p_t callbacks, int count,
                            void *client_data, int *response);
/* Fills value from item_id, item_attr (and subitem_index); release with UF_STYLER_free_value. */
int UF_STYLER_ask_value(int dialog_id, UF_STYLER_item_value_type_p_t value);
int UF_STYLER_set_value(int dialog_id, UF_STYLER_item_value_type_p_t value);
int UF_STYLER_free_value(UF_STYLER_item_value_type_p_t value);

#ifdef __cplusplus
}
#endif
#endif
