/* Vector arithmetic. */
#ifndef UF_VEC_H_INCLUDED
#define UF_VEC_H_INCLUDED

#ifdef __cplusplus
extern "C" {
#endif

void UF_VEC3_distance(const double vec1[3], const double vec2[3], double *distance);
void UF_VEC3_sub(const double vec1[3], const double vec2[3], double vec_diff[3]);

#ifdef __cplusplus
}
#endif
#endif
