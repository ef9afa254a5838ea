// What the glTF reader reads through: accessors checked against their buffers, vertex numbers, node
// transforms and the skins that place a skinned mesh's vertices.
#pragma once

#include <tiny_gltf.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

// Returns the failure (a message) of `call` when it failed.
#define GLTF_RETURN_IF_FAILED(call)                                                                          \
    do {                                                                                                     \
        std::string failure = call;                                                                          \
        if (!failure.empty()) return failure;                                                                \
    } while (false)

namespace tsm::gltf {

struct AccessorView {
    const uint8_t* data = nullptr;
    size_t stride = 0;
    size_t count = 0;
    int components = 0;
    int componentType = 0;
    bool normalized = false;

    double Get(size_t i, int c) const {
        const uint8_t* p = data + i * stride;
        switch (componentType) {
        case TINYGLTF_COMPONENT_TYPE_FLOAT: {
            float value;
            std::memcpy(&value, p + c * 4, 4);
            return value;
        }
        case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE:
            return normalized ? p[c] / 255.0 : p[c];
        case TINYGLTF_COMPONENT_TYPE_BYTE:
            return normalized ? std::max(int8_t(p[c]) / 127.0, -1.0) : int8_t(p[c]);
        case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT: {
            uint16_t value;
            std::memcpy(&value, p + c * 2, 2);
            return normalized ? value / 65535.0 : value;
        }
        case TINYGLTF_COMPONENT_TYPE_SHORT: {
            int16_t value;
            std::memcpy(&value, p + c * 2, 2);
            return normalized ? std::max(value / 32767.0, -1.0) : value;
        }
        case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT: {
            uint32_t value;
            std::memcpy(&value, p + c * 4, 4);
            return value;
        }
        }
        return 0;
    }

    // Element i's `components` numbers: floats, as nearly every position and texture coordinate is, read
    // without a turn through Get's cases for each.
    void GetAll(size_t i, double* out) const {
        if (componentType == TINYGLTF_COMPONENT_TYPE_FLOAT) {
            for (int c = 0; c < components; ++c) {
                float value;
                std::memcpy(&value, data + i * stride + size_t(c) * 4, 4);
                out[c] = value;
            }
            return;
        }
        for (int c = 0; c < components; ++c) out[c] = Get(i, c);
    }

    std::vector<uint8_t> dense; // the elements of a sparse accessor, which `data` then points into
};

int ComponentBytes(int type);

// The accessor's elements, each of `wantComponents` numbers, once they are all found inside their buffer
// view and the view inside its buffer (sparse accessors as a dense copy); else why not.
std::string View(const tinygltf::Model& model, int index, int wantComponents, AccessorView& view);

// A primitive's vertex numbers, read where they lie when the accessor holds them as whole numbers (as
// nearly every file does) rather than copied into a list of their own; converted once otherwise. Without
// an accessor, vertex i is corner i.
class IndexList {
public:
    explicit IndexList(size_t vertices) : count_(vertices) {}
    // False when a number is not that of a vertex.
    bool Read(const AccessorView& view, size_t vertices) {
        const bool whole =
            view.componentType == TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT ||
            (!view.normalized && (view.componentType == TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT ||
                                  view.componentType == TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE));
        count_ = view.count;
        if (whole) {
            data_ = view.data;
            stride_ = view.stride;
            bytes_ = ComponentBytes(view.componentType);
            for (size_t i = 0; i < count_; ++i)
                if ((*this)[i] >= vertices) return false;
            return true;
        }
        converted_.reserve(count_);
        for (size_t i = 0; i < count_; ++i) {
            const double value = view.Get(i, 0);
            if (value < 0 || value >= double(vertices)) return false;
            converted_.push_back(uint32_t(value));
        }
        return true;
    }
    size_t size() const { return count_; }
    uint32_t operator[](size_t i) const {
        if (!data_) return converted_.empty() ? uint32_t(i) : converted_[i];
        const uint8_t* p = data_ + i * stride_;
        if (bytes_ == 1) return p[0];
        if (bytes_ == 2) {
            uint16_t value;
            std::memcpy(&value, p, 2);
            return value;
        }
        uint32_t value;
        std::memcpy(&value, p, 4);
        return value;
    }

private:
    const uint8_t* data_ = nullptr;
    size_t stride_ = 0;
    int bytes_ = 0;
    size_t count_;
    std::vector<uint32_t> converted_;
};

// ---- Transforms: column-major 4 x 4, as glTF writes them ----

using Matrix = std::array<double, 16>;
constexpr Matrix kIdentity{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

Matrix Multiply(const Matrix& a, const Matrix& b);
Matrix LocalMatrix(const tinygltf::Node& node);
double Determinant3(const Matrix& m);

// Every node's transform in the scene: its parents' and its own (identity where the nodes loop or nest
// past `maxDepth`, which the scene's walk refuses anyway).
std::vector<Matrix> GlobalMatrices(const tinygltf::Model& model, int maxDepth);

// A skinned primitive's vertices placed as a viewer shows them: each by its joints' transforms, weighted,
// the skinned node's own transform ignored. Game and animation files pose their characters this way.
class SkinPlacement {
public:
    // Fails when the skin or an accessor is bad, or a vertex leans on a joint the skin does not have.
    // Without joints and weights the primitive is not skinned (Active() stays false).
    std::string Prepare(const tinygltf::Model& model, int skin, const std::vector<Matrix>& globals,
                        const tinygltf::Primitive& primitive, size_t vertices);
    bool Active() const { return !influences_.empty(); }
    Matrix At(size_t vertex) const;

private:
    std::vector<Matrix> joints_; // each joint's transform after its inverse bind matrix
    std::vector<std::pair<AccessorView, AccessorView>> influences_; // JOINTS_n, WEIGHTS_n
};

} // namespace tsm::gltf
