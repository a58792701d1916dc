// Invariants of the built-in cow, checked on the data compiled into the program.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <numeric>
#include <set>
#include <string>
#include <vector>

#include "model/gllist.h"

namespace {

using V3 = std::array<double, 3>;
V3 operator-(V3 a, V3 b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
V3 operator+(V3 a, V3 b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
V3 operator*(V3 a, double s) { return {a[0] * s, a[1] * s, a[2] * s}; }
double dot(V3 a, V3 b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
V3 cross(V3 a, V3 b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

struct Part {
    std::string name;
    const gllist* const* slot;
    int points;
    V3 lo, hi;
    int pieces;
    std::vector<V3> positions = {}, normals = {};  // per corner
    // Triangles as indices into the part's distinct positions: the drawn data
    // repeats a shared corner in every triangle that uses it.
    std::vector<V3> welded = {};
    std::vector<std::array<int, 3>> triangles = {};

    void load() {
        std::map<V3, int> index;
        const gllist* head = *slot;
        for (int i = 0; i < head->points; ++i) {
            const float* v = head->data + 6 * i;
            normals.push_back({v[0], v[1], v[2]});
            positions.push_back({v[3], v[4], v[5]});
            auto [it, fresh] = index.try_emplace(positions.back(), int(welded.size()));
            if (fresh) welded.push_back(positions.back());
            if (i % 3 == 0) triangles.push_back({});
            triangles.back()[i % 3] = it->second;
        }
    }
    // Each connected piece (triangles sharing a position belong together):
    // its centre, and the volume its triangles wind around that centre,
    // signed and unsigned.
    struct Piece {
        V3 centre;
        double volume, unsigned_volume;
    };
    std::vector<Piece> pieceList() const {
        std::vector<int> parent(welded.size());
        std::iota(parent.begin(), parent.end(), 0);
        auto root = [&](int v) {
            while (parent[v] != v) v = parent[v] = parent[parent[v]];
            return v;
        };
        for (const auto& t : triangles) parent[root(t[1])] = parent[root(t[2])] = root(t[0]);
        std::map<int, std::vector<std::array<int, 3>>> byRoot;
        for (const auto& t : triangles) byRoot[root(t[0])].push_back(t);
        std::vector<Piece> out;
        for (const auto& [r, ts] : byRoot) {
            Piece p{{}, 0, 0};
            for (const auto& t : ts)
                for (int v : t) p.centre = p.centre + welded[v] * (1.0 / (3 * ts.size()));
            for (const auto& t : ts) {
                V3 a = welded[t[0]] - p.centre, b = welded[t[1]] - p.centre,
                   c = welded[t[2]] - p.centre;
                p.volume += dot(a, cross(b, c)) / 6;
                p.unsigned_volume += std::fabs(dot(a, cross(b, c))) / 6;
            }
            out.push_back(p);
        }
        std::sort(out.begin(), out.end(),
                  [](const Piece& a, const Piece& b) { return a.centre[2] < b.centre[2]; });
        return out;
    }
};

const std::vector<Part>& parts() {
    static const std::vector<Part> all = [] {
        std::vector<Part> out = {
            {"face", &cow_face, 336, {4.8247, 0.9044, -0.6281}, {5.9981, 2.0160, 0.6281}, 5},
            {"hide", &cow_hide, 13050, {-3.9006, -3.2254, -1.7014}, {5.9981, 2.6069, 1.7014}, 1},
            {"hoofs", &cow_hoofs, 1032, {-3.2232, -3.6370, -1.3772}, {2.4402, -3.0119, 1.3772}, 4},
            {"horns", &cow_horns, 1020, {4.0785, 2.2604, -0.9894}, {5.0961, 2.7597, 0.9894}, 2},
            {"tail", &cow_tail, 459, {-4.4458, -2.0151, -0.2892}, {-3.5694, -0.1883, 0.1930}, 1},
            {"udder", &cow_udder, 1515, {-3.6998, -2.1768, -0.9710}, {-0.9532, 0.8377, 0.9710}, 1},
        };
        for (Part& p : out) p.load();
        return out;
    }();
    return all;
}

TEST(CowModel, PartsAreSingleTriangleRecordsInTableOrderWithTheTablesCountsAndBounds) {
    int total = 0;
    for (size_t i = 0; i < 6; ++i) {
        const Part& p = parts()[i];
        SCOPED_TRACE(p.name);
        EXPECT_EQ(all_objs[i], p.slot) << "drawing order picks the material";
        const gllist* head = *p.slot;
        EXPECT_EQ(head->format, 42u);
        EXPECT_EQ(head->primitive, GLenum(GL_TRIANGLES));
        EXPECT_EQ(head->points, p.points);
        EXPECT_EQ(head->next, nullptr);
        total += head->points;
        for (int axis = 0; axis < 3; ++axis) {
            auto [lo, hi] =
                std::minmax_element(p.positions.begin(), p.positions.end(),
                                    [axis](const V3& a, const V3& b) { return a[axis] < b[axis]; });
            EXPECT_NEAR((*lo)[axis], p.lo[axis], 0.0005) << "axis " << axis;
            EXPECT_NEAR((*hi)[axis], p.hi[axis], 0.0005) << "axis " << axis;
        }
    }
    EXPECT_EQ(total, 17412);
}

TEST(CowModel, NormalsAreUnitAndOnTheSideTheTrianglesAreWoundCounterClockwise) {
    for (const Part& p : parts()) {
        int bad = 0;
        for (size_t i = 0; i < p.positions.size(); i += 3) {
            V3 g = cross(p.positions[i + 1] - p.positions[i], p.positions[i + 2] - p.positions[i]);
            ASSERT_GT(dot(g, g), 1e-18) << p.name << ": zero-area triangle " << i / 3;
            for (size_t k = i; k < i + 3; ++k) {
                // In the stored single precision, as GL reads them.
                ASSERT_NEAR(std::sqrt(dot(p.normals[k], p.normals[k])), 1.0, 1e-6) << p.name;
                bad += dot(g, p.normals[k]) <= 0;
            }
        }
        EXPECT_EQ(bad, 0) << p.name << ": corners whose normal points against the winding";
    }
}

TEST(CowModel, SharedCornersShareOneNormalExceptWhereAHoofsSoleMeetsItsWall) {
    for (const Part& p : parts()) {
        std::map<V3, std::set<V3>> normals;
        double lowest = 1e9;
        for (size_t k = 0; k < p.positions.size(); ++k) {
            normals[p.positions[k]].insert(p.normals[k]);
            lowest = std::min(lowest, p.positions[k][1]);
        }
        int creased = 0;
        for (const auto& [position, ns] : normals) {
            if (ns.size() == 1) continue;
            ++creased;
            EXPECT_EQ(ns.size(), 2u) << p.name;
            EXPECT_EQ(position[1], lowest) << p.name << ": a crease off the sole";
        }
        EXPECT_EQ(creased, p.name == "hoofs" ? 4 * 10 : 0) << p.name;
    }
}

TEST(CowModel, PartsHaveTheirPiecesWhereACowHasThemEachWoundOutwardAroundItsCentre) {
    std::vector<std::vector<V3>> c;
    for (const Part& p : parts()) {
        c.emplace_back();
        for (const auto& piece : p.pieceList()) {
            c.back().push_back(piece.centre);
            // Mostly closed, so seen from inside nearly all of it winds one way: outward.
            EXPECT_GT(piece.volume, 0.5 * piece.unsigned_volume) << p.name;
        }
        EXPECT_EQ(std::ssize(c.back()), p.pieces) << p.name;
    }
    if (HasFailure()) return;
    // Ordered across the cow (by z). Face: eyes out to the sides; nostrils and
    // the patch at the front, across the middle.
    EXPECT_LT(c[0][0][2], -0.4);
    EXPECT_LT(c[0][0][0], 5.1);
    EXPECT_GT(c[0][4][2], 0.4);
    for (int i = 1; i < 4; ++i) EXPECT_GT(c[0][i][0], 5.4);
    // Hoofs: a front pair and a rear pair, two on each side.
    auto countOf = [](const std::vector<V3>& cs, auto test) {
        return std::count_if(cs.begin(), cs.end(), test);
    };
    EXPECT_EQ(countOf(c[2], [](V3 v) { return v[0] > 1.8; }), 2);
    EXPECT_EQ(countOf(c[2], [](V3 v) { return v[0] < -2.5; }), 2);
    EXPECT_EQ(countOf(c[2], [](V3 v) { return v[2] > 0.8; }), 2);
    // Horns one each side; the tail behind, off to -z; the udder under the rear half.
    EXPECT_LT(c[3][0][2], -0.3);
    EXPECT_GT(c[3][1][2], 0.3);
    EXPECT_LT(c[4][0][0], -3.9);
    EXPECT_LT(c[4][0][2], 0);
    EXPECT_LT(c[5][0][0], 0.78);
    EXPECT_LT(c[5][0][1], -0.44);
}

TEST(CowModel, EveryPartButTheTailIsMirrorSymmetric) {
    for (const Part& p : parts()) {
        // Each corner's mirror image about z = 0, normal and position, is a corner too.
        std::set<std::pair<V3, V3>> corners;
        for (size_t k = 0; k < p.positions.size(); ++k)
            corners.insert({p.positions[k], p.normals[k]});
        bool symmetric = std::all_of(corners.begin(), corners.end(), [&](const auto& c) {
            auto [q, n] = c;
            return corners.count({{q[0], q[1], -q[2]}, {n[0], n[1], -n[2]}}) > 0;
        });
        EXPECT_EQ(symmetric, p.name != "tail") << p.name;
    }
}

}  // namespace
