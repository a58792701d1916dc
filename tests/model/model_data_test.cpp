// Invariants of the built-in cow, checked on the data compiled into the program.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <map>
#include <numeric>
#include <set>
#include <tuple>
#include <vector>

#include "model/gllist.h"

namespace {

struct V3 {
    double x = 0, y = 0, z = 0;
};
V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 operator*(V3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
double dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 cross(V3 a, V3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double length(V3 a) { return std::sqrt(dot(a, a)); }

struct Corner {
    V3 n, p;
};

struct PartRow {
    const char* name;
    const gllist* head;
    int points;
    V3 lo, hi;
    int pieces;
};
// The part table: counts, bounds and connected pieces of each part.
const PartRow table[6] = {
    {"face", cow_face, 336, {4.8247, 0.9044, -0.6281}, {5.9981, 2.0160, 0.6281}, 5},
    {"hide", cow_hide, 13050, {-3.9006, -3.2254, -1.7014}, {5.9981, 2.6069, 1.7014}, 1},
    {"hoofs", cow_hoofs, 1032, {-3.2232, -3.6370, -1.3772}, {2.4402, -3.0119, 1.3772}, 4},
    {"horns", cow_horns, 1020, {4.0785, 2.2604, -0.9894}, {5.0961, 2.7597, 0.9894}, 2},
    {"tail", cow_tail, 459, {-4.4458, -2.0151, -0.2892}, {-3.5694, -0.1883, 0.1930}, 1},
    {"udder", cow_udder, 1515, {-3.6998, -2.1768, -0.9710}, {-0.9532, 0.8377, 0.9710}, 1},
};

std::vector<Corner> corners(const gllist* part) {
    std::vector<Corner> out;
    for (const gllist* r = part; r; r = r->next)
        for (int i = 0; i < r->points; ++i) {
            const float* v = r->data + 6 * i;
            out.push_back({{v[0], v[1], v[2]}, {v[3], v[4], v[5]}});
        }
    return out;
}

// Triangles as indices into the part's distinct positions: the drawn data
// repeats a shared corner in every triangle that uses it.
struct Welded {
    std::vector<V3> points;
    std::vector<std::array<int, 3>> triangles;
};
Welded weld(const std::vector<Corner>& cs) {
    Welded w;
    std::map<std::tuple<double, double, double>, int> index;
    std::vector<int> ids;
    for (const Corner& c : cs) {
        auto [it, fresh] =
            index.try_emplace({c.p.x, c.p.y, c.p.z}, static_cast<int>(w.points.size()));
        if (fresh) w.points.push_back(c.p);
        ids.push_back(it->second);
    }
    for (size_t i = 0; i + 2 < ids.size(); i += 3)
        w.triangles.push_back({ids[i], ids[i + 1], ids[i + 2]});
    return w;
}

// Connected pieces: triangles that share a position belong together.
std::vector<std::vector<int>> pieces(const Welded& w) {
    std::vector<int> parent(w.points.size());
    std::iota(parent.begin(), parent.end(), 0);
    std::function<int(int)> root = [&](int v) {
        while (parent[v] != v) v = parent[v] = parent[parent[v]];
        return v;
    };
    for (const auto& t : w.triangles) {
        parent[root(t[1])] = root(t[0]);
        parent[root(t[2])] = root(t[0]);
    }
    std::map<int, std::vector<int>> byRoot;
    for (size_t t = 0; t < w.triangles.size(); ++t)
        byRoot[root(w.triangles[t][0])].push_back(static_cast<int>(t));
    std::vector<std::vector<int>> out;
    for (auto& [r, ts] : byRoot) out.push_back(ts);
    return out;
}

V3 centre(const Welded& w, const std::vector<int>& triangles) {
    V3 c;
    for (int t : triangles)
        for (int v : w.triangles[t]) c = c + w.points[v] * (1.0 / (3 * triangles.size()));
    return c;
}

// Triangles whose outward side points into the part: a ray from the triangle
// along its normal crosses the part's surface (openings capped by a fan from
// their middle) an odd number of times.
int inwardFacing(const Welded& w) {
    std::vector<std::array<V3, 3>> closed;
    std::set<std::pair<int, int>> halfEdges;
    for (const auto& t : w.triangles) {
        closed.push_back({w.points[t[0]], w.points[t[1]], w.points[t[2]]});
        for (int c = 0; c < 3; ++c) halfEdges.insert({t[c], t[(c + 1) % 3]});
    }
    std::map<int, int> rimNext;
    for (auto [a, b] : halfEdges)
        if (!halfEdges.count({b, a})) rimNext[b] = a;
    std::set<int> seen;
    for (auto [start, next] : rimNext) {
        if (seen.count(start)) continue;
        std::vector<int> loop;
        for (int v = start; !seen.count(v); v = rimNext.at(v)) {
            seen.insert(v);
            loop.push_back(v);
        }
        V3 k;
        for (int v : loop) k = k + w.points[v] * (1.0 / loop.size());
        for (size_t i = 0; i < loop.size(); ++i)
            closed.push_back({w.points[loop[i]], w.points[loop[(i + 1) % loop.size()]], k});
    }
    int inward = 0;
    for (const auto& t : w.triangles) {
        V3 a = w.points[t[0]], b = w.points[t[1]], c = w.points[t[2]];
        V3 n = cross(b - a, c - a) * (1 / length(cross(b - a, c - a)));
        // A slightly skewed ray is unlikely to graze an edge exactly.
        V3 d = n + V3{0.0123, 0.0231, 0.0071};
        V3 o = (a + b + c) * (1.0 / 3) + n * 1e-6;
        int hits = 0;
        for (const auto& u : closed) {
            V3 e1 = u[1] - u[0], e2 = u[2] - u[0], h = cross(d, e2);
            double det = dot(e1, h);
            if (std::fabs(det) < 1e-18) continue;
            V3 s = o - u[0];
            double bu = dot(s, h) / det;
            V3 q = cross(s, e1);
            double bv = dot(d, q) / det;
            if (bu < 0 || bv < 0 || bu + bv > 1) continue;
            if (dot(e2, q) / det > 0) ++hits;
        }
        inward += hits % 2;
    }
    return inward;
}

// Mirror image about z = 0 of every corner (normal and position) is a corner of the part.
bool mirrorSymmetric(const std::vector<Corner>& cs, double tolerance) {
    auto key = [](V3 n, V3 p) { return std::array<double, 6>{p.x, p.y, p.z, n.x, n.y, n.z}; };
    std::vector<std::array<double, 6>> all, mirrored;
    for (const Corner& c : cs) {
        all.push_back(key(c.n, c.p));
        mirrored.push_back(key({c.n.x, c.n.y, -c.n.z}, {c.p.x, c.p.y, -c.p.z}));
    }
    std::sort(all.begin(), all.end());
    for (const auto& m : mirrored) {
        auto near = [&](const std::array<double, 6>& a) {
            for (int i = 0; i < 6; ++i)
                if (std::fabs(a[i] - m[i]) > tolerance) return false;
            return true;
        };
        auto it =
            std::lower_bound(all.begin(), all.end(),
                             std::array<double, 6>{m[0] - tolerance, -1e9, -1e9, -1e9, -1e9, -1e9});
        bool found = false;
        for (; it != all.end() && (*it)[0] <= m[0] + tolerance && !found; ++it) found = near(*it);
        if (!found) return false;
    }
    return true;
}

TEST(CowModel, PartTableListsTheSixHeadsInDrawingOrder) {
    const gllist* const* heads[6] = {&cow_face,  &cow_hide, &cow_hoofs,
                                     &cow_horns, &cow_tail, &cow_udder};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(all_objs[i], heads[i]) << table[i].name;
}

TEST(CowModel, EachPartIsOneRecordOfTrianglesWithTheTablesCount) {
    int total = 0;
    for (const PartRow& row : table) {
        SCOPED_TRACE(row.name);
        ASSERT_NE(row.head, nullptr);
        EXPECT_EQ(row.head->format, 42u);
        EXPECT_EQ(row.head->primitive, GLenum(GL_TRIANGLES));
        EXPECT_EQ(row.head->points, row.points);
        EXPECT_EQ(row.head->points % 3, 0);
        EXPECT_EQ(row.head->next, nullptr);
        ASSERT_NE(row.head->data, nullptr);
        // Every float of the array is read, so a short array shows under the
        // address sanitizer; all of it must be finite.
        const float* d = row.head->data;
        EXPECT_TRUE(std::all_of(d, d + 6 * row.points, [](float f) { return std::isfinite(f); }));
        total += row.head->points;
    }
    EXPECT_EQ(total, 17412);
    EXPECT_EQ(total * 6 * sizeof(float), 417888u);
}

TEST(CowModel, PartsDoNotShareVertexArrays) {
    for (int i = 0; i < 6; ++i)
        for (int j = i + 1; j < 6; ++j) {
            const float* a = table[i].head->data;
            const float* b = table[j].head->data;
            EXPECT_TRUE(a + 6 * table[i].points <= b || b + 6 * table[j].points <= a)
                << table[i].name << " and " << table[j].name;
        }
}

TEST(CowModel, BoundsOfEachPartMatchTheTable) {
    for (const PartRow& row : table) {
        SCOPED_TRACE(row.name);
        V3 lo{1e9, 1e9, 1e9}, hi{-1e9, -1e9, -1e9};
        for (const Corner& c : corners(row.head)) {
            lo = {std::min(lo.x, c.p.x), std::min(lo.y, c.p.y), std::min(lo.z, c.p.z)};
            hi = {std::max(hi.x, c.p.x), std::max(hi.y, c.p.y), std::max(hi.z, c.p.z)};
        }
        EXPECT_NEAR(lo.x, row.lo.x, 0.0005);
        EXPECT_NEAR(lo.y, row.lo.y, 0.0005);
        EXPECT_NEAR(lo.z, row.lo.z, 0.0005);
        EXPECT_NEAR(hi.x, row.hi.x, 0.0005);
        EXPECT_NEAR(hi.y, row.hi.y, 0.0005);
        EXPECT_NEAR(hi.z, row.hi.z, 0.0005);
    }
}

TEST(CowModel, NormalsAreUnitLength) {
    for (const PartRow& row : table)
        for (const Corner& c : corners(row.head)) {
            // In the stored single precision, as GL reads them.
            float x = static_cast<float>(c.n.x), y = static_cast<float>(c.n.y),
                  z = static_cast<float>(c.n.z);
            ASSERT_NEAR(std::sqrt(double(x) * x + double(y) * y + double(z) * z), 1.0, 1e-6)
                << row.name;
        }
}

TEST(CowModel, EveryTriangleIsWoundCounterClockwiseTowardsItsNormals) {
    for (const PartRow& row : table) {
        std::vector<Corner> cs = corners(row.head);
        int bad = 0;
        for (size_t i = 0; i < cs.size(); i += 3) {
            V3 g = cross(cs[i + 1].p - cs[i].p, cs[i + 2].p - cs[i].p);
            ASSERT_GT(length(g), 1e-9) << row.name << ": zero-area triangle " << i / 3;
            for (int k = 0; k < 3; ++k) bad += dot(g, cs[i + k].n) <= 0;
        }
        EXPECT_EQ(bad, 0) << row.name << ": corners whose normal points against the winding";
    }
}

TEST(CowModel, EveryTriangleFacesOutOfItsPiece) {
    for (const PartRow& row : table)
        EXPECT_EQ(inwardFacing(weld(corners(row.head))), 0) << row.name;
}

TEST(CowModel, SharedCornersShareOneNormalExceptAtTheSoleCrease) {
    for (const PartRow& row : table) {
        std::map<std::tuple<double, double, double>, std::set<std::tuple<double, double, double>>>
            normals;
        double lowest = 1e9;
        for (const Corner& c : corners(row.head)) {
            normals[{c.p.x, c.p.y, c.p.z}].insert({c.n.x, c.n.y, c.n.z});
            lowest = std::min(lowest, c.p.y);
        }
        int creased = 0;
        for (const auto& [p, ns] : normals) {
            if (ns.size() == 1) continue;
            ++creased;
            // Only a hoof's flat sole meets its wall at a crease, one normal each side.
            EXPECT_EQ(std::string(row.name), "hoofs");
            EXPECT_EQ(ns.size(), 2u) << row.name;
            EXPECT_EQ(std::get<1>(p), lowest) << row.name;
        }
        if (std::string(row.name) == "hoofs") {
            EXPECT_EQ(creased, 4 * 10);
        }
    }
}

TEST(CowModel, PartsHaveTheirConnectedPieces) {
    for (const PartRow& row : table) {
        Welded w = weld(corners(row.head));
        EXPECT_EQ(static_cast<int>(pieces(w).size()), row.pieces) << row.name;
    }
}

TEST(CowModel, PiecesSitWhereACowHasThem) {
    auto centres = [](const gllist* part) {
        Welded w = weld(corners(part));
        std::vector<V3> out;
        for (const auto& p : pieces(w)) out.push_back(centre(w, p));
        std::sort(out.begin(), out.end(), [](V3 a, V3 b) { return a.z < b.z; });
        return out;
    };
    // Face: eyes out to the sides, nostrils and the patch at the front, across the middle.
    std::vector<V3> face = centres(cow_face);
    EXPECT_LT(face.front().z, -0.4);
    EXPECT_GT(face.back().z, 0.4);
    EXPECT_LT(face.front().x, 5.1);
    for (int i = 1; i < 4; ++i) EXPECT_GT(face[i].x, 5.4);
    // Hoofs: one under each leg, a front pair and a rear pair.
    std::vector<V3> hoofs = centres(cow_hoofs);
    EXPECT_EQ(std::count_if(hoofs.begin(), hoofs.end(), [](V3 c) { return c.x > 1.8; }), 2);
    EXPECT_EQ(std::count_if(hoofs.begin(), hoofs.end(), [](V3 c) { return c.x < -2.5; }), 2);
    EXPECT_EQ(std::count_if(hoofs.begin(), hoofs.end(), [](V3 c) { return c.z > 0.8; }), 2);
    // Horns: one each side of the head.
    std::vector<V3> horns = centres(cow_horns);
    EXPECT_LT(horns[0].z, -0.3);
    EXPECT_GT(horns[1].z, 0.3);
    // Tail hangs behind, off to the -z side; the udder lies under the rear half.
    V3 tail = centres(cow_tail)[0];
    EXPECT_LT(tail.x, -3.9);
    EXPECT_LT(tail.z, 0);
    V3 udder = centres(cow_udder)[0];
    EXPECT_LT(udder.x, 0.78);
    EXPECT_LT(udder.y, -0.44);
}

TEST(CowModel, EveryPartButTheTailIsMirrorSymmetric) {
    for (const PartRow& row : table) {
        bool symmetric = mirrorSymmetric(corners(row.head), 1e-6);
        if (std::string(row.name) == "tail")
            EXPECT_FALSE(symmetric) << "the tail hangs to one side";
        else
            EXPECT_TRUE(symmetric) << row.name;
    }
}

}  // namespace
