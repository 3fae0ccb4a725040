/* Object names, name origins and display properties. */
#ifndef UF_OBJ_H_INCLUDED
#define UF_OBJ_H_INCLUDED

#include "uf.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct UF_OBJ_disp_props_s {
#ifdef NXSIM_OTHER_LAYOUT
    logical highlight_status;
    int font;
    int line_width;
    int blank_status;
    int color;
    int layer;
#else
    int layer;
    int color;
    int blank_status;
    int line_width;
    int font;
    logical highlight_status;
#endif
} UF_OBJ_disp_props_t, *UF_OBJ_disp_props_p_t;

/* An object without a name answers the empty text. */
int UF_OBJ_ask_name(tag_t object, char name[MAX_ENTITY_NAME_SIZE + 1]);
int UF_OBJ_set_name(tag_t object, const char *name);
/* Name origins are in absolute coordinates of the work part. */
int UF_OBJ_ask_name_origin(tag_t object, double origin[3]);
int UF_OBJ_set_name_origin(tag_t object, double origin[3]);
int UF_OBJ_ask_display_properties(tag_t object, UF_OBJ_disp_props_p_t props);
int UF_OBJ_set_color(tag_t object, int color);

#ifdef __cplusplus
}
#endif
#endif
