#include "mesh.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <queue>
#include <stdexcept>
#include <string>
#include <unordered_map>

namespace cowgen {

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();

Vec3 faceNormal(const Mesh& m, const std::array<int, 3>& t) {
    return cross(m.p[t[1]] - m.p[t[0]], m.p[t[2]] - m.p[t[0]]);
}

// Welds the points made on the edges of a mesh or grid, so that neighbours share them.
class EdgePoints {
  public:
    EdgePoints(Mesh& out, uint64_t nodes) : out_(out), nodes_(nodes) {}
    int at(uint64_t a, uint64_t b, const std::function<Vec3()>& make) {
        uint64_t key = a < b ? a * nodes_ + b : b * nodes_ + a;
        auto [it, fresh] = index_.try_emplace(key, static_cast<int>(out_.p.size()));
        if (fresh) out_.p.push_back(make());
        return it->second;
    }

  private:
    Mesh& out_;
    uint64_t nodes_;
    std::unordered_map<uint64_t, int> index_;
};

Vec3 crossing(Vec3 a, double fa, Vec3 b, double fb) { return lerp(a, b, fa / (fa - fb)); }

}  // namespace

Mesh polygonize(const Field& f, Vec3 lo, Vec3 hi, double h) {
    const int nx = static_cast<int>(std::ceil((hi.x - lo.x) / h)) + 1;
    const int ny = static_cast<int>(std::ceil((hi.y - lo.y) / h)) + 1;
    const int nz = static_cast<int>(std::ceil((hi.z - lo.z) / h)) + 1;
    auto index = [&](int i, int j, int k) { return (static_cast<uint64_t>(k) * ny + j) * nx + i; };
    auto position = [&](uint64_t n) {
        int i = static_cast<int>(n % nx), j = static_cast<int>((n / nx) % ny);
        int k = static_cast<int>(n / (static_cast<uint64_t>(nx) * ny));
        return Vec3{lo.x + i * h, lo.y + j * h, lo.z + k * h};
    };
    std::vector<double> value(static_cast<size_t>(nx) * ny * nz);
    // No node may sit exactly on the surface, or neighbouring cells would make
    // coincident points and zero-area triangles.
    const double tiny = 1e-9 * h;
    for (uint64_t n = 0; n < value.size(); ++n) {
        double v = f(position(n));
        if (std::fabs(v) < tiny) v = v < 0 ? -tiny : tiny;
        value[n] = v;
    }

    Mesh out;
    EdgePoints points(out, value.size());
    auto point = [&](uint64_t a, uint64_t b) {
        return points.at(a, b,
                         [&] { return crossing(position(a), value[a], position(b), value[b]); });
    };
    auto emit = [&](int a, int b, int c, Vec3 outward) {
        Vec3 n = cross(out.p[b] - out.p[a], out.p[c] - out.p[a]);
        if (dot(n, outward) < 0) std::swap(b, c);
        out.t.push_back({a, b, c});
    };
    // Six tetrahedra per cube around its main diagonal; neighbouring cubes
    // split their shared faces the same way.
    static const int paths[6][2] = {{1, 2}, {1, 4}, {2, 1}, {2, 4}, {4, 1}, {4, 2}};
    for (int k = 0; k + 1 < nz; ++k)
        for (int j = 0; j + 1 < ny; ++j)
            for (int i = 0; i + 1 < nx; ++i) {
                uint64_t corner[8];
                for (int b = 0; b < 8; ++b)
                    corner[b] = index(i + (b & 1), j + ((b >> 1) & 1), k + ((b >> 2) & 1));
                for (const auto& path : paths) {
                    uint64_t tet[4] = {corner[0], corner[path[0]], corner[path[0] | path[1]],
                                       corner[7]};
                    uint64_t in[4], outs[4];
                    int ni = 0, no = 0;
                    for (uint64_t n : tet) (value[n] < 0 ? in[ni++] : outs[no++]) = n;
                    if (ni == 0 || no == 0) continue;
                    Vec3 cin{}, cout{};
                    for (int q = 0; q < ni; ++q) cin += position(in[q]) / ni;
                    for (int q = 0; q < no; ++q) cout += position(outs[q]) / no;
                    Vec3 outward = cout - cin;
                    if (ni == 1) {
                        emit(point(in[0], outs[0]), point(in[0], outs[1]), point(in[0], outs[2]),
                             outward);
                    } else if (ni == 3) {
                        emit(point(outs[0], in[0]), point(outs[0], in[1]), point(outs[0], in[2]),
                             outward);
                    } else {
                        int ac = point(in[0], outs[0]), ad = point(in[0], outs[1]);
                        int bd = point(in[1], outs[1]), bc = point(in[1], outs[0]);
                        emit(ac, ad, bd, outward);
                        emit(ac, bd, bc, outward);
                    }
                }
            }
    return out;
}

