// Invariants of the built-in cow, checked on the data compiled into the program.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "model/gllist.h"

namespace {

using V3 = std::array<double, 3>;
V3 operator-(V3 a, V3 b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
double dot(V3 a, V3 b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
V3 cross(V3 a, V3 b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

struct Part {
    const char* name;
    const gllist* const* slot;
    int points;
    V3 lo, hi;
};
const Part kParts[6] = {
    {"face", &cow_face, 336, {4.8247, 0.9044, -0.6281}, {5.9981, 2.0160, 0.6281}},
    {"hide", &cow_hide, 13050, {-3.9006, -3.2254, -1.7014}, {5.9981, 2.6069, 1.7014}},
    {"hoofs", &cow_hoofs, 1032, {-3.2232, -3.6370, -1.3772}, {2.4402, -3.0119, 1.3772}},
    {"horns", &cow_horns, 1020, {4.0785, 2.2604, -0.9894}, {5.0961, 2.7597, 0.9894}},
    {"tail", &cow_tail, 459, {-4.4458, -2.0151, -0.2892}, {-3.5694, -0.1883, 0.1930}},
    {"udder", &cow_udder, 1515, {-3.6998, -2.1768, -0.9710}, {-0.9532, 0.8377, 0.9710}},
};

// Normal and position of corner i of a part, as GL reads them.
V3 at(const gllist* head, int i, int offset) {
    const float* v = head->data + 6 * i + offset;
    return {v[0], v[1], v[2]};
}
V3 normal(const gllist* head, int i) { return at(head, i, 0); }
V3 position(const gllist* head, int i) { return at(head, i, 3); }

TEST(CowModel, PartsAreSingleTriangleRecordsInTableOrderWithTheirCountsAndBounds) {
    for (int i = 0; i < 6; ++i) {
        const Part& p = kParts[i];
        SCOPED_TRACE(p.name);
        EXPECT_EQ(all_objs[i], p.slot) << "drawing order picks the material";
        const gllist* head = *p.slot;
        EXPECT_EQ(std::vector<long>({head->format, head->primitive, head->points}),
                  std::vector<long>({42, GL_TRIANGLES, p.points}));
        EXPECT_EQ(head->next, nullptr);
        V3 lo = position(head, 0), hi = lo;
        for (int k = 0; k < head->points; ++k)
            for (int a = 0; a < 3; ++a) {
                lo[a] = std::min(lo[a], position(head, k)[a]);
                hi[a] = std::max(hi[a], position(head, k)[a]);
            }
        for (int a = 0; a < 3; ++a) {
            EXPECT_NEAR(lo[a], p.lo[a], 0.0005) << "axis " << a;
            EXPECT_NEAR(hi[a], p.hi[a], 0.0005) << "axis " << a;
        }
    }
}

// Lit and culled right: unit normals on the side each triangle is wound
// towards, the whole wound outward (a positive volume seen from its middle), one
// normal per shared corner but at the hoofs' soles, and every corner mirrored
// about z = 0 but the tail's, which hangs to one side.
TEST(CowModel, NormalsAndWindingFaceOutwardSmoothlyAndMirrorButForTheTail) {
    for (const Part& p : kParts) {
        SCOPED_TRACE(p.name);
        const gllist* head = *p.slot;
        int against = 0;
        double volume = 0, lowest = 1e9;
        const V3 centre = {(p.lo[0] + p.hi[0]) / 2, (p.lo[1] + p.hi[1]) / 2,
                           (p.lo[2] + p.hi[2]) / 2};
        std::map<V3, std::set<V3>> normals;
        for (int i = 0; i < head->points; i += 3) {
            const V3 a = position(head, i), b = position(head, i + 1), c = position(head, i + 2);
            const V3 g = cross(b - a, c - a);
            ASSERT_GT(dot(g, g), 1e-18) << "zero-area triangle " << i / 3;
            volume += dot(a - centre, g);
            for (int k = i; k < i + 3; ++k) {
                ASSERT_NEAR(std::sqrt(dot(normal(head, k), normal(head, k))), 1.0, 1e-6);
                against += dot(g, normal(head, k)) <= 0;
                normals[position(head, k)].insert(normal(head, k));
                lowest = std::min(lowest, position(head, k)[1]);
            }
        }
        EXPECT_EQ(against, 0) << "corners whose normal points against the winding";
        EXPECT_GT(volume, 0) << "wound inward";
        size_t creased = 0, corners = 0, mirrored = 0;
        for (const auto& [q, ns] : normals) {
            creased += ns.size() == 1 ? 0 : ns.size() == 2 && q[1] == lowest ? 1 : 1000;
            auto twin = normals.find({q[0], q[1], -q[2]});
            for (const V3& n : ns)
                corners++,
                    mirrored += twin != normals.end() && twin->second.count({n[0], n[1], -n[2]});
        }
        EXPECT_EQ(creased, std::string(p.name) == "hoofs" ? 4 * 10u : 0u) << "only soles crease";
        EXPECT_EQ(mirrored == corners, std::string(p.name) != "tail");
    }
}

}  // namespace
