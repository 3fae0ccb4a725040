/* Display: highlight, display suppression and the colour table of the displayed part. */
#ifndef UF_DISP_H_INCLUDED
#define UF_DISP_H_INCLUDED

#include "uf.h"

#ifdef __cplusplus
extern "C" {
#endif

#define UF_DISP_SUPPRESS_DISPLAY NXSIM_VALUE(0, 30)
#define UF_DISP_UNSUPPRESS_DISPLAY NXSIM_VALUE(1, 31)

#define UF_DISP_rgb_model NXSIM_VALUE(0, 32)
#define UF_DISP_CCM_EUCLIDEAN_DISTANCE NXSIM_VALUE(1, 33)

int UF_DISP_set_highlight(tag_t object, int flag);
int UF_DISP_set_display(int flag);
int UF_DISP_ask_color_count(int *count);
/* color_name is allocated by the host: release it with UF_free. */
int UF_DISP_ask_color(int color_num, int color_model, char **color_name, double color_values[3]);
int UF_DISP_ask_closest_color(int color_model, double color_values[3], int method, int *color_num);

#ifdef __cplusplus
}
#endif
#endif