Vec3 gradient(const Field& f, Vec3 p) {
    const double e = 1e-5;
    return {(f(p + Vec3{e, 0, 0}) - f(p - Vec3{e, 0, 0})) / (2 * e),
            (f(p + Vec3{0, e, 0}) - f(p - Vec3{0, e, 0})) / (2 * e),
            (f(p + Vec3{0, 0, e}) - f(p - Vec3{0, 0, e})) / (2 * e)};
}

namespace {

Vec3 project(const Field& f, Vec3 p, int steps) {
    bool onPlane = p.z == 0;
    for (int s = 0; s < steps; ++s) {
        Vec3 g = gradient(f, p);
        double g2 = dot(g, g);
        if (g2 < 1e-12) break;
        p = p - g * (f(p) / g2);
        if (onPlane) p.z = 0;
    }
    return p;
}

}  // namespace

void projectOntoSurface(Mesh& m, const Field& f, int steps) {
    for (Vec3& p : m.p) p = project(f, p, steps);
}

void relax(Mesh& m, const Field& f, int iterations, const std::vector<int>& pinned) {
    const size_t n = m.p.size();
    std::vector<std::vector<int>> around(n), next(n);
    for (size_t t = 0; t < m.t.size(); ++t)
        for (int c = 0; c < 3; ++c) {
            around[m.t[t][c]].push_back(static_cast<int>(t));
            next[m.t[t][c]].push_back(m.t[t][(c + 1) % 3]);
        }
    // A vertex is on a boundary when some edge from it is used once.
    std::vector<char> fixed(n, 0);
    for (size_t v = 0; v < n; ++v)
        for (int w : next[v])
            if (std::find(next[w].begin(), next[w].end(), static_cast<int>(v)) == next[w].end())
                fixed[v] = fixed[w] = 1;
    for (int v : pinned) fixed[v] = 1;
    for (int it = 0; it < iterations; ++it)
        for (size_t v = 0; v < n; ++v) {
            if (fixed[v] || next[v].empty()) continue;
            Vec3 c{};
            for (int w : next[v]) c += m.p[w] / static_cast<double>(next[v].size());
            Vec3 normal = normalized(gradient(f, m.p[v]));
            Vec3 d = c - m.p[v];
            d = d - normal * dot(d, normal);
            Vec3 old = m.p[v];
            std::vector<Vec3> before;
            for (int t : around[v]) before.push_back(normalized(faceNormal(m, m.t[t])));
            m.p[v] = project(f, old + d * 0.5, 2);
            for (size_t k = 0; k < around[v].size(); ++k) {
                Vec3 after = faceNormal(m, m.t[around[v][k]]);
                Vec3 centroid = (m.p[m.t[around[v][k]][0]] + m.p[m.t[around[v][k]][1]] +
                                 m.p[m.t[around[v][k]][2]]) /
                                3.0;
                if (length(after) < 1e-14 || dot(normalized(after), before[k]) < 0.5 ||
                    dot(normalized(after), normalized(gradient(f, centroid))) < 0.4) {
                    m.p[v] = old;
                    break;
                }
            }
        }
}

