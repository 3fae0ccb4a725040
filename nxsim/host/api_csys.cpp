// Mapping points between the absolute, work and WCS frames of the displayed part.
#include "export.h"
#include "host.h"
#include "ops.h"
#include "uf_csys.h"

using namespace nxsim;

extern "C" {

NXSIM_EXPORT int UF_CSYS_map_point(int input_csys, double input_point[3], int output_csys, double output_point[3]) {
    return guarded("UF_CSYS_map_point", true, [&](Host &h) {
        if (input_point == nullptr || output_point == nullptr) return code::kInvalidArgument;
        Session &s = *h.session;
        if (s.display == nullptr) return code::kNoDisplayedPart;
        // Every frame is expressed against the absolute frame of the displayed part.
        auto frame_of = [&](int csys, Frame &f) -> int {
            switch (csys) {
            case UF_CSYS_ROOT_COORDS: f = Frame(); return 0;
            case UF_CSYS_ROOT_WCS_COORDS: f = s.display->wcs; return 0;
            case UF_CSYS_WORK_COORDS: return s.work == nullptr ? code::kNoWorkOccurrence : work_frame(s, f);
            default: return code::kInvalidArgument;
            }
        };
        Frame from, to;
        if (int rc = frame_of(input_csys, from)) return rc;
        if (int rc = frame_of(output_csys, to)) return rc;
        Vec3 p{input_point[0], input_point[1], input_point[2]};
        Vec3 r = to.from_parent(from.to_parent(p));
        for (int i = 0; i < 3; ++i) output_point[i] = r[i];
        return 0;
    });
}

}  // extern "C"
