// Drawing the development's many small polygons and lines with few GL calls.
//
// A development of a few thousand parts has tens of thousands of faces and flaps. Drawn one by one, each
// texture change ends a draw call, and the software renderer spends most of a frame starting them. Here
// the items of a layer are gathered into client arrays, one per texture, and each item is given a depth
// from its place in the drawing order: the depth test then lets a later item cover an earlier one exactly
// as drawing them one by one would, whatever order the batches go in.
#pragma once

#include <cstddef>
#include <map>
#include <vector>

namespace tsm {

struct BatchVertex {
    float xyz[3] = {0, 0, 0};
    float st[2] = {0, 0};
    float rgba[4] = {1, 1, 1, 1};
};

// Draws `vertices` as `mode` primitives (GL_TRIANGLES or GL_LINES) from client arrays, with texture
// coordinates when `textured`; large arrays go in pieces on primitive boundaries.
void DrawBatchVertices(unsigned mode, const std::vector<BatchVertex>& vertices, bool textured);

// Depths for the items of one layer in drawing order. Items are numbered from 0 within a chunk; a chunk
// holds as many items as the depth buffer can tell apart, and a new chunk clears the depth buffer, so
// that everything drawn before it stays underneath.
class DrawOrderDepths {
public:
    // `depthBits` of the current context's depth buffer. Without a usable depth buffer every item is
    // its own chunk, which draws correctly, one item at a time.
    // `limit` (0: none) lowers the chunk size.
    DrawOrderDepths(int depthBits, size_t limit);
    size_t ChunkSize() const { return chunkSize_; }
    // The z coordinate (in the raster projection's units) for item `index` of a chunk: later items lie
    // nearer, by a step the depth buffer keeps apart.
    float Z(size_t index) const;
    // Clears the depth buffer for a new chunk.
    static void StartChunk();

private:
    size_t chunkSize_ = 1;
    double step_ = 0.0;
};

// Triangles of opaque polygons, grouped by the texture they show (0: a plain colour per vertex).
class FillBatch {
public:
    // A convex polygon as a fan of triangles in the order GL splits a fan (first corner, i, i + 1).
    void AddFan(unsigned texture, const std::vector<BatchVertex>& corners);
    // Draws every group with the current depth state; texturing is left off afterwards.
    void Draw() const;
    // Empties the batch; the storage is kept for the next use.
    void Clear();

private:
    std::map<unsigned, std::vector<BatchVertex>> groups_;
    std::vector<std::vector<BatchVertex>> spare_;
};

} // namespace tsm