Mesh slice(const Mesh& m, const Field& keep) {
    std::vector<double> k(m.p.size());
    for (size_t i = 0; i < m.p.size(); ++i) {
        k[i] = keep(m.p[i]);
        if (std::fabs(k[i]) < 1e-12) k[i] = 1e-12;
    }
    Mesh out;
    out.p = m.p;
    EdgePoints points(out, m.p.size());
    auto point = [&](int a, int b) {
        return points.at(static_cast<uint64_t>(a), static_cast<uint64_t>(b),
                         [&] { return crossing(m.p[a], k[a], m.p[b], k[b]); });
    };
    for (const auto& t : m.t) {
        int inside = 0;
        for (int v : t) inside += k[v] < 0;
        if (inside == 0) {
            out.t.push_back(t);
            continue;
        }
        if (inside == 3) continue;
        // Rotate so that the corner alone on its side comes first.
        int r = 0;
        for (; r < 3; ++r) {
            bool in0 = k[t[r]] < 0, in1 = k[t[(r + 1) % 3]] < 0, in2 = k[t[(r + 2) % 3]] < 0;
            if (in1 == in2 && in0 != in1) break;
        }
        int a = t[r], b = t[(r + 1) % 3], c = t[(r + 2) % 3];
        int ab = point(a, b), ca = point(c, a);
        if (inside == 1) {
            out.t.push_back({ab, b, c});
            out.t.push_back({ab, c, ca});
        } else {
            out.t.push_back({a, ab, ca});
        }
    }
    compact(out);
    return out;
}

std::vector<int> pieces(const Mesh& m) {
    std::vector<int> parent(m.p.size());
    for (size_t i = 0; i < parent.size(); ++i) parent[i] = static_cast<int>(i);
    auto root = [&](int v) {
        while (parent[v] != v) v = parent[v] = parent[parent[v]];
        return v;
    };
    for (const auto& t : m.t) {
        parent[root(t[1])] = root(t[0]);
        parent[root(t[2])] = root(t[0]);
    }
    for (size_t v = 0; v < parent.size(); ++v) parent[v] = root(static_cast<int>(v));
    return parent;
}

Mesh largestPiece(const Mesh& m) {
    const std::vector<int> piece = pieces(m);
    auto root = [&](int v) { return piece[v]; };
    std::vector<int> count(m.p.size(), 0);
    for (const auto& t : m.t) ++count[root(t[0])];
    int best = static_cast<int>(std::max_element(count.begin(), count.end()) - count.begin());
    Mesh out;
    out.p = m.p;
    for (const auto& t : m.t)
        if (root(t[0]) == best) out.t.push_back(t);
    compact(out);
    return out;
}

void compact(Mesh& m) {
    std::vector<int> remap(m.p.size(), -1);
    std::vector<Vec3> kept;
    for (auto& t : m.t)
        for (int& v : t) {
            if (remap[v] < 0) {
                remap[v] = static_cast<int>(kept.size());
                kept.push_back(m.p[v]);
            }
            v = remap[v];
        }
    m.p = std::move(kept);
}

