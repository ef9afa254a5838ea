// Vertex and face lists of simple shapes for fixtures, samples and benchmarks. Every closed shape has its
// faces counter-clockwise as seen from outside, so all of its convex edges are mountain folds.
#pragma once

#include "model/Geometry.h"

#include <vector>

namespace tsm {

struct MeshData {
    std::vector<Vec3> vertices;
    std::vector<std::vector<int>> faces;
};

// Axis-aligned cube centred on the origin: 8 vertices, 6 square faces.
MeshData Cube(double size);
// Axis-aligned box centred on the origin.
MeshData Box(double sizeX, double sizeY, double sizeZ);
// Regular tetrahedron centred on the origin with the given edge length.
MeshData Tetrahedron(double edgeLength);
// Icosahedron whose triangles are split into four `subdivisions` times, projected onto the sphere:
// 20 x 4^subdivisions triangles. Subdivisions are capped at 7.
MeshData Icosphere(int subdivisions, double radius);
// Closed cylinder along z centred on the origin with `segments` (at least 3) around: two triangles per
// side segment and triangle fans to the centres of both caps, 4 x segments triangles.
MeshData Cylinder(int segments, double radius, double height);
// Torus around z: majorSegments x minorSegments quads, or twice as many triangles.
MeshData Torus(int majorSegments, int minorSegments, double majorRadius, double minorRadius,
               bool triangles = false);
// Flat open sheet of nx x ny square cells in the plane z = 0, normals along +z.
MeshData Grid(int nx, int ny, double cell);
// Triangular prism along x: a gable roof whose ridge is `height` above its base of `width` x `depth`.
MeshData Prism(double depth, double width, double height);

// A spur gear along z: `teeth` (at least 3) flat-topped teeth between the root and tip radii, each cap a
// triangle fan from its centre and each side quad split in two: 16 x teeth triangles.
MeshData Gear(int teeth, double rootRadius, double tipRadius, double thickness);
// A tube of `sides` (at least 3) around the trefoil knot (x = sin t + 2 sin 2t, y = cos t - 2 cos 2t,
// z = -sin 3t, times `scale`) in `segments` (at least 8) rings: 2 x sides x segments triangles, genus 1.
MeshData TrefoilTube(int segments, int sides, double scale, double tubeRadius);
// Each triangle raised into a pyramid `height` above its centre (other faces kept): a star from a sphere.
MeshData Stellated(const MeshData& mesh, double height);

// Splits every triangle into four at its edge midpoints `times` times, the surface staying as it was
// (other faces are kept as they are): a dense scan of a coarse mesh.
MeshData Subdivided(MeshData mesh, int times);

// Moves every vertex by `offset`.
MeshData Translated(MeshData mesh, const Vec3& offset);
// Both shapes as one mesh of two surfaces: `b`'s vertices and faces after `a`'s.
MeshData Together(MeshData a, const MeshData& b);

} // namespace tsm
