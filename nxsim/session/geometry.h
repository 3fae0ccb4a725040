// Placement frames: an origin and three axes expressed in the parent's coordinates.
#pragma once

#include <array>

#include "export.h"

namespace nxsim {

using Vec3 = std::array<double, 3>;

NXSIM_EXPORT Vec3 operator+(const Vec3 &a, const Vec3 &b);
NXSIM_EXPORT Vec3 operator-(const Vec3 &a, const Vec3 &b);
NXSIM_EXPORT Vec3 operator*(double s, const Vec3 &a);
NXSIM_EXPORT double dot(const Vec3 &a, const Vec3 &b);
NXSIM_EXPORT Vec3 cross(const Vec3 &a, const Vec3 &b);
NXSIM_EXPORT double norm(const Vec3 &a);

struct NXSIM_EXPORT Frame {
    Vec3 origin{0, 0, 0};
    Vec3 x{1, 0, 0};
    Vec3 y{0, 1, 0};
    Vec3 z{0, 0, 1};

    static Frame from_axes(const Vec3 &origin, const Vec3 &x, const Vec3 &y);
    // A point of this frame in the parent's coordinates, and back.
    Vec3 to_parent(const Vec3 &p) const;
    Vec3 from_parent(const Vec3 &p) const;
    // A direction (no translation) in the parent's coordinates, and back.
    Vec3 dir_to_parent(const Vec3 &d) const;
    Vec3 dir_from_parent(const Vec3 &d) const;
};

// The frame `child`, given in `parent`'s coordinates, expressed in parent's parent.
NXSIM_EXPORT Frame compose(const Frame &parent, const Frame &child);

}  // namespace nxsim
