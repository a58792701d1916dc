#include "cow.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <stdexcept>
#include <tuple>

#include "sdf.h"

namespace cowgen {

namespace {

using namespace sdf;

constexpr double pi = 3.14159265358979323846;
constexpr double inf = std::numeric_limits<double>::infinity();

// The bounds each part is fitted to, and its triangle count.
struct Target {
    const char* name;
    int triangles;
    Box box;
};
const Target targets[6] = {
    {"face", 112, {{4.8247, 0.9044, -0.6281}, {5.9981, 2.0160, 0.6281}}},
    {"hide", 4350, {{-3.9006, -3.2254, -1.7014}, {5.9981, 2.6069, 1.7014}}},
    {"hoofs", 344, {{-3.2232, -3.6370, -1.3772}, {2.4402, -3.0119, 1.3772}}},
    {"horns", 340, {{4.0785, 2.2604, -0.9894}, {5.0961, 2.7597, 0.9894}}},
    {"tail", 153, {{-4.4458, -2.0151, -0.2892}, {-3.5694, -0.1883, 0.1930}}},
    {"udder", 505, {{-3.6998, -2.1768, -0.9710}, {-0.9532, 0.8377, 0.9710}}},
};

// Body, neck, head and legs: the one surface of the hide.
double hideField(Vec3 p) {
    Vec3 q = folded(p);
    double body = ellipsoid(p, {-0.4, 0.6, 0}, {3.3, 1.35, 1.45});
    body = blend(body, ellipsoid(p, {-0.5, 0.05, 0}, {2.4, 1.05, 1.6}), 0.6);
    body = blend(body, ellipsoid(p, {2.0, 0.55, 0}, {1.3, 1.4, 1.25}), 0.6);
    body = blend(body, ellipsoid(p, {-2.7, 1.25, 0}, {1.1, 0.75, 1.3}), 0.5);
    body = blend(body, ellipsoid(q, {-2.85, 0.3, 0.8}, {1.0, 1.15, 0.68}), 0.4);

    double neck = roundCone(p, {2.6, 1.0, 0}, {4.1, 1.8, 0}, 0.9, 0.6);
    body = blend(body, neck, 0.5);

    double head = ellipsoid(p, {4.6, 2.0, 0}, {0.6, 0.55, 0.58});
    head = blend(head, roundCone(p, {4.6, 1.85, 0}, {5.58, 1.2, 0}, 0.5, 0.38), 0.3);
    head = blend(head, ellipsoid(p, {5.6, 1.12, 0}, {0.38, 0.3, 0.42}), 0.2);
    head = blend(head, ellipsoid(p, {4.42, 2.3, 0}, {0.35, 0.32, 0.5}), 0.2);
    double ear = ellipsoid(q, {4.35, 2.05, 0.85}, {0.15, -0.3, 1}, {1, 0, 0}, {0.38, 0.16, 0.07});
    head = blend(head, ear, 0.08);
    body = blend(body, head, 0.3);

    // The crotch between the thighs is filled; a groove runs up its back,
    // under the tail, where the udder rises.
    body = blend(body, ellipsoid(p, {-3.0, -0.35, 0}, {0.75, 0.7, 0.6}), 0.4);
    double groove = roundCone(p, {-4.05, -0.8, 0}, {-3.98, 0.75, 0}, 0.42, 0.36);
    body = -blend(-body, groove, 0.25);

    double legs = roundCone(q, {2.1, -0.3, 0.95}, {2.15, -1.9, 1.0}, 0.5, 0.3);
    legs = std::min(legs, roundCone(q, {2.15, -1.9, 1.0}, {2.152, -2.97, 1.047}, 0.3, 0.26));
    legs = std::min(legs, roundCone(q, {-2.95, -0.3, 0.95}, {-3.25, -1.95, 1.0}, 0.55, 0.28));
    legs = std::min(legs, roundCone(q, {-3.25, -1.95, 1.0}, {-2.8525, -2.97, 1.047}, 0.28, 0.26));
    return blend(body, legs, 0.35);
}

// The udder before it is cut back to what lies outside the hide.
double udderField(Vec3 p) {
    Vec3 q = folded(p);
    double bag = ellipsoid(p, {-2.15, -0.75, 0}, {1.32, 0.95, 0.95});
    bag = blend(bag, roundCone(p, {-3.3, -0.9, 0}, {-3.53, 0.77, 0}, 0.32, 0.13), 0.3);
    double teats = std::min(roundCone(q, {-1.7, -1.45, 0.42}, {-1.72, -2.08, 0.45}, 0.13, 0.09),
                            roundCone(q, {-2.6, -1.45, 0.42}, {-2.62, -2.08, 0.45}, 0.13, 0.09));
    return blend(bag, teats, 0.15);
}

// Moves p along dir until it meets f's zero set.
Vec3 along(const Field& f, Vec3 p, Vec3 dir) {
    for (int i = 0; i < 20; ++i) {
        double slope = dot(gradient(f, p), dir);
        if (std::fabs(slope) < 1e-9) break;
        p = p - dir * (f(p) / slope);
    }
    return p;
}

Vec3 ontoSurface(const Field& f, Vec3 p) {
    for (int i = 0; i < 20; ++i) {
        Vec3 g = gradient(f, p);
        p = p - g * (f(p) / dot(g, g));
    }
    return p;
}

// A small patch lying on the hide: an ellipse around a point of the surface.
struct Disk {
    Vec3 centre;   // near the surface; moved onto it
    Vec3 towards;  // the direction of the first semi-axis, roughly
    double ru, rv;
    int segments;
    bool ring;    // a ring of vertices between centre and rim
    double dome;  // bulge at the centre
};

struct DiskFrame {
    Vec3 c, u, v, n;
};

DiskFrame frameOf(const Disk& d) {
    DiskFrame f;
    f.c = ontoSurface(hideField, d.centre);
    f.n = normalized(gradient(hideField, f.c));
    f.u = normalized(d.towards - f.n * dot(d.towards, f.n));
    f.v = cross(f.n, f.u);
    return f;
}

// The patch floats a little above the hide so that it shows through the hole
// cut for it; its rim reaches past the hole's edge.
constexpr double lift = 0.006;
constexpr double holeRadius = 0.7;

Mesh diskMesh(const Disk& d) {
    DiskFrame f = frameOf(d);
    Mesh m;
    auto place = [&](double r, double angle) {
        Vec3 q = f.c + f.u * (d.ru * r * std::cos(angle)) + f.v * (d.rv * r * std::sin(angle));
        q = along(hideField, q, f.n);
        return q + normalized(gradient(hideField, q)) * (lift + d.dome * (1 - r * r));
    };
    m.p.push_back(place(0, 0));
    std::vector<double> radii = d.ring ? std::vector<double>{0.55, 1.0} : std::vector<double>{1.0};
    for (double r : radii)
        for (int j = 0; j < d.segments; ++j) m.p.push_back(place(r, 2 * pi * j / d.segments));
    const int s = d.segments;
    for (int j = 0; j < s; ++j) m.t.push_back({0, 1 + j, 1 + (j + 1) % s});
    if (d.ring)
        for (int j = 0; j < s; ++j) {
            int i0 = 1 + j, i1 = 1 + (j + 1) % s, o0 = i0 + s, o1 = i1 + s;
            m.t.push_back({i0, o0, o1});
            m.t.push_back({i0, o1, i1});
        }
    return m;
}

// The face: a dark patch on the bridge of the nose, the eyes and the
// nostrils (modelled on the +z side and mirrored).
const Disk nosePatch{{5.8, 1.45, 0}, {-0.5, 1, 0}, 0.26, 0.2, 16, true, 0.0};
const Disk eye{{4.972, 1.967, 0.6}, {1, 0.2, 0}, 0.1, 0.085, 8, true, 0.06};
const Disk nostril{{6.0, 0.962, 0.2}, {0, 1, 0}, 0.07, 0.05, 8, false, 0.03};

// Positive outside the holes the face patches need, negative inside.
double faceHoles(Vec3 p) {
    double keep = inf;
    auto hole = [](const DiskFrame& f, const Disk& d, Vec3 p) {
        Vec3 q = p - f.c;
        if (std::fabs(dot(q, f.n)) > 0.25) return inf;
        double a = dot(q, f.u) / d.ru, b = dot(q, f.v) / d.rv;
        return std::sqrt(a * a + b * b) - holeRadius;
    };
    static const DiskFrame frames[3] = {frameOf(nosePatch), frameOf(eye), frameOf(nostril)};
    keep = std::min(keep, hole(frames[0], nosePatch, p));
    keep = std::min(keep, hole(frames[1], eye, sdf::folded(p)));
    keep = std::min(keep, hole(frames[2], nostril, sdf::folded(p)));
    return keep;
}

// Keeps mirror images exact: the half (z >= 0) is made, then mirrored.
Mirrored symmetricPatch(const Disk& d) {
    Mesh m = diskMesh(d);
    // Vertex 0 and the vertices at angle 0 and pi lie on the plane; the
    // others pair up across it.
    Mirrored r;
    r.mesh = m;
    r.mirror.resize(m.p.size());
    r.mirror[0] = 0;
    int rings = d.ring ? 2 : 1;
    for (int k = 0; k < rings; ++k)
        for (int j = 0; j < d.segments; ++j)
            r.mirror[1 + k * d.segments + j] = 1 + k * d.segments + (d.segments - j) % d.segments;
    for (size_t i = 0; i < m.p.size(); ++i) {
        size_t j = static_cast<size_t>(r.mirror[i]);
        if (j == i)
            r.mesh.p[i].z = 0;
        else if (j > i)
            r.mesh.p[j] = mirrorZ(r.mesh.p[i]);
    }
    return r;
}

// Appends b to a, keeping mirror maps.
void append(Mirrored& a, const Mirrored& b) {
    int offset = static_cast<int>(a.mesh.p.size());
    a.mesh.p.insert(a.mesh.p.end(), b.mesh.p.begin(), b.mesh.p.end());
    for (auto t : b.mesh.t) a.mesh.t.push_back({t[0] + offset, t[1] + offset, t[2] + offset});
    for (int m : b.mirror) a.mirror.push_back(m + offset);
}

// A tube along a cubic Bezier curve: a ring of `segments` vertices at each
// curve parameter in `at` with the matching radius, open at the first ring and
// closed by a point at the curve's end.
Mesh tube(const Vec3 ctrl[4], const std::vector<double>& at, const std::vector<double>& radius,
          int segments, Vec3 reference) {
    auto point = [&](double s) {
        double a = 1 - s;
        return ctrl[0] * (a * a * a) + ctrl[1] * (3 * a * a * s) + ctrl[2] * (3 * a * s * s) +
               ctrl[3] * (s * s * s);
    };
    auto tangent = [&](double s) {
        double a = 1 - s;
        return normalized((ctrl[1] - ctrl[0]) * (3 * a * a) + (ctrl[2] - ctrl[1]) * (6 * a * s) +
                          (ctrl[3] - ctrl[2]) * (3 * s * s));
    };
    Mesh m;
    for (size_t i = 0; i < at.size(); ++i) {
        Vec3 t = tangent(at[i]);
        Vec3 n = normalized(reference - t * dot(reference, t));
        Vec3 b = cross(t, n);
        for (int j = 0; j < segments; ++j) {
            double angle = 2 * pi * j / segments;
            Vec3 off = n * std::cos(angle) + b * std::sin(angle);
            m.p.push_back(point(at[i]) + off * radius[i]);
        }
    }
    m.p.push_back(point(1.0));
    const int s = segments;
    for (size_t i = 0; i + 1 < at.size(); ++i)
        for (int j = 0; j < s; ++j) {
            int a0 = static_cast<int>(i) * s + j, a1 = static_cast<int>(i) * s + (j + 1) % s;
            int b0 = a0 + s, b1 = a1 + s;
            m.t.push_back({a0, a1, b0});
            m.t.push_back({a1, b1, b0});
        }
    int tip = static_cast<int>(m.p.size()) - 1, last = (static_cast<int>(at.size()) - 1) * s;
    for (int j = 0; j < s; ++j) m.t.push_back({last + j, last + (j + 1) % s, tip});
    return m;
}

// One hoof, open at the top where the leg goes in: four rings of ten make the
// wall; the flat sole is its own ring of ten, a ring of eight and a centre, so
// that the sole's edge is a crease.
Mesh hoof(Vec3 centre, double length, double width) {
    const double ys[4] = {-3.0119, -3.2, -3.45, -3.637};
    const double grow[4] = {1.0, 1.0, 1.0, 1.0};
    Mesh m;
    auto ringPoint = [&](double scale, int j, int count, double y) {
        double angle = 2 * pi * j / count;
        // Counter-clockwise seen from above, so that the wall faces out.
        return Vec3{centre.x + length * scale * std::cos(angle), y,
                    centre.z - width * scale * std::sin(angle)};
    };
    for (int r = 0; r < 4; ++r)
        for (int j = 0; j < 10; ++j) m.p.push_back(ringPoint(grow[r], j, 10, ys[r]));
    for (int r = 0; r < 3; ++r)
        for (int j = 0; j < 10; ++j) {
            int a0 = r * 10 + j, a1 = r * 10 + (j + 1) % 10, b0 = a0 + 10, b1 = a1 + 10;
            m.t.push_back({a0, b0, a1});
            m.t.push_back({a1, b0, b1});
        }
    const int edge = static_cast<int>(m.p.size());
    for (int j = 0; j < 10; ++j) m.p.push_back(ringPoint(1.0, j, 10, ys[3]));
    const int inner = static_cast<int>(m.p.size());
    for (int j = 0; j < 8; ++j) m.p.push_back(ringPoint(0.6, j, 8, ys[3]));
    const int middle = static_cast<int>(m.p.size());
    m.p.push_back({centre.x, ys[3], centre.z});
    // Zip the ring of ten to the ring of eight by angle.
    int i = 0, k = 0;
    while (i < 10 || k < 8) {
        double nextOuter = (i + 1) / 10.0, nextInner = (k + 1) / 8.0;
        if (k >= 8 || (i < 10 && nextOuter <= nextInner)) {
            m.t.push_back({edge + (i + 1) % 10, edge + i % 10, inner + k % 8});
            ++i;
        } else {
            m.t.push_back({edge + i % 10, inner + k % 8, inner + (k + 1) % 8});
            ++k;
        }
    }
    for (int j = 0; j < 8; ++j) m.t.push_back({middle, inner + (j + 1) % 8, inner + j});
    return m;
}

// Per-axis scale and shift.
struct Affine {
    Vec3 scale{1, 1, 1}, shift{};
    Vec3 operator()(Vec3 p) const {
        return {p.x * scale.x + shift.x, p.y * scale.y + shift.y,
                p.z == 0 ? 0.0 : p.z * scale.z + shift.z};
    }
};

// The scale and shift, axis by axis, that take the part's bounds to the
// target's; a mirror-symmetric part is only scaled across.
Affine fitting(const Mesh& m, const Box& target, bool symmetric) {
    Box b = bounds(m.p);
    Affine a;
    auto axis = [](double lo, double hi, double tlo, double thi, double& s, double& o) {
        s = (thi - tlo) / (hi - lo);
        o = tlo - s * lo;
    };
    axis(b.lo.x, b.hi.x, target.lo.x, target.hi.x, a.scale.x, a.shift.x);
    axis(b.lo.y, b.hi.y, target.lo.y, target.hi.y, a.scale.y, a.shift.y);
    axis(b.lo.z, b.hi.z, target.lo.z, target.hi.z, a.scale.z, a.shift.z);
    if (symmetric) a.scale.z = target.hi.z / b.hi.z, a.shift.z = 0;
    return a;
}

// Drops vertices no triangle uses, keeping the mirror map.
void compact(Mirrored& r) {
    std::vector<int> remap(r.mesh.p.size(), -1);
    int next = 0;
    for (const auto& t : r.mesh.t)
        for (int v : t)
            if (remap[v] < 0) remap[v] = next++;
    Mirrored out;
    out.mesh.p.resize(next);
    out.mirror.resize(next);
    for (size_t i = 0; i < remap.size(); ++i) {
        if (remap[i] < 0) continue;
        out.mesh.p[remap[i]] = r.mesh.p[i];
        out.mirror[remap[i]] = remap[r.mirror[i]];
    }
    for (auto t : r.mesh.t) out.mesh.t.push_back({remap[t[0]], remap[t[1]], remap[t[2]]});
    r = std::move(out);
}

// A mirrored open surface has an even triangle count. This removes the vertex
// where the plane meets the rim at the front (or the rear), and fills the gap
// with one fewer triangle: one of them straddles the plane.
void dropRimVertex(Mirrored& r, bool front) {
    const Mesh& m = r.mesh;
    int s = -1;
    for (size_t v = 0; v < m.p.size(); ++v) {
        if (r.mirror[v] != static_cast<int>(v)) continue;
        // A plane vertex on the rim is where some edge has one triangle only.
        int edgesOnce = 0;
        std::vector<std::pair<int, int>> fan;
        for (const auto& t : m.t)
            for (int c = 0; c < 3; ++c)
                if (t[c] == static_cast<int>(v)) fan.push_back({t[(c + 1) % 3], t[(c + 2) % 3]});
        for (auto [a, b] : fan) {
            bool matched = false;
            for (auto [c, d] : fan) matched |= d == a;
            edgesOnce += !matched;
        }
        if (edgesOnce == 0) continue;
        if (s < 0 || (m.p[v].x > m.p[s].x) == front) s = static_cast<int>(v);
    }
    if (s < 0) throw std::runtime_error("no rim vertex on the plane");
    std::vector<std::pair<int, int>> fan;
    std::vector<std::array<int, 3>> kept;
    for (const auto& t : m.t) {
        int c = t[0] == s ? 0 : t[1] == s ? 1 : t[2] == s ? 2 : -1;
        if (c < 0)
            kept.push_back(t);
        else
            fan.push_back({t[(c + 1) % 3], t[(c + 2) % 3]});
    }
    // Order the fan from its first rim edge around to the last.
    int start = -1;
    for (auto [a, b] : fan) {
        bool isEnd = false;
        for (auto [c, d] : fan) isEnd |= d == a;
        if (!isEnd) start = a;
    }
    std::vector<int> ring{start};
    while (ring.size() <= fan.size())
        for (auto [a, b] : fan)
            if (a == ring.back()) {
                ring.push_back(b);
                break;
            }
    int q = -1;
    for (size_t i = 1; i + 1 < ring.size(); ++i)
        if (r.mirror[ring[i]] == ring[i]) q = ring[i];
    if (q < 0) throw std::runtime_error("rim vertex without a neighbour on the plane");
    for (size_t i = 0; i + 1 < ring.size(); ++i)
        if (ring[i] != q && ring[i + 1] != q) kept.push_back({q, ring[i], ring[i + 1]});
    kept.push_back({q, ring.back(), ring.front()});
    r.mesh.t = kept;
    compact(r);
}

// The same mesh with vertices that share a position merged, as the drawn
// data sees it (a crease repeats positions with other normals).
Mesh welded(const Mesh& m) {
    std::vector<int> order(m.p.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
    auto key = [&](int i) { return std::tuple{m.p[i].x, m.p[i].y, m.p[i].z}; };
    std::sort(order.begin(), order.end(), [&](int a, int b) { return key(a) < key(b); });
    std::vector<int> canonical(m.p.size());
    for (size_t k = 0; k < order.size(); ++k)
        canonical[order[k]] =
            k > 0 && key(order[k]) == key(order[k - 1]) ? canonical[order[k - 1]] : order[k];
    Mesh out = m;
    for (auto& t : out.t)
        for (int& v : t) v = canonical[v];
    return out;
}

// The rim of an open surface: half-edges without a twin, chained into loops.
std::vector<std::vector<int>> rimLoops(const Mesh& m) {
    std::vector<std::pair<int, int>> halfEdges;
    for (const auto& t : m.t)
        for (int c = 0; c < 3; ++c) halfEdges.push_back({t[c], t[(c + 1) % 3]});
    std::sort(halfEdges.begin(), halfEdges.end());
    std::vector<int> nextOnRim(m.p.size(), -1);
    for (auto [a, b] : halfEdges)
        if (!std::binary_search(halfEdges.begin(), halfEdges.end(), std::pair{b, a}))
            nextOnRim[b] = a;
    std::vector<std::vector<int>> loops;
    std::vector<char> seen(m.p.size(), 0);
    for (size_t v = 0; v < m.p.size(); ++v) {
        if (nextOnRim[v] < 0 || seen[v]) continue;
        std::vector<int>& loop = loops.emplace_back();
        for (int w = static_cast<int>(v); w >= 0 && !seen[w]; w = nextOnRim[w]) {
            seen[w] = 1;
            loop.push_back(w);
        }
    }
    return loops;
}

Vec3 loopCentre(const Mesh& m, const std::vector<int>& loop) {
    Vec3 k{};
    for (int w : loop) k += m.p[w] / static_cast<double>(loop.size());
    return k;
}

// Signed volume of each piece with its openings capped: positive when the
// piece is wound counter-clockwise seen from outside.
void checkOutward(const Mesh& m, const char* name) {
    const std::vector<int> piece = pieces(m);
    auto root = [&](int v) { return piece[v]; };
    std::vector<double> volume(m.p.size(), 0);
    std::vector<Vec3> centre(m.p.size());
    std::vector<int> count(m.p.size(), 0);
    std::vector<char> used(m.p.size(), 0);
    for (const auto& t : m.t)
        for (int v : t) used[v] = 1;
    for (size_t v = 0; v < m.p.size(); ++v) {
        if (!used[v]) continue;
        centre[root(static_cast<int>(v))] += m.p[v];
        ++count[root(static_cast<int>(v))];
    }
    for (size_t v = 0; v < m.p.size(); ++v)
        if (count[v]) centre[v] = centre[v] / count[v];
    auto add = [&](int piece, Vec3 a, Vec3 b, Vec3 c) {
        Vec3 o = centre[piece];
        volume[piece] += dot(a - o, cross(b - o, c - o)) / 6;
    };
    // Open pieces count as closed by a fan over each rim loop from its centre.
    for (const auto& t : m.t) add(root(t[0]), m.p[t[0]], m.p[t[1]], m.p[t[2]]);
    for (const auto& loop : rimLoops(m)) {
        Vec3 k = loopCentre(m, loop);
        for (size_t i = 0; i < loop.size(); ++i)
            add(root(loop[i]), m.p[loop[i]], m.p[loop[(i + 1) % loop.size()]], k);
    }
    for (size_t v = 0; v < m.p.size(); ++v)
        if (count[v] && volume[v] <= 0)
            throw std::runtime_error(std::string(name) + ": a piece is wound inside out");
}

// Each triangle must face out: a ray from it along its normal leaves the
// part's (capped) pieces after an even number of crossings.
int inwardTriangles(const Mesh& m) {
    Mesh closed = m;
    for (const auto& loop : rimLoops(m)) {
        int centre = static_cast<int>(closed.p.size());
        closed.p.push_back(loopCentre(m, loop));
        for (size_t i = 0; i < loop.size(); ++i)
            closed.t.push_back({loop[i], loop[(i + 1) % loop.size()], centre});
    }
    int inward = 0;
    const Vec3 skew{0.0123, 0.0231, 0.0071};
    for (const auto& t : m.t) {
        Vec3 a = m.p[t[0]], b = m.p[t[1]], c = m.p[t[2]];
        Vec3 n = normalized(cross(b - a, c - a));
        Vec3 d = normalized(n + skew);
        Vec3 o = (a + b + c) / 3.0 + n * 1e-7;
        int hits = 0;
        for (const auto& u : closed.t) {
            Vec3 p0 = closed.p[u[0]], e1 = closed.p[u[1]] - p0, e2 = closed.p[u[2]] - p0;
            Vec3 h = cross(d, e2);
            double det = dot(e1, h);
            if (std::fabs(det) < 1e-18) continue;
            Vec3 s = o - p0;
            double bu = dot(s, h) / det;
            if (bu < 0 || bu > 1) continue;
            Vec3 q = cross(s, e1);
            double bv = dot(d, q) / det;
            if (bv < 0 || bu + bv > 1) continue;
            if (dot(e2, q) / det > 1e-9) ++hits;
        }
        inward += hits % 2;
    }
    return inward;
}

// Every part is first moved the way the hide was fitted, so that it stays
// where it belongs on the hide; what is left of its own fitting is logged so
// that the modelling can keep it small.
Affine hideFitting;

Part finish(const char* name, Mirrored r, bool symmetric, const Target& target, std::ostream& log) {
    log << name << ": " << r.mesh.t.size() << " triangles\n";
    if (static_cast<int>(r.mesh.t.size()) != target.triangles)
        throw std::runtime_error(std::string(name) + ": wrong triangle count");
    checkOutward(welded(r.mesh), name);
    if (int inward = inwardTriangles(welded(r.mesh)))
        throw std::runtime_error(std::string(name) + ": " + std::to_string(inward) +
                                 " triangles face inwards");
    for (Vec3& p : r.mesh.p) p = hideFitting(p);
    Affine own = fitting(r.mesh, target.box, symmetric);
    Box b = bounds(r.mesh.p);
    log << "  bounds moved by x " << target.box.lo.x - b.lo.x << ", " << target.box.hi.x - b.hi.x
        << "; y " << target.box.lo.y - b.lo.y << ", " << target.box.hi.y - b.hi.y << "; z "
        << target.box.lo.z - b.lo.z << ", " << target.box.hi.z - b.hi.z << "\n";
    for (Vec3& p : r.mesh.p) p = own(p);
    // Nothing hides what is behind it but back-face culling and drawing
    // order, so draw from the tail forward: seen from the front or three
    // quarters, the head then covers the chest behind it.
    std::vector<double> along(r.mesh.t.size());
    for (size_t i = 0; i < along.size(); ++i) {
        const auto& t = r.mesh.t[i];
        along[i] = r.mesh.p[t[0]].x + r.mesh.p[t[1]].x + r.mesh.p[t[2]].x;
    }
    std::vector<int> order(along.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return along[a] < along[b]; });
    std::vector<std::array<int, 3>> sorted;
    for (int i : order) sorted.push_back(r.mesh.t[i]);
    r.mesh.t = sorted;
    Part part{name, r.mesh, vertexNormals(r.mesh)};
    if (symmetric) symmetrizeNormals(part.normals, r.mirror);
    int against = 0;
    for (const auto& t : part.mesh.t) {
        Vec3 g =
            cross(part.mesh.p[t[1]] - part.mesh.p[t[0]], part.mesh.p[t[2]] - part.mesh.p[t[0]]);
        for (int v : t) against += dot(g, part.normals[v]) <= 0;
    }
    if (against)
        throw std::runtime_error(std::string(name) + ": " + std::to_string(against) +
                                 " corners have normals against their triangle");
    return part;
}

Mirrored unmirrored(Mesh m) {
    Mirrored r{std::move(m), {}};
    return r;
}

}  // namespace

std::vector<Part> buildCow(std::ostream& log) {
    std::vector<Part> parts;

    // Hide: half of the surface, with holes for the face, cut down to half the count.
    {
        Mesh half = polygonize(hideField, {-4.2, -3.4, 0}, {6.3, 2.9, 1.95}, 0.045);
        log << "hide: polygonized " << half.t.size() << " triangles\n";
        projectOntoSurface(half, hideField, 2);
        half = largestPiece(slice(half, faceHoles));
        decimate(half, targets[1].triangles / 2, hideField);
        relax(half, hideField, 6, {});
        Mirrored whole = mirrorWeld(half);
        hideFitting = fitting(whole.mesh, targets[1].box, true);
        parts.push_back(finish("hide", whole, true, targets[1], log));
    }

    // Face: the patch straddles the plane; eye and nostril are mirrored.
    {
        Mirrored face = symmetricPatch(nosePatch);
        Mesh right = diskMesh(eye);
        Mesh n = diskMesh(nostril);
        int offset = static_cast<int>(right.p.size());
        right.p.insert(right.p.end(), n.p.begin(), n.p.end());
        for (auto t : n.t) right.t.push_back({t[0] + offset, t[1] + offset, t[2] + offset});
        append(face, mirrorWeld(right));
        parts.insert(parts.begin(), finish("face", face, true, targets[0], log));
    }

    // Hoofs: a front and a rear hoof on the +z side, mirrored.
    {
        Mesh right = hoof({2.152, 0, 1.047}, 0.32, 0.305);
        Mesh rear = hoof({-2.8525, 0, 1.047}, 0.32, 0.305);
        int offset = static_cast<int>(right.p.size());
        right.p.insert(right.p.end(), rear.p.begin(), rear.p.end());
        for (auto t : rear.t) right.t.push_back({t[0] + offset, t[1] + offset, t[2] + offset});
        parts.push_back(finish("hoofs", mirrorWeld(right), true, targets[2], log));
    }

    // Horns: open at the base, which sits inside the head.
    {
        const Vec3 ctrl[4] = {
            {4.28, 2.425, 0.33}, {4.33, 2.65, 0.68}, {4.72, 2.79, 0.92}, {5.115, 2.715, 0.955}};
        std::vector<double> at, radius;
        for (int i = 0; i < 9; ++i) {
            double s = i / 9.0;
            at.push_back(s);
            radius.push_back(0.16 * std::pow(1 - s, 0.85) + 0.012 * (1 - s));
        }
        Mesh right = tube(ctrl, at, radius, 10, {1, 0, 0});
        parts.push_back(finish("horns", mirrorWeld(right), true, targets[3], log));
    }

    // Tail: hangs from the rump, off to the -z side, and ends in a tuft.
    {
        const Vec3 ctrl[4] = {{-3.55, -0.263, -0.02},
                              {-4.0, -0.43, -0.03},
                              {-4.22, -0.95, -0.058},
                              {-4.16, -2.005, -0.058}};
        const std::vector<double> at{0, 0.14, 0.28, 0.42, 0.56, 0.7, 0.8, 0.88, 0.95};
        const std::vector<double> radius{0.1, 0.08, 0.07, 0.065, 0.07, 0.14, 0.24, 0.23, 0.15};
        Mesh tail = tube(ctrl, at, radius, 9, {0, 0, 1});
        parts.push_back(finish("tail", unmirrored(tail), false, targets[4], log));
    }

    // Udder: the part of the bag and teats that lies outside the hide.
    {
        Mesh half = polygonize(udderField, {-3.9, -2.4, 0}, {-0.6, 1.2, 1.2}, 0.03);
        projectOntoSurface(half, udderField, 2);
        log << "udder: polygonized " << half.t.size() << " triangles\n";
        half = largestPiece(slice(half, hideField));
        log << "udder: " << half.t.size() << " triangles outside the hide\n";
        // The teats are small beside the bag: flattening them costs more, and
        // their tips stay where they are.
        auto tips = [&] {
            std::vector<int> lowest;
            for (double x : {-1.7, -2.6}) {
                int v = -1;
                for (size_t i = 0; i < half.p.size(); ++i)
                    if (std::fabs(half.p[i].x - x) < 0.3 && (v < 0 || half.p[i].y < half.p[v].y))
                        v = static_cast<int>(i);
                lowest.push_back(v);
            }
            return lowest;
        };
        decimate(
            half, (targets[5].triangles + 1) / 2, udderField,
            [](Vec3 p) { return p.y < -1.55 ? 25.0 : 1.0; }, tips());
        relax(half, udderField, 6, tips());
        Mirrored udder = mirrorWeld(half);
        // Of the two places where the rim crosses the plane, take one where
        // the filled gap leaves every normal on its triangles' side (the
        // neighbour that fills it may be too far from the rim to do so).
        Mirrored best;
        for (bool front : {true, false}) {
            if (!best.mesh.t.empty()) break;
            Mirrored tried = udder;
            dropRimVertex(tried, front);
            std::vector<Vec3> n = vertexNormals(tried.mesh);
            bool agrees = true;
            for (const auto& t : tried.mesh.t) {
                Vec3 g = cross(tried.mesh.p[t[1]] - tried.mesh.p[t[0]],
                               tried.mesh.p[t[2]] - tried.mesh.p[t[0]]);
                for (int v : t) agrees &= dot(g, n[v]) > 0;
            }
            log << "udder: dropping the " << (front ? "front" : "rear") << " rim vertex "
                << (agrees ? "fits\n" : "folds\n");
            if (agrees) best = tried;
        }
        if (best.mesh.t.empty()) throw std::runtime_error("udder: no rim vertex can go");
        udder = best;
        parts.push_back(finish("udder", udder, true, targets[5], log));
    }
    return parts;
}

}  // namespace cowgen
