#include "tools/lib/Primitives.h"

#include <algorithm>
#include <array>
#include <map>
#include <utility>

namespace tsm {

namespace {

constexpr double kPi = 3.14159265358979323846;

Vec3 Unit(const Vec3& v) {
    const double length = Length(v);
    return length > 0 ? v / length : v;
}

// Newell's normal: robust for polygons with collinear corners.
Vec3 PolygonNormal(const MeshData& mesh, const std::vector<int>& face) {
    Vec3 n;
    for (size_t i = 0; i < face.size(); ++i) {
        const Vec3& a = mesh.vertices[face[i]];
        const Vec3& b = mesh.vertices[face[(i + 1) % face.size()]];
        n.x += (a.y - b.y) * (a.z + b.z);
        n.y += (a.z - b.z) * (a.x + b.x);
        n.z += (a.x - b.x) * (a.y + b.y);
    }
    return n;
}

// Convex shapes only: turns every face whose normal points towards the centroid.
void OrientOutward(MeshData& mesh) {
    Vec3 centre;
    for (const Vec3& v : mesh.vertices) centre = centre + v;
    centre = centre / double(mesh.vertices.size());
    for (auto& face : mesh.faces) {
        Vec3 faceCentre;
        for (int i : face) faceCentre = faceCentre + mesh.vertices[i];
        faceCentre = faceCentre / double(face.size());
        if (Dot(PolygonNormal(mesh, face), faceCentre - centre) < 0) std::reverse(face.begin(), face.end());
    }
}

} // namespace

MeshData Box(double sizeX, double sizeY, double sizeZ) {
    const double x = sizeX / 2, y = sizeY / 2, z = sizeZ / 2;
    MeshData mesh;
    mesh.vertices = {{-x, -y, -z}, {x, -y, -z}, {x, y, -z}, {-x, y, -z},
                     {-x, -y, z},  {x, -y, z},  {x, y, z},  {-x, y, z}};
    mesh.faces = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4}, {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}};
    return mesh;
}

MeshData Cube(double size) {
    return Box(size, size, size);
}

MeshData Tetrahedron(double edgeLength) {
    const double s = edgeLength / (2 * std::sqrt(2.0));
    MeshData mesh;
    mesh.vertices = {{s, s, s}, {s, -s, -s}, {-s, s, -s}, {-s, -s, s}};
    mesh.faces = {{0, 1, 2}, {0, 3, 1}, {0, 2, 3}, {1, 3, 2}};
    OrientOutward(mesh);
    return mesh;
}

MeshData Icosphere(int subdivisions, double radius) {
    const double t = (1 + std::sqrt(5.0)) / 2;
    MeshData mesh;
    mesh.vertices = {{-1, t, 0},  {1, t, 0},  {-1, -t, 0}, {1, -t, 0}, {0, -1, t},  {0, 1, t},
                     {0, -1, -t}, {0, 1, -t}, {t, 0, -1},  {t, 0, 1},  {-t, 0, -1}, {-t, 0, 1}};
    for (Vec3& v : mesh.vertices) v = Unit(v) * radius;
    mesh.faces = {{0, 11, 5},  {0, 5, 1},  {0, 1, 7},  {0, 7, 10}, {0, 10, 11}, {1, 5, 9}, {5, 11, 4},
                  {11, 10, 2}, {10, 7, 6}, {7, 1, 8},  {3, 9, 4},  {3, 4, 2},   {3, 2, 6}, {3, 6, 8},
                  {3, 8, 9},   {4, 9, 5},  {2, 4, 11}, {6, 2, 10}, {8, 6, 7},   {9, 8, 1}};
    OrientOutward(mesh);
    const int levels = std::clamp(subdivisions, 0, 7);
    for (int level = 0; level < levels; ++level) {
        std::map<std::pair<int, int>, int> midpoints; // ordered, so the vertex order is reproducible
        auto midpoint = [&](int a, int b) {
            const auto key = std::minmax(a, b);
            auto found = midpoints.find(key);
            if (found != midpoints.end()) return found->second;
            mesh.vertices.push_back(Unit(mesh.vertices[a] + mesh.vertices[b]) * radius);
            const int index = int(mesh.vertices.size()) - 1;
            midpoints.emplace(key, index);
            return index;
        };
        std::vector<std::vector<int>> finer;
        finer.reserve(mesh.faces.size() * 4);
        for (const auto& f : mesh.faces) {
            const int ab = midpoint(f[0], f[1]), bc = midpoint(f[1], f[2]), ca = midpoint(f[2], f[0]);
            finer.push_back({f[0], ab, ca});
            finer.push_back({f[1], bc, ab});
            finer.push_back({f[2], ca, bc});
            finer.push_back({ab, bc, ca});
        }
        mesh.faces = std::move(finer);
    }
    return mesh;
}

