// Shared pieces of the mesh reader tests: reading bytes into a fresh document, the committed meshes, and
// writers of binary STL and of PLY in its three encodings made here for the tests.
#pragma once

#include "model/MeshImport.h"
#include "tests/support/RecordingCompletion.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace tsm::test {

struct MeshRead {
    std::unique_ptr<Document> doc = std::make_unique<Document>();
    Result<MeshReadCounts> result = Outcome::Cancelled();

    const Solid& SolidAt(size_t i = 0) const { return *doc->model->solids.at(i); }
    size_t Faces() const { return Count(&Solid::faces); }
    size_t Vertices() const { return Count(&Solid::vertices); }
    template <typename List> size_t Count(List Solid::*list) const {
        size_t n = 0;
        for (auto& s : doc->model->solids) n += ((*s).*list).size();
        return n;
    }
};

inline MeshRead ReadMesh(const std::string& bytes, MeshFormat format, const std::string& name = "mesh") {
    MeshRead read;
    RecordingCompletion completion;
    read.result = ReadMeshBytes(bytes, name, format, *read.doc, &completion);
    return read;
}

inline std::string MeshDataDir() {
    return std::string(TESSALY_SOURCE_DIR) + "/tests/data/meshes/";
}

inline std::string LoadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct SimpleMesh {
    std::vector<Vec3> vertices;
    std::vector<std::vector<int>> faces;
};

// A unit cube of six outward quads.
inline SimpleMesh CubeMesh() {
    return {{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}},
            {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4}, {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}}};
}

inline void PutLE32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
inline void PutFloatLE(std::string& out, float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    PutLE32(out, bits);
}

// Binary STL: every face fanned into triangles, each triangle with its own copy of the corners.
inline std::string BinaryStl(const SimpleMesh& mesh, const std::string& header = "made by a test") {
    std::string out = header.substr(0, 80);
    out.resize(80, ' ');
    uint32_t count = 0;
    for (auto& f : mesh.faces) count += static_cast<uint32_t>(f.size() - 2);
    PutLE32(out, count);
    for (auto& f : mesh.faces)
        for (size_t i = 2; i < f.size(); ++i) {
            for (int k = 0; k < 3; ++k) PutFloatLE(out, 0.0f); // normal: readers must not rely on it
            for (int c : {f[0], f[i - 1], f[i]}) {
                const Vec3& p = mesh.vertices[static_cast<size_t>(c)];
                for (double v : {p.x, p.y, p.z}) PutFloatLE(out, static_cast<float>(v));
            }
            out.append(2, '\0');
        }
    return out;
}

enum class PlyEncoding { Ascii, Little, Big };

// PLY with double x y z, a uchar "quality" per vertex that readers skip, the faces as a uchar/int list,
// and a trailing "edge" element of two ints that readers skip too.
inline std::string WritePly(const SimpleMesh& mesh, PlyEncoding encoding) {
    std::string out = "ply\nformat ";
    out += encoding == PlyEncoding::Ascii    ? "ascii"
           : encoding == PlyEncoding::Little ? "binary_little_endian"
                                             : "binary_big_endian";
    out += " 1.0\ncomment made by a test\n";
    out += "element vertex " + std::to_string(mesh.vertices.size()) + "\n";
    out += "property double x\nproperty double y\nproperty uchar quality\nproperty double z\n";
    out += "element face " + std::to_string(mesh.faces.size()) + "\n";
    out += "property list uchar int vertex_indices\nproperty short flags\n";
    out += "element edge 1\nproperty int vertex1\nproperty int vertex2\nend_header\n";
    auto put = [&](const void* value, size_t size) {
        const auto* bytes = static_cast<const unsigned char*>(value);
        for (size_t i = 0; i < size; ++i)
            out.push_back(static_cast<char>(bytes[encoding == PlyEncoding::Big ? size - 1 - i : i]));
    };
    if (encoding == PlyEncoding::Ascii) {
        for (auto& v : mesh.vertices) {
            char line[128];
            std::snprintf(line, sizeof line, "%.17g %.17g 7 %.17g\n", v.x, v.y, v.z);
            out += line;
        }
        for (auto& f : mesh.faces) {
            out += std::to_string(f.size());
            for (int c : f) out += " " + std::to_string(c);
            out += " 3\n";
        }
        out += "0 1\n";
        return out;
    }
    const unsigned char quality = 7;
    for (auto& v : mesh.vertices) {
        put(&v.x, 8);
        put(&v.y, 8);
        put(&quality, 1);
        put(&v.z, 8);
    }
    for (auto& f : mesh.faces) {
        const unsigned char n = static_cast<unsigned char>(f.size());
        put(&n, 1);
        for (const int32_t index : f) put(&index, 4);
        const int16_t flags = 3;
        put(&flags, 2);
    }
    const int32_t ends[2] = {0, 1};
    put(ends, 4);
    put(ends + 1, 4);
    return out;
}

} // namespace tsm::test
