#include "model/GltfAccessors.h"

#include <algorithm>

namespace tsm::gltf {

namespace {

int ComponentsOf(int type) {
    switch (type) {
    case TINYGLTF_TYPE_SCALAR:
        return 1;
    case TINYGLTF_TYPE_VEC2:
        return 2;
    case TINYGLTF_TYPE_VEC3:
        return 3;
    case TINYGLTF_TYPE_VEC4:
        return 4;
    case TINYGLTF_TYPE_MAT4:
        return 16;
    }
    return 0;
}

// Checks that every element of the accessor lies inside its buffer view and the view inside its buffer.
std::string DenseView(const tinygltf::Model& model, const tinygltf::Accessor& accessor,
                      const std::string& name, int wantComponents, AccessorView& view) {
    view.components = ComponentsOf(accessor.type);
    view.componentType = accessor.componentType;
    view.normalized = accessor.normalized;
    const int componentBytes = ComponentBytes(accessor.componentType);
    if (view.components != wantComponents || componentBytes == 0) return name + " has the wrong type";
    if (accessor.bufferView < 0 || size_t(accessor.bufferView) >= model.bufferViews.size())
        return name + " has no buffer view";
    const tinygltf::BufferView& bufferView = model.bufferViews[size_t(accessor.bufferView)];
    if (bufferView.buffer < 0 || size_t(bufferView.buffer) >= model.buffers.size())
        return name + " refers to a buffer that does not exist";
    const std::vector<unsigned char>& buffer = model.buffers[size_t(bufferView.buffer)].data;
    const uint64_t elementBytes = uint64_t(componentBytes) * uint64_t(view.components);
    const uint64_t stride = bufferView.byteStride ? bufferView.byteStride : elementBytes;
    if (stride < elementBytes) return name + " has elements wider than their stride";
    const uint64_t viewStart = bufferView.byteOffset, viewLength = bufferView.byteLength;
    if (viewStart > buffer.size() || viewLength > buffer.size() - viewStart)
        return "the buffer view of " + name + " lies outside its buffer";
    const uint64_t count = accessor.count;
    if (count > 0) {
        if (accessor.byteOffset > viewLength || (count - 1) > (viewLength - accessor.byteOffset) / stride ||
            (count - 1) * stride + elementBytes > viewLength - accessor.byteOffset)
            return name + " reaches outside its buffer view";
    }
    view.data = buffer.data() + viewStart + accessor.byteOffset;
    view.stride = size_t(stride);
    view.count = size_t(count);
    return {};
}

// `length` bytes from `offset` on in the buffer view, or null when they do not lie inside it and its buffer.
const uint8_t* ViewBytes(const tinygltf::Model& model, int viewIndex, int64_t offset, uint64_t length) {
    if (viewIndex < 0 || size_t(viewIndex) >= model.bufferViews.size() || offset < 0) return nullptr;
    const tinygltf::BufferView& bufferView = model.bufferViews[size_t(viewIndex)];
    if (bufferView.buffer < 0 || size_t(bufferView.buffer) >= model.buffers.size()) return nullptr;
    const std::vector<unsigned char>& buffer = model.buffers[size_t(bufferView.buffer)].data;
    const uint64_t start = bufferView.byteOffset, viewLength = bufferView.byteLength;
    if (start > buffer.size() || viewLength > buffer.size() - start || uint64_t(offset) > viewLength ||
        length > viewLength - uint64_t(offset))
        return nullptr;
    return buffer.data() + start + uint64_t(offset);
}

// Elements of a sparse accessor without a base view start as zeros; this many at most.
constexpr size_t kMaxZeroedElements = size_t(1) << 22;

// A sparse accessor as a dense copy: its base view (zeros without one) with the listed elements replaced.
// Exporters write mesh edits and shape keys this way, positions and texture coordinates included.
std::string SparseView(const tinygltf::Model& model, const tinygltf::Accessor& accessor,
                       const std::string& name, int wantComponents, AccessorView& view) {
    view.components = ComponentsOf(accessor.type);
    view.componentType = accessor.componentType;
    view.normalized = accessor.normalized;
    const size_t elementBytes = size_t(ComponentBytes(accessor.componentType)) * size_t(view.components);
    if (view.components != wantComponents || elementBytes == 0) return name + " has the wrong type";
    if (accessor.bufferView >= 0) {
        AccessorView base;
        GLTF_RETURN_IF_FAILED(DenseView(model, accessor, name, wantComponents, base));
        view.dense.resize(base.count * elementBytes);
        for (size_t i = 0; i < base.count; ++i)
            std::memcpy(view.dense.data() + i * elementBytes, base.data + i * base.stride, elementBytes);
    } else {
        if (accessor.count > kMaxZeroedElements) return name + " has more elements than can be read";
        view.dense.assign(accessor.count * elementBytes, 0);
    }
    const auto& sparse = accessor.sparse;
    const int indexType = sparse.indices.componentType;
    if (indexType != TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE &&
        indexType != TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT &&
        indexType != TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT)
        return name + " has sparse indices of the wrong type";
    if (sparse.count < 1 || size_t(sparse.count) > accessor.count)
        return name + " has a sparse count outside 1 to its count";
    const uint64_t count = uint64_t(sparse.count);
    AccessorView indices;
    indices.componentType = indexType;
    indices.stride = size_t(ComponentBytes(indexType));
    indices.data =
        ViewBytes(model, sparse.indices.bufferView, sparse.indices.byteOffset, count * indices.stride);
    const uint8_t* values =
        ViewBytes(model, sparse.values.bufferView, sparse.values.byteOffset, count * elementBytes);
    if (!indices.data || !values) return "the sparse elements of " + name + " lie outside their buffer";
    for (size_t i = 0; i < count; ++i) {
        const double at = indices.Get(i, 0);
        if (at >= double(accessor.count)) return name + " has a sparse index past its elements";
        std::memcpy(view.dense.data() + size_t(at) * elementBytes, values + i * elementBytes, elementBytes);
    }
    view.data = view.dense.data();
    view.stride = elementBytes;
    view.count = accessor.count;
    return {};
}

} // namespace

std::string View(const tinygltf::Model& model, int index, int wantComponents, AccessorView& view) {
    const std::string name = "accessor " + std::to_string(index);
    if (index < 0 || size_t(index) >= model.accessors.size()) return name + " does not exist";
    const tinygltf::Accessor& accessor = model.accessors[size_t(index)];
    if (accessor.sparse.isSparse) return SparseView(model, accessor, name, wantComponents, view);
    return DenseView(model, accessor, name, wantComponents, view);
}

int ComponentBytes(int type) {
    switch (type) {
    case TINYGLTF_COMPONENT_TYPE_BYTE:
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE:
        return 1;
    case TINYGLTF_COMPONENT_TYPE_SHORT:
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT:
        return 2;
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT:
    case TINYGLTF_COMPONENT_TYPE_FLOAT:
        return 4;
    }
    return 0;
}

Matrix Multiply(const Matrix& a, const Matrix& b) {
    Matrix r{};
    for (int col = 0; col < 4; ++col)
        for (int row = 0; row < 4; ++row) {
            double sum = 0;
            for (int k = 0; k < 4; ++k) sum += a[size_t(k * 4 + row)] * b[size_t(col * 4 + k)];
            r[size_t(col * 4 + row)] = sum;
        }
    return r;
}

Matrix LocalMatrix(const tinygltf::Node& node) {
    Matrix m = kIdentity;
    if (node.matrix.size() == 16) {
        std::copy(node.matrix.begin(), node.matrix.end(), m.begin());
        return m;
    }
    double s[3] = {1, 1, 1}, q[4] = {0, 0, 0, 1}, t[3] = {0, 0, 0};
    if (node.scale.size() == 3) std::copy(node.scale.begin(), node.scale.end(), s);
    if (node.rotation.size() == 4) std::copy(node.rotation.begin(), node.rotation.end(), q);
    if (node.translation.size() == 3) std::copy(node.translation.begin(), node.translation.end(), t);
    const double x = q[0], y = q[1], z = q[2], w = q[3];
    const double r[9] = {1 - 2 * (y * y + z * z), 2 * (x * y + z * w),     2 * (x * z - y * w),
                         2 * (x * y - z * w),     1 - 2 * (x * x + z * z), 2 * (y * z + x * w),
                         2 * (x * z + y * w),     2 * (y * z - x * w),     1 - 2 * (x * x + y * y)};
    for (int col = 0; col < 3; ++col)
        for (int row = 0; row < 3; ++row) m[size_t(col * 4 + row)] = r[col * 3 + row] * s[col];
    m[12] = t[0];
    m[13] = t[1];
    m[14] = t[2];
    return m;
}

double Determinant3(const Matrix& m) {
    return m[0] * (m[5] * m[10] - m[9] * m[6]) - m[4] * (m[1] * m[10] - m[9] * m[2]) +
           m[8] * (m[1] * m[6] - m[5] * m[2]);
}

std::vector<Matrix> GlobalMatrices(const tinygltf::Model& model, int maxDepth) {
    const size_t n = model.nodes.size();
    std::vector<int> parent(n, -1);
    for (size_t p = 0; p < n; ++p)
        for (int child : model.nodes[p].children)
            if (child >= 0 && size_t(child) < n && parent[size_t(child)] < 0 && size_t(child) != p)
                parent[size_t(child)] = int(p);
    std::vector<Matrix> globals(n, kIdentity);
    std::vector<int> chain;
    for (size_t node = 0; node < n; ++node) {
        chain.clear();
        for (int at = int(node); at >= 0 && int(chain.size()) <= maxDepth; at = parent[size_t(at)])
            chain.push_back(at);
        if (int(chain.size()) > maxDepth) continue;
        Matrix m = kIdentity;
        for (auto at = chain.rbegin(); at != chain.rend(); ++at)
            m = Multiply(m, LocalMatrix(model.nodes[size_t(*at)]));
        globals[node] = m;
    }
    return globals;
}

std::string SkinPlacement::Prepare(const tinygltf::Model& model, int skin, const std::vector<Matrix>& globals,
                                   const tinygltf::Primitive& primitive, size_t vertices) {
    for (int set = 0;; ++set) {
        const auto joints = primitive.attributes.find("JOINTS_" + std::to_string(set));
        const auto weights = primitive.attributes.find("WEIGHTS_" + std::to_string(set));
        if (joints == primitive.attributes.end() || weights == primitive.attributes.end()) break;
        AccessorView j, w;
        GLTF_RETURN_IF_FAILED(View(model, joints->second, 4, j));
        GLTF_RETURN_IF_FAILED(View(model, weights->second, 4, w));
        if (j.normalized || (j.componentType != TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE &&
                             j.componentType != TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT))
            return "accessor " + std::to_string(joints->second) + " has the wrong type for joints";
        if (j.count != vertices || w.count != vertices)
            return "JOINTS_" + std::to_string(set) + " and WEIGHTS_" + std::to_string(set) +
                   " differ in count from POSITION";
        influences_.emplace_back(std::move(j), std::move(w));
    }
    if (influences_.empty()) return {};
    if (size_t(skin) >= model.skins.size()) return "skin " + std::to_string(skin) + " does not exist";
    const tinygltf::Skin& source = model.skins[size_t(skin)];
    AccessorView inverseBind;
    if (source.inverseBindMatrices >= 0) {
        GLTF_RETURN_IF_FAILED(View(model, source.inverseBindMatrices, 16, inverseBind));
        if (inverseBind.componentType != TINYGLTF_COMPONENT_TYPE_FLOAT ||
            inverseBind.count < source.joints.size())
            return "the inverse bind matrices of skin " + std::to_string(skin) + " do not fit its joints";
    }
    for (size_t k = 0; k < source.joints.size(); ++k) {
        const int node = source.joints[k];
        if (node < 0 || size_t(node) >= globals.size())
            return "skin " + std::to_string(skin) + " has a joint that is no node";
        Matrix bind = kIdentity;
        if (inverseBind.data) inverseBind.GetAll(k, bind.data());
        joints_.push_back(Multiply(globals[size_t(node)], bind));
    }
    for (const auto& [j, w] : influences_)
        for (size_t i = 0; i < vertices; ++i)
            for (int c = 0; c < 4; ++c)
                if (w.Get(i, c) != 0 && j.Get(i, c) >= double(joints_.size()))
                    return "a vertex of skin " + std::to_string(skin) + " leans on a joint it does not have";
    return {};
}

Matrix SkinPlacement::At(size_t vertex) const {
    Matrix m{};
    double total = 0;
    for (const auto& [j, w] : influences_)
        for (int c = 0; c < 4; ++c) {
            const double weight = w.Get(vertex, c);
            if (weight == 0) continue;
            const Matrix& joint = joints_[size_t(j.Get(vertex, c))];
            for (size_t e = 0; e < 16; ++e) m[e] += weight * joint[e];
            total += weight;
        }
    // Exporters round the weights; a vertex with none stays where it was bound.
    if (!(total > 0)) return kIdentity;
    for (double& e : m) e /= total;
    return m;
}

} // namespace tsm::gltf