namespace {

// A symmetric 4x4 quadric, upper triangle.
struct Quadric {
    double a[10] = {};
    static Quadric plane(Vec3 n, double d, double w) {
        double p[4] = {n.x, n.y, n.z, d};
        Quadric q;
        int k = 0;
        for (int i = 0; i < 4; ++i)
            for (int j = i; j < 4; ++j) q.a[k++] = w * p[i] * p[j];
        return q;
    }
    Quadric& operator+=(const Quadric& o) {
        for (int i = 0; i < 10; ++i) a[i] += o.a[i];
        return *this;
    }
    double error(Vec3 v) const {
        return a[0] * v.x * v.x + 2 * a[1] * v.x * v.y + 2 * a[2] * v.x * v.z + 2 * a[3] * v.x +
               a[4] * v.y * v.y + 2 * a[5] * v.y * v.z + 2 * a[6] * v.y + a[7] * v.z * v.z +
               2 * a[8] * v.z + a[9];
    }
};

double quality(Vec3 a, Vec3 b, Vec3 c) {
    double area2 = length(cross(b - a, c - a));
    double edges = dot(b - a, b - a) + dot(c - b, c - b) + dot(a - c, a - c);
    return edges > 0 ? 2 * std::sqrt(3.0) * area2 / edges : 0;
}

class Decimator {
  public:
    Decimator(Mesh& m, const Field& surface, const Field& importance,
              const std::vector<int>& pinned)
        : m_(m) {
        const size_t n = m.p.size();
        // Positions never move, so the surface's normal at each is fixed.
        surfaceNormal_.resize(n);
        for (size_t v = 0; v < n; ++v) surfaceNormal_[v] = normalized(gradient(surface, m.p[v]));
        around_.resize(n);
        for (size_t t = 0; t < m.t.size(); ++t)
            for (int v : m.t[t]) around_[v].push_back(static_cast<int>(t));
        liveTriangle_.assign(m.t.size(), 1);
        liveVertex_.assign(n, 1);
        version_.assign(n, 0);
        live_ = static_cast<int>(m.t.size());
        quadric_.resize(n);
        for (const auto& t : m.t) {
            Vec3 fn = faceNormal(m, t);
            double area = length(fn) / 2;
            if (area <= 0) continue;
            Vec3 u = fn / (2 * area);
            Vec3 centroid = (m.p[t[0]] + m.p[t[1]] + m.p[t[2]]) / 3.0;
            double weight = importance ? importance(centroid) : 1.0;
            Quadric q = Quadric::plane(u, -dot(u, m.p[t[0]]), area * weight);
            for (int v : t) quadric_[v] += q;
        }
        boundary_.assign(n, 0);
        std::vector<std::vector<int>> boundaryNeighbours(n);
        for (const auto& t : m.t)
            for (int e = 0; e < 3; ++e) {
                int a = t[e], b = t[(e + 1) % 3];
                if (sharedTriangles(a, b) != 1) continue;
                boundary_[a] = boundary_[b] = 1;
                boundaryNeighbours[a].push_back(b);
                // Keeps the boundary's shape: a plane through the edge, across the surface.
                Vec3 across = normalized(cross(m.p[b] - m.p[a], normalized(faceNormal(m, t))));
                double len2 = dot(m.p[b] - m.p[a], m.p[b] - m.p[a]);
                Quadric q = Quadric::plane(across, -dot(across, m.p[a]), 20 * len2);
                quadric_[a] += q;
                quadric_[b] += q;
            }
        locked_.assign(n, 0);
        for (size_t v = 0; v < n; ++v) {
            if (!boundary_[v]) continue;
            int onPlane = 0, offPlane = 0;
            // Boundary edges on both sides of v.
            std::vector<int> ends;
            for (int t : around_[v])
                for (int w : m.t[t])
                    if (w != static_cast<int>(v) && sharedTriangles(static_cast<int>(v), w) == 1 &&
                        std::find(ends.begin(), ends.end(), w) == ends.end())
                        ends.push_back(w);
            for (int w : ends) (m.p[v].z == 0 && m.p[w].z == 0 ? onPlane : offPlane)++;
            if (ends.size() != 2 || (onPlane && offPlane)) locked_[v] = 1;
        }
        for (int v : pinned) locked_[v] = 1;
    }

    void run(int target) {
        for (size_t v = 0; v < m_.p.size(); ++v) push(static_cast<int>(v));
        // Interior collapses remove two triangles; stop one short if need be.
        while (live_ > target + 1) {
            if (heap_.empty()) {
                // Stuck: accept worse shapes rather than stop short, but never a flip.
                if (minQuality_ == 0 && minTurn_ == 0)
                    throw std::runtime_error("decimation ran out of collapses at " +
                                             std::to_string(live_) + " triangles");
                minQuality_ = minQuality_ > 0.02 ? 0.02 : 0;
                minTurn_ = minQuality_ > 0 ? minTurn_ : 0;
                for (size_t v = 0; v < m_.p.size(); ++v) {
                    ++version_[v];
                    push(static_cast<int>(v));
                }
                continue;
            }
            Candidate c = heap_.top();
            heap_.pop();
            if (!liveVertex_[c.from] || c.version != version_[c.from]) continue;
            if (!liveVertex_[c.to] || !allowed(c.from, c.to)) {
                ++version_[c.from];
                push(c.from);
                continue;
            }
            collapse(c.from, c.to);
        }
        if (live_ == target + 1) {
            // One triangle left over: only a collapse along a boundary removes exactly one.
            double best = inf;
            int from = -1, to = -1;
            for (size_t u = 0; u < m_.p.size(); ++u) {
                if (!liveVertex_[u] || !boundary_[u]) continue;
                for (int v : neighbours(static_cast<int>(u))) {
                    if (!allowed(static_cast<int>(u), v)) continue;
                    double c = cost(static_cast<int>(u), v);
                    if (c < best) best = c, from = static_cast<int>(u), to = v;
                }
            }
            if (from < 0) throw std::runtime_error("no boundary collapse for the last triangle");
            collapse(from, to);
        }
        if (live_ != target) throw std::runtime_error("decimation missed its target");
        Mesh out;
        out.p = m_.p;
        for (size_t t = 0; t < m_.t.size(); ++t)
            if (liveTriangle_[t]) out.t.push_back(m_.t[t]);
        compact(out);
        m_ = std::move(out);
    }

