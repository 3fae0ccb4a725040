// Vector arithmetic; no host state, so neither counted nor failed.
#include <cmath>

#include "export.h"
#include "uf_vec.h"

extern "C" {

NXSIM_EXPORT void UF_VEC3_distance(const double vec1[3], const double vec2[3], double *distance) {
    double dx = vec1[0] - vec2[0], dy = vec1[1] - vec2[1], dz = vec1[2] - vec2[2];
    *distance = std::sqrt(dx * dx + dy * dy + dz * dz);
}

NXSIM_EXPORT void UF_VEC3_sub(const double vec1[3], const double vec2[3], double vec_diff[3]) {
    double r[3] = {vec1[0] - vec2[0], vec1[1] - vec2[1], vec1[2] - vec2[2]};
    vec_diff[0] = r[0];
    vec_diff[1] = r[1];
    vec_diff[2] = r[2];
}

}  // extern "C"
