#pragma once

#include <algorithm>
#include <cmath>

#include "vec.h"

// Signed distance-like fields: negative inside, positive outside.
namespace cowgen::sdf {

inline double sphere(Vec3 p, Vec3 c, double r) { return length(p - c) - r; }

// A good approximation of the distance to an ellipsoid with the given semi-axes.
inline double ellipsoid(Vec3 p, Vec3 c, Vec3 r) {
    Vec3 q = p - c;
    Vec3 a{q.x / r.x, q.y / r.y, q.z / r.z};
    Vec3 b{q.x / (r.x * r.x), q.y / (r.y * r.y), q.z / (r.z * r.z)};
    double k0 = length(a), k1 = length(b);
    if (k1 == 0) return -std::min({r.x, r.y, r.z});
    return k0 * (k0 - 1) / k1;
}

// An ellipsoid whose first two axes are the given directions (the third is their cross product).
inline double ellipsoid(Vec3 p, Vec3 c, Vec3 axisU, Vec3 axisV, Vec3 r) {
    Vec3 u = normalized(axisU);
    Vec3 w = normalized(cross(u, axisV));
    Vec3 v = cross(w, u);
    Vec3 q = p - c;
    return ellipsoid(Vec3{dot(q, u), dot(q, v), dot(q, w)}, Vec3{}, r);
}

// Two spheres and the cone that joins them tangentially.
inline double roundCone(Vec3 p, Vec3 a, Vec3 b, double ra, double rb) {
    Vec3 ba = b - a;
    double l2 = dot(ba, ba);
    double rr = ra - rb;
    double a2 = l2 - rr * rr;
    double il2 = 1.0 / l2;
    Vec3 pa = p - a;
    double y = dot(pa, ba);
    double z = y - l2;
    Vec3 xv = pa * l2 - ba * y;
    double x2 = dot(xv, xv);
    double y2 = y * y * l2;
    double z2 = z * z * l2;
    double k = (rr > 0 ? 1 : rr < 0 ? -1 : 0) * rr * rr * x2;
    if ((z > 0 ? 1 : z < 0 ? -1 : 0) * a2 * z2 > k) return std::sqrt(x2 + z2) * il2 - rb;
    if ((y > 0 ? 1 : y < 0 ? -1 : 0) * a2 * y2 < k) return std::sqrt(x2 + y2) * il2 - ra;
    return (std::sqrt(x2 * a2 * il2) + y * rr) * il2 - ra;
}

// Union that rounds the crease over a width of about k.
inline double blend(double a, double b, double k) {
    double h = std::max(k - std::fabs(a - b), 0.0) / k;
    return std::min(a, b) - h * h * k * 0.25;
}

// Mirror-symmetric pairs are modelled once, for z >= 0.
inline Vec3 folded(Vec3 p) { return {p.x, p.y, std::fabs(p.z)}; }

}  // namespace cowgen::sdf
