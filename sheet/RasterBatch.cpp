#include "sheet/RasterBatch.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

namespace tsm {

namespace {

// The raster projection maps z in [-1000, 1000] to window depths [1, 0].
constexpr double kProjectionDepthRange = 2000.0;
constexpr double kProjectionNearZ = 1000.0;
// Vertices per draw call: multiples of the primitive's vertex count, so pieces end on primitive
// boundaries, and small enough that the renderer's copy of a client array stays modest.
constexpr size_t kVerticesPerCall = 6 * 8192;
// Smoothed lines become triangles one by one in the software renderer, and each time its small output
// buffer fills it walks every vertex of the call again: the cost of a call grows with the square of its
// length. Calls of about a thousand vertices measured fastest.
constexpr size_t kLineVerticesPerCall = 1024;

} // namespace

void DrawBatchVertices(unsigned mode, const std::vector<BatchVertex>& vertices, bool textured) {
    if (vertices.empty()) return;
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    const GLsizei stride = sizeof(BatchVertex);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    if (textured)
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    else
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    const size_t perCall = mode == GL_LINES ? kLineVerticesPerCall : kVerticesPerCall;
    for (size_t first = 0; first < vertices.size(); first += perCall) {
        const size_t count = std::min(perCall, vertices.size() - first);
        const BatchVertex* v = vertices.data() + first;
        glVertexPointer(3, GL_FLOAT, stride, v->xyz);
        glColorPointer(4, GL_FLOAT, stride, v->rgba);
        if (textured) glTexCoordPointer(2, GL_FLOAT, stride, v->st);
        glDrawArrays(GLenum(mode), 0, GLsizei(count));
    }
    glPopClientAttrib();
}

DrawOrderDepths::DrawOrderDepths(int depthBits, size_t limit) {
    // Items sit 16 depth units apart, so that rounding of the projection never brings two together, and
    // stay in the nearer half of the range.
    if (depthBits < 12) return;
    const int bits = std::min(depthBits, 24); // float depths carry no more
    step_ = std::ldexp(1.0, -(bits - 4));
    chunkSize_ = (size_t(1) << (bits - 5)) - 1;
    if (limit > 0) chunkSize_ = std::min(chunkSize_, limit);
}

float DrawOrderDepths::Z(size_t index) const {
    // Window depth (index + 1) x step, with later items deeper in the window's terms; the layers draw
    // them with GL_GREATER so the deepest wins.
    return float(kProjectionNearZ - kProjectionDepthRange * double(index + 1) * step_);
}

void DrawOrderDepths::StartChunk() {
    // A clear writes only where the depth mask lets it.
    glDepthMask(GL_TRUE);
    glClearDepth(0.0);
    glClear(GL_DEPTH_BUFFER_BIT);
}

void FillBatch::AddFan(unsigned texture, const std::vector<BatchVertex>& corners) {
    if (corners.size() < 3) return;
    auto found = groups_.find(texture);
    if (found == groups_.end()) {
        std::vector<BatchVertex> storage;
        if (!spare_.empty()) {
            storage = std::move(spare_.back());
            spare_.pop_back();
        }
        found = groups_.emplace(texture, std::move(storage)).first;
    }
    std::vector<BatchVertex>& group = found->second;
    for (size_t i = 1; i + 1 < corners.size(); ++i) {
        group.push_back(corners[0]);
        group.push_back(corners[i]);
        group.push_back(corners[i + 1]);
    }
}

void FillBatch::Clear() {
    for (auto& entry : groups_) {
        entry.second.clear();
        spare_.push_back(std::move(entry.second));
    }
    groups_.clear();
}

void FillBatch::Draw() const {
    for (const auto& [texture, vertices] : groups_) {
        if (texture != 0) {
            glEnable(GL_TEXTURE_2D);
            glBindTexture(GL_TEXTURE_2D, texture);
        } else {
            glDisable(GL_TEXTURE_2D);
        }
        DrawBatchVertices(GL_TRIANGLES, vertices, texture != 0);
    }
    glDisable(GL_TEXTURE_2D);
}

} // namespace tsm
