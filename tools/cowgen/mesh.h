#pragma once

#include <array>
#include <functional>
#include <vector>

#include "vec.h"

namespace cowgen {

// An indexed triangle mesh; triangles run counter-clockwise seen from outside.
struct Mesh {
    std::vector<Vec3> p;
    std::vector<std::array<int, 3>> t;
};

// A scalar field over space; the surface is where it is zero, outside where positive.
using Field = std::function<double(Vec3)>;

// Central-difference gradient of a field.
Vec3 gradient(const Field& f, Vec3 p);

// For each vertex, a representative of the connected piece it belongs to.
std::vector<int> pieces(const Mesh& m);

// Marching tetrahedra over the box lo..hi with grid step h. Nodes lie on
// lo + h * (i, j, k), so a box starting at z = 0 yields a half surface whose
// cut along z = 0 lies exactly on that plane.
Mesh polygonize(const Field& f, Vec3 lo, Vec3 hi, double h);

// Newton steps that move each vertex onto f's zero set; vertices on z = 0 stay there.
void projectOntoSurface(Mesh& m, const Field& f, int steps);

// Evens out the triangles: each inner vertex moves towards the middle of its
// neighbours, along the surface, unless that would turn a triangle over.
// Boundary and pinned vertices stay.
void relax(Mesh& m, const Field& f, int iterations, const std::vector<int>& pinned);

// Keeps the part of the surface where keep >= 0, cutting triangles along keep's zero.
Mesh slice(const Mesh& m, const Field& keep);

// Drops triangles that do not belong to the piece with the most triangles.
Mesh largestPiece(const Mesh& m);

// Drops vertices that no triangle uses.
void compact(Mesh& m);

// Quadric-error edge collapses down to exactly `target` triangles of the
// given surface, no triangle leaning far from it. Vertices only
// ever merge into a neighbour, so they stay on the original surface; boundary
// vertices only slide along their boundary, and where a boundary on z = 0 meets
// another boundary the vertex stays put. An importance field, where given,
// scales the cost of flattening small features there; pinned vertices stay.
// Throws when the target cannot be reached.
void decimate(Mesh& m, int target, const Field& surface, const Field& importance = {},
              const std::vector<int>& pinned = {});

// The half mesh (z >= 0) and its mirror image, welded along z = 0. mirror[i]
// is the index of vertex i's mirror image (itself on the plane).
struct Mirrored {
    Mesh mesh;
    std::vector<int> mirror;
};
Mirrored mirrorWeld(const Mesh& half);

// Smooth normals: each vertex gets the angle-weighted mean of its triangles'
// normals. Vertices that share a position but not an index keep separate
// normals (a crease).
std::vector<Vec3> vertexNormals(const Mesh& m);

// Makes mirrored normals exact mirror images (and plane normals lie in the plane).
void symmetrizeNormals(std::vector<Vec3>& n, const std::vector<int>& mirror);

// Axis-aligned bounds.
struct Box {
    Vec3 lo, hi;
};
Box bounds(const std::vector<Vec3>& points);

}  // namespace cowgen
