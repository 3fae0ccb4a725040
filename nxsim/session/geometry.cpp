#include "geometry.h"

#include <cmath>

namespace nxsim {

Vec3 operator+(const Vec3 &a, const Vec3 &b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
Vec3 operator-(const Vec3 &a, const Vec3 &b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Vec3 operator*(double s, const Vec3 &a) { return {s * a[0], s * a[1], s * a[2]}; }
double dot(const Vec3 &a, const Vec3 &b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
Vec3 cross(const Vec3 &a, const Vec3 &b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double norm(const Vec3 &a) { return std::sqrt(dot(a, a)); }

Frame Frame::from_axes(const Vec3 &origin, const Vec3 &x, const Vec3 &y) {
    Frame f;
    f.origin = origin;
    f.x = x;
    f.y = y;
    f.z = cross(x, y);
    return f;
}

Vec3 Frame::to_parent(const Vec3 &p) const { return origin + dir_to_parent(p); }
Vec3 Frame::from_parent(const Vec3 &p) const { return dir_from_parent(p - origin); }
Vec3 Frame::dir_to_parent(const Vec3 &d) const { return d[0] * x + d[1] * y + d[2] * z; }
Vec3 Frame::dir_from_parent(const Vec3 &d) const { return {dot(d, x), dot(d, y), dot(d, z)}; }

Frame compose(const Frame &parent, const Frame &child) {
    Frame f;
    f.origin = parent.to_parent(child.origin);
    f.x = parent.dir_to_parent(child.x);
    f.y = parent.dir_to_parent(child.y);
    f.z = parent.dir_to_parent(child.z);
    return f;
}

}  // namespace nxsim