  private:
    struct Candidate {
        double cost;
        int from, to;
        int version;
        bool operator<(const Candidate& o) const {
            if (cost != o.cost) return cost > o.cost;
            if (from != o.from) return from > o.from;
            return to > o.to;
        }
    };

    int sharedTriangles(int a, int b) const {
        int n = 0;
        for (int t : around_[a]) {
            const auto& tri = m_.t[t];
            n += tri[0] == b || tri[1] == b || tri[2] == b;
        }
        return n;
    }

    std::vector<int> neighbours(int v) const {
        std::vector<int> out;
        for (int t : around_[v])
            for (int w : m_.t[t])
                if (w != v) out.push_back(w);
        std::sort(out.begin(), out.end());
        out.erase(std::unique(out.begin(), out.end()), out.end());
        return out;
    }

    double cost(int u, int v) const {
        Quadric q = quadric_[u];
        q += quadric_[v];
        return q.error(m_.p[v]);
    }

    bool allowed(int u, int v) const {
        if (locked_[u]) return false;
        int shared = sharedTriangles(u, v);
        if (shared == 0) return false;
        if (boundary_[u] && shared != 1) return false;
        if (!boundary_[u] && shared != 2) return false;
        // Link condition: the only common neighbours are the triangles' far corners.
        std::vector<int> opposite;
        for (int t : around_[u]) {
            const auto& tri = m_.t[t];
            if (tri[0] != v && tri[1] != v && tri[2] != v) continue;
            for (int w : tri)
                if (w != u && w != v) opposite.push_back(w);
        }
        std::vector<int> nu = neighbours(u), nv = neighbours(v), common;
        std::set_intersection(nu.begin(), nu.end(), nv.begin(), nv.end(),
                              std::back_inserter(common));
        std::sort(opposite.begin(), opposite.end());
        if (common != opposite) return false;
        // No triangle may flip, fold over or become a sliver.
        for (int t : around_[u]) {
            auto tri = m_.t[t];
            if (tri[0] == v || tri[1] == v || tri[2] == v) continue;
            Vec3 before = normalized(faceNormal(m_, tri));
            double qualityBefore = quality(m_.p[tri[0]], m_.p[tri[1]], m_.p[tri[2]]);
            for (int& w : tri)
                if (w == u) w = v;
            Vec3 after = faceNormal(m_, tri);
            if (length(after) < 1e-14) return false;
            if (dot(before, normalized(after)) <= minTurn_) return false;
            // Nor lean far from the surface it stands for, or smooth normals
            // would point against it.
            Vec3 expected =
                surfaceNormal_[tri[0]] + surfaceNormal_[tri[1]] + surfaceNormal_[tri[2]];
            if (dot(normalized(after), normalized(expected)) < 0.4) return false;
            double q = quality(m_.p[tri[0]], m_.p[tri[1]], m_.p[tri[2]]);
            if (q < minQuality_ && q < qualityBefore) return false;
        }
        return true;
    }