MeshData Subdivided(MeshData mesh, int times) {
    for (int level = 0; level < times; ++level) {
        std::map<std::pair<int, int>, int> midpoints;
        auto midpoint = [&](int a, int b) {
            const auto [found, added] = midpoints.emplace(std::minmax(a, b), int(mesh.vertices.size()));
            if (added) mesh.vertices.push_back((mesh.vertices[size_t(a)] + mesh.vertices[size_t(b)]) * 0.5);
            return found->second;
        };
        std::vector<std::vector<int>> finer;
        finer.reserve(mesh.faces.size() * 4);
        for (const auto& f : mesh.faces) {
            if (f.size() != 3) {
                finer.push_back(f);
                continue;
            }
            const int ab = midpoint(f[0], f[1]), bc = midpoint(f[1], f[2]), ca = midpoint(f[2], f[0]);
            finer.push_back({f[0], ab, ca});
            finer.push_back({f[1], bc, ab});
            finer.push_back({f[2], ca, bc});
            finer.push_back({ab, bc, ca});
        }
        mesh.faces = std::move(finer);
    }
    return mesh;
}

MeshData Cylinder(int segments, double radius, double height) {
    const int n = std::max(segments, 3);
    MeshData mesh;
    for (int ring = 0; ring < 2; ++ring) {
        const double z = ring == 0 ? -height / 2 : height / 2;
        for (int i = 0; i < n; ++i) {
            const double a = 2 * kPi * i / n;
            mesh.vertices.push_back({radius * std::cos(a), radius * std::sin(a), z});
        }
    }
    const int bottomCentre = 2 * n, topCentre = 2 * n + 1;
    mesh.vertices.push_back({0, 0, -height / 2});
    mesh.vertices.push_back({0, 0, height / 2});
    for (int i = 0; i < n; ++i) {
        const int j = (i + 1) % n;
        mesh.faces.push_back({i, j, n + j});
        mesh.faces.push_back({i, n + j, n + i});
    }
    for (int i = 0; i < n; ++i) mesh.faces.push_back({bottomCentre, (i + 1) % n, i});
    for (int i = 0; i < n; ++i) mesh.faces.push_back({topCentre, n + i, n + (i + 1) % n});
    return mesh;
}

MeshData Torus(int majorSegments, int minorSegments, double majorRadius, double minorRadius, bool triangles) {
    const int nu = std::max(majorSegments, 3), nv = std::max(minorSegments, 3);
    MeshData mesh;
    for (int i = 0; i < nu; ++i) {
        const double u = 2 * kPi * i / nu;
        for (int j = 0; j < nv; ++j) {
            const double v = 2 * kPi * j / nv;
            const double ring = majorRadius + minorRadius * std::cos(v);
            mesh.vertices.push_back({ring * std::cos(u), ring * std::sin(u), minorRadius * std::sin(v)});
        }
    }
    auto at = [nv, nu](int i, int j) { return (i % nu) * nv + (j % nv); };
    for (int i = 0; i < nu; ++i) {
        for (int j = 0; j < nv; ++j) {
            // Along u then v is counter-clockwise seen from outside the tube.
            const int a = at(i, j), b = at(i + 1, j), c = at(i + 1, j + 1), d = at(i, j + 1);
            if (triangles) {
                mesh.faces.push_back({a, b, c});
                mesh.faces.push_back({a, c, d});
            } else {
                mesh.faces.push_back({a, b, c, d});
            }
        }
    }
    return mesh;
}

MeshData Grid(int nx, int ny, double cell) {
    nx = std::max(nx, 1);
    ny = std::max(ny, 1);
    MeshData mesh;
    for (int j = 0; j <= ny; ++j)
        for (int i = 0; i <= nx; ++i) mesh.vertices.push_back({i * cell, j * cell, 0});
    auto at = [nx](int i, int j) { return j * (nx + 1) + i; };
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i)
            mesh.faces.push_back({at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)});
    return mesh;
}

MeshData Prism(double depth, double width, double height) {
    const double x = depth / 2, y = width / 2;
    MeshData mesh;
    mesh.vertices = {{-x, -y, 0}, {x, -y, 0}, {x, y, 0}, {-x, y, 0}, {-x, 0, height}, {x, 0, height}};
    mesh.faces = {{0, 3, 2, 1}, {0, 1, 5, 4}, {2, 3, 4, 5}, {0, 4, 3}, {1, 2, 5}};
    OrientOutward(mesh);
    return mesh;
}

