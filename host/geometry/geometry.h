#pragma once

// Points, sizes and rectangles in view points (single precision, origin top
// left, y down), affine transforms and 3-D layer transforms.

#include <cmath>

namespace host {

struct CGPoint {
    float x = 0, y = 0;
    bool operator==(const CGPoint&) const = default;
};

struct CGSize {
    float width = 0, height = 0;
    bool operator==(const CGSize&) const = default;
};

struct CGRect {
    CGPoint origin;
    CGSize size;
    bool operator==(const CGRect&) const = default;
};

inline CGPoint CGPointMake(float x, float y) { return {x, y}; }
inline CGSize CGSizeMake(float w, float h) { return {w, h}; }
inline CGRect CGRectMake(float x, float y, float w, float h) { return {{x, y}, {w, h}}; }

inline float CGRectGetMinX(const CGRect& r) { return r.origin.x; }
inline float CGRectGetMinY(const CGRect& r) { return r.origin.y; }
inline float CGRectGetMaxX(const CGRect& r) { return r.origin.x + r.size.width; }
inline float CGRectGetMaxY(const CGRect& r) { return r.origin.y + r.size.height; }
inline float CGRectGetMidX(const CGRect& r) { return r.origin.x + r.size.width * 0.5f; }
inline float CGRectGetMidY(const CGRect& r) { return r.origin.y + r.size.height * 0.5f; }

// Half-open on the far edges, as hit testing wants: a point on the right or
// bottom edge belongs to the neighbour.
inline bool CGRectContainsPoint(const CGRect& r, CGPoint p) {
    return p.x >= CGRectGetMinX(r) && p.x < CGRectGetMaxX(r) && p.y >= CGRectGetMinY(r) &&
           p.y < CGRectGetMaxY(r);
}

// x' = a*x + c*y + tx, y' = b*x + d*y + ty.
struct CGAffineTransform {
    float a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;
    bool operator==(const CGAffineTransform&) const = default;
};

inline const CGAffineTransform CGAffineTransformIdentity{};

inline CGAffineTransform CGAffineTransformMakeScale(float sx, float sy) {
    return {sx, 0, 0, sy, 0, 0};
}
inline CGAffineTransform CGAffineTransformMakeTranslation(float tx, float ty) {
    return {1, 0, 0, 1, tx, ty};
}
inline bool CGAffineTransformIsIdentity(const CGAffineTransform& t) {
    return t == CGAffineTransformIdentity;
}
// t1 then t2.
inline CGAffineTransform CGAffineTransformConcat(const CGAffineTransform& t1,
                                                 const CGAffineTransform& t2) {
    return {t1.a * t2.a + t1.b * t2.c,           t1.a * t2.b + t1.b * t2.d,
            t1.c * t2.a + t1.d * t2.c,           t1.c * t2.b + t1.d * t2.d,
            t1.tx * t2.a + t1.ty * t2.c + t2.tx, t1.tx * t2.b + t1.ty * t2.d + t2.ty};
}
inline CGPoint CGPointApplyAffineTransform(CGPoint p, const CGAffineTransform& t) {
    return {t.a * p.x + t.c * p.y + t.tx, t.b * p.x + t.d * p.y + t.ty};
}
// The inverse, or the transform unchanged when it is singular.
inline CGAffineTransform CGAffineTransformInvert(const CGAffineTransform& t) {
    float det = t.a * t.d - t.b * t.c;
    if (det == 0) return t;
    float ia = t.d / det, ib = -t.b / det, ic = -t.c / det, id = t.a / det;
    return {ia, ib, ic, id, -(t.tx * ia + t.ty * ic), -(t.tx * ib + t.ty * id)};
}

// A layer's 3-D transform, row-vector convention as the platform documents:
// [x y z 1] * M.
struct CATransform3D {
    float m11 = 1, m12 = 0, m13 = 0, m14 = 0;
    float m21 = 0, m22 = 1, m23 = 0, m24 = 0;
    float m31 = 0, m32 = 0, m33 = 1, m34 = 0;
    float m41 = 0, m42 = 0, m43 = 0, m44 = 1;
    bool operator==(const CATransform3D&) const = default;
};

inline const CATransform3D CATransform3DIdentity{};

inline CATransform3D CATransform3DMakeAffineTransform(const CGAffineTransform& t) {
    CATransform3D m;
    m.m11 = t.a;
    m.m12 = t.b;
    m.m21 = t.c;
    m.m22 = t.d;
    m.m41 = t.tx;
    m.m42 = t.ty;
    return m;
}
inline bool CATransform3DIsAffine(const CATransform3D& m) {
    return m.m13 == 0 && m.m14 == 0 && m.m23 == 0 && m.m24 == 0 && m.m31 == 0 && m.m32 == 0 &&
           m.m33 == 1 && m.m34 == 0 && m.m43 == 0 && m.m44 == 1;
}
inline CGAffineTransform CATransform3DGetAffineTransform(const CATransform3D& m) {
    return {m.m11, m.m12, m.m21, m.m22, m.m41, m.m42};
}

}  // namespace host