    void push(int u) {
        if (!liveVertex_[u] || locked_[u]) return;
        double best = inf;
        int to = -1;
        for (int v : neighbours(u)) {
            if (!allowed(u, v)) continue;
            double c = cost(u, v);
            if (c < best) best = c, to = v;
        }
        if (to >= 0) heap_.push({best, u, to, version_[u]});
    }

    void collapse(int u, int v) {
        for (int t : around_[u]) {
            auto& tri = m_.t[t];
            if (tri[0] == v || tri[1] == v || tri[2] == v) {
                liveTriangle_[t] = 0;
                --live_;
                for (int w : tri)
                    if (w != u) {
                        auto& list = around_[w];
                        list.erase(std::find(list.begin(), list.end(), t));
                    }
            } else {
                for (int& w : tri)
                    if (w == u) w = v;
                around_[v].push_back(t);
            }
        }
        around_[u].clear();
        liveVertex_[u] = 0;
        quadric_[v] += quadric_[u];
        std::vector<int> touched = neighbours(v);
        touched.push_back(v);
        for (int w : touched) {
            ++version_[w];
            push(w);
        }
    }

    Mesh& m_;
    std::vector<Vec3> surfaceNormal_;
    std::vector<std::vector<int>> around_;
    std::vector<char> liveTriangle_, liveVertex_, boundary_, locked_;
    std::vector<int> version_;
    std::vector<Quadric> quadric_;
    std::priority_queue<Candidate> heap_;
    int live_ = 0;
    double minQuality_ = 0.08;  // slivers made worse are refused below this
    double minTurn_ = 0.3;      // cosine of the largest turn of a triangle's normal
};

}  // namespace

void decimate(Mesh& m, int target, const Field& surface, const Field& importance,
              const std::vector<int>& pinned) {
    Decimator(m, surface, importance, pinned).run(target);
}

Mirrored mirrorWeld(const Mesh& half) {
    Mirrored r;
    r.mesh.p = half.p;
    r.mirror.assign(half.p.size(), -1);
    for (size_t i = 0; i < half.p.size(); ++i) {
        if (half.p[i].z == 0) {
            r.mirror[i] = static_cast<int>(i);
        } else {
            r.mirror[i] = static_cast<int>(r.mesh.p.size());
            r.mesh.p.push_back(mirrorZ(half.p[i]));
            r.mirror.push_back(static_cast<int>(i));
        }
    }
    r.mesh.t = half.t;
    for (const auto& t : half.t)
        r.mesh.t.push_back({r.mirror[t[0]], r.mirror[t[2]], r.mirror[t[1]]});
    return r;
}

std::vector<Vec3> vertexNormals(const Mesh& m) {
    std::vector<Vec3> n(m.p.size());
    for (const auto& t : m.t) {
        Vec3 fn = normalized(faceNormal(m, t));
        for (int c = 0; c < 3; ++c) {
            Vec3 p = m.p[t[c]];
            Vec3 e1 = normalized(m.p[t[(c + 1) % 3]] - p), e2 = normalized(m.p[t[(c + 2) % 3]] - p);
            double angle = std::acos(std::clamp(dot(e1, e2), -1.0, 1.0));
            n[t[c]] += fn * angle;
        }
    }
    for (Vec3& v : n) v = normalized(v);
    return n;
}

void symmetrizeNormals(std::vector<Vec3>& n, const std::vector<int>& mirror) {
    for (size_t i = 0; i < n.size(); ++i) {
        size_t j = static_cast<size_t>(mirror[i]);
        if (j == i) {
            n[i].z = 0;
            n[i] = normalized(n[i]);
        } else if (j > i) {
            n[j] = mirrorZ(n[i]);
        }
    }
}

Box bounds(const std::vector<Vec3>& points) {
    Box b{{inf, inf, inf}, {-inf, -inf, -inf}};
    for (Vec3 p : points) {
        b.lo = {std::min(b.lo.x, p.x), std::min(b.lo.y, p.y), std::min(b.lo.z, p.z)};
        b.hi = {std::max(b.hi.x, p.x), std::max(b.hi.y, p.y), std::max(b.hi.z, p.z)};
    }
    return b;
}

}  // namespace cowgen