MeshData Gear(int teeth, double rootRadius, double tipRadius, double thickness) {
    const int n = 4 * std::max(teeth, 3);
    MeshData mesh;
    // Root, flank up, tip, flank down: each tooth's four profile corners, its tip half a pitch wide.
    for (int ring = 0; ring < 2; ++ring)
        for (int i = 0; i < n; ++i) {
            const double a = 2 * kPi * (i / 4 + std::array<double, 4>{0.0, 0.2, 0.45, 0.65}[i % 4]) / (n / 4);
            const double r = i % 4 == 1 || i % 4 == 2 ? tipRadius : rootRadius;
            mesh.vertices.push_back(
                {r * std::cos(a), r * std::sin(a), ring == 0 ? -thickness / 2 : thickness / 2});
        }
    const int bottom = 2 * n, top = 2 * n + 1;
    mesh.vertices.push_back({0, 0, -thickness / 2});
    mesh.vertices.push_back({0, 0, thickness / 2});
    for (int i = 0; i < n; ++i) {
        const int j = (i + 1) % n;
        mesh.faces.push_back({i, j, n + j});
        mesh.faces.push_back({i, n + j, n + i});
        mesh.faces.push_back({bottom, j, i});
        mesh.faces.push_back({top, n + i, n + j});
    }
    return mesh;
}

MeshData TrefoilTube(int segments, int sides, double scale, double tubeRadius) {
    const int nu = std::max(segments, 8), nv = std::max(sides, 3);
    MeshData mesh;
    for (int i = 0; i < nu; ++i) {
        const double t = 2 * kPi * i / nu;
        const Vec3 c{std::sin(t) + 2 * std::sin(2 * t), std::cos(t) - 2 * std::cos(2 * t), -std::sin(3 * t)};
        const Vec3 d{std::cos(t) + 4 * std::cos(2 * t), -std::sin(t) + 4 * std::sin(2 * t),
                     -3 * std::cos(3 * t)};
        const Vec3 dd{-std::sin(t) - 8 * std::sin(2 * t), -std::cos(t) + 8 * std::cos(2 * t),
                      9 * std::sin(3 * t)};
        // The Frenet frame closes on itself after one turn, which a transported frame would not.
        const Vec3 tangent = Unit(d), binormal = Unit(Cross(d, dd)), normal = Cross(binormal, tangent);
        for (int j = 0; j < nv; ++j) {
            const double v = 2 * kPi * j / nv;
            mesh.vertices.push_back(c * scale + (normal * std::cos(v) + binormal * std::sin(v)) * tubeRadius);
        }
    }
    const auto at = [nu, nv](int i, int j) { return (i % nu) * nv + (j % nv); };
    for (int i = 0; i < nu; ++i)
        for (int j = 0; j < nv; ++j) {
            // The rings turn by the right hand about the curve, so around a ring first is counter-clockwise
            // as seen from outside.
            const int a = at(i, j), b = at(i + 1, j), c = at(i + 1, j + 1), d = at(i, j + 1);
            mesh.faces.push_back({a, d, c});
            mesh.faces.push_back({a, c, b});
        }
    return mesh;
}

MeshData Stellated(const MeshData& mesh, double height) {
    MeshData star;
    star.vertices = mesh.vertices;
    for (const auto& face : mesh.faces) {
        if (face.size() != 3) {
            star.faces.push_back(face);
            continue;
        }
        const Vec3 a = mesh.vertices[face[0]], b = mesh.vertices[face[1]], c = mesh.vertices[face[2]];
        const Vec3 n = Cross(b - a, c - a);
        const Vec3 apex = (a + b + c) / 3 + n * (height / Length(n));
        const int top = static_cast<int>(star.vertices.size());
        star.vertices.push_back(apex);
        for (int k = 0; k < 3; ++k) star.faces.push_back({face[k], face[(k + 1) % 3], top});
    }
    return star;
}

MeshData Translated(MeshData mesh, const Vec3& offset) {
    for (Vec3& v : mesh.vertices) v = v + offset;
    return mesh;
}

MeshData Together(MeshData a, const MeshData& b) {
    const int shift = static_cast<int>(a.vertices.size());
    a.vertices.insert(a.vertices.end(), b.vertices.begin(), b.vertices.end());
    for (std::vector<int> face : b.faces) {
        for (int& v : face) v += shift;
        a.faces.push_back(std::move(face));
    }
    return a;
}

} // namespace tsm
