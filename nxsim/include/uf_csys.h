/* Mapping points between the coordinate frames of the session. */
#ifndef UF_CSYS_H_INCLUDED
#define UF_CSYS_H_INCLUDED

#include "uf.h"

#ifdef __cplusplus
extern "C" {
#endif

#define UF_CSYS_ROOT_COORDS NXSIM_VALUE(1, 21)     /* absolute coordinates of the displayed part */
#define UF_CSYS_WORK_COORDS NXSIM_VALUE(2, 22)     /* absolute coordinates of the work part */
#define UF_CSYS_ROOT_WCS_COORDS NXSIM_VALUE(3, 23) /* the WCS of the displayed part */

/* input and output may be the same array. */
int UF_CSYS_map_point(int input_csys, double input_point[3], int output_csys, double output_point[3]);

#ifdef __cplusplus
}
#endif
#endif
