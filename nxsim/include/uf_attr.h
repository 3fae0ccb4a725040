/* Attributes of objects, parts and components. */
#ifndef UF_ATTR_H_INCLUDED
#define UF_ATTR_H_INCLUDED

#include "uf.h"

#ifdef __cplusplus
extern "C" {
#endif

#define UF_ATTR_integer NXSIM_VALUE(3, 13)
#define UF_ATTR_real NXSIM_VALUE(4, 14)
#define UF_ATTR_string NXSIM_VALUE(5, 15)
#define UF_ATTR_any NXSIM_VALUE(6, 16)

#define UF_ATTR_MAX_TITLE_LEN 50
#define UF_ATTR_MAX_STRING_LEN 132

typedef struct UF_ATTR_value_s {
#ifdef NXSIM_OTHER_LAYOUT
    union {
        int integer;
        double real;
        char *string; /* read: allocated by the host, release with UF_free */
    } value;
    int type; /* 0 when nothing was found */
#else
    int type; /* 0 when nothing was found */
    union {
        int integer;
        double real;
        char *string; /* read: allocated by the host, release with UF_free */
    } value;
#endif
} UF_ATTR_value_t;

int UF_ATTR_assign(tag_t object, const char *title, UF_ATTR_value_t value);
/* title_type: the type of the attribute found, 0 when there is none. */
int UF_ATTR_find_attribute(tag_t object, int type, const char *title, int *title_type);
int UF_ATTR_read_value(tag_t object, const char *title, int type, UF_ATTR_value_t *value);
/* Walks the attributes of one type: start with *index 0; *index is 0 again after the last one. */
int UF_ATTR_cycle(tag_t object, int *index, int type, char title[UF_ATTR_MAX_TITLE_LEN + 1], UF_ATTR_value_t *value);

#ifdef __cplusplus
}
#endif
#endif
