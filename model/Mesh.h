// The 3D half of a papercraft model: solids, their vertices, faces, corners (half-edges) and edges, and
// the materials with their textures.
//
// Ownership is strictly downward and in file order: the model owns solids and materials, a solid owns its
// vertices, faces and edges, a face owns its corners. Every other link is a plain non-owning pointer, and
// an index stored in a file is a position in one of these arrays.
#pragma once

#include "model/Geometry.h"
#include "model/SmallList.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace tsm {

struct Edge;
struct Face;
struct HalfEdge;
struct Mesh;
struct Part;
struct PartLine;
struct Solid;
struct Document;

// Set on a record (vertex, corner, face, edge, part line) that lives in its owner's blocks (see
// `RecordBlocks`) rather than on its own on the heap. Copying a record's values never copies where it lives.
class RecordHome {
public:
    RecordHome() = default;
    RecordHome(const RecordHome&) {}
    RecordHome& operator=(const RecordHome&) { return *this; }
    bool inBlock = false;
};
using CornerHome = RecordHome;

struct Vertex {
    Vec3 position; // model units, as stored
    int index = 0; // running number over all solids (Join Adjacent Isolated Edges)
    bool deleted = false;
    RecordHome home;
    std::vector<HalfEdge*> outgoing; // corners whose half-edge starts here
};

// One corner of one face, directed along the face boundary from `vertex` to `next->vertex`. The members are
// ordered so that no padding falls between them: a large model holds millions of corners.
struct HalfEdge {
    Edge* edge = nullptr;
    Vertex* vertex = nullptr;
    Face* face = nullptr;
    HalfEdge* twin = nullptr;
    HalfEdge* next = nullptr;
    PartLine* line = nullptr;
    double u = 0, v = 0;                    // texture coordinates
    double x2d = 0, y2d = 0;                // development position, mm, relative to the part's box
    Vec3 displayPos;                        // 3D position as drawn, moved apart at cut edges
    double flapHeight = 5.0;                // mm
    double flapAngle1 = 0.7853981633974483; // radians, base angle at the end of the edge
    double flapAngle2 = 0.7853981633974483; // radians, base angle at the start of the edge
    float flapColor[3] = {0, 0, 0};
    float sideColor[3] = {0, 0, 0};
    bool hasFlap = false;
    bool foldShown = false;
    // Set on both sides while the edge stays folded in the development, clear where it is cut. A flag
    // rather than a second link to the twin: the partner is always the twin.
    bool joinsTwin = false;
    RecordHome home;

    Point2 Pos2D() const { return {x2d, y2d}; }
    // The corner this one is joined to in the development, or null where the edge is cut.
    HalfEdge* Joined() const { return joinsTwin ? twin : nullptr; }
};
static_assert(sizeof(void*) != 8 || sizeof(HalfEdge) <= 160, "a corner record grew past its memory budget");

// Frees a record that was allocated on its own; one in its solid's blocks goes with the blocks.
template <typename Record> struct RecordRelease {
    RecordRelease() = default;
    RecordRelease(std::default_delete<Record>) {} // so that a std::unique_ptr<Record> converts
    void operator()(Record* record) const {
        if (record && !record->home.inBlock) delete record;
    }
};
using CornerRelease = RecordRelease<HalfEdge>;
using CornerPtr = std::unique_ptr<HalfEdge, RecordRelease<HalfEdge>>;

// Records made together, as a file's reader makes them, in a few blocks instead of one allocation each.
// A record from a block must not outlive the blocks.
template <typename Record, size_t kMinBlock> class RecordBlocks {
public:
    RecordBlocks() = default;
    RecordBlocks(const RecordBlocks&) = delete;
    RecordBlocks& operator=(const RecordBlocks&) = delete;
    ~RecordBlocks() {
        for (const Block& block : blocks_) {
            for (size_t i = 0; i < block.used; ++i) block.records[i].~Record();
            std::allocator<Record>().deallocate(block.records, block.capacity);
        }
    }

    // `expected` is how many more records the caller is about to make (a guess is fine: a larger block
    // follows when it runs out).
    Record* Take(size_t expected) {
        if (blocks_.empty() || blocks_.back().used == blocks_.back().capacity) {
            // The smallest block keeps a one-by-one caller from allocating per record; the guess, capped
            // so that a damaged count cannot reserve without bound, saves blocks on the common path.
            constexpr size_t kMaxBlock = size_t(1) << 16;
            const size_t size = std::clamp(expected, kMinBlock, kMaxBlock);
            blocks_.reserve(blocks_.size() + 1);
            blocks_.push_back({std::allocator<Record>().allocate(size), 0, size});
        }
        // Each record is made as it is taken, so that its memory is written while the caller is about to
        // fill it in rather than in a pass over the whole block first. Made by its members' own initialisers
        // (every record member has one) rather than cleared first: clearing a 160-byte corner took a string
        // instruction whose start-up cost three times what the members' stores cost.
        Block& block = blocks_.back();
        Record* record = new (block.records + block.used) Record;
        ++block.used;
        record->home.inBlock = true;
        return record;
    }
    size_t BlockCount() const { return blocks_.size(); }

private:
    struct Block {
        Record* records;
        size_t used;     // made from the start of the block
        size_t capacity; // room for this many
    };
    std::vector<Block> blocks_;
};

struct Face {
    Solid* solid = nullptr;
    SmallList<CornerPtr, 4> halfEdges; // corners in ring order
    Part* part = nullptr;
    double plane[4] = {0, 0, 0, 0}; // unit normal and offset d, normal . p + d = 0
    int materialIndex = -1;
    int partIndex = -1;
    bool visited = false; // scratch flag of flood fills (flat groups, unfolding)
    bool picked = false;  // marked by the corresponding-face check
    bool placed = false;  // scratch flag of the unfolder
    RecordHome home;      // beside the flags, where it costs no padding
    // Where the undo copies last found this face in its solid's list; a hint they check before use.
    mutable int32_t solidIndexHint = -1;

    Vec3 Normal() const { return {plane[0], plane[1], plane[2]}; }
    size_t CornerCount() const { return halfEdges.size(); }
    HalfEdge* Corner(size_t i) const { return halfEdges[i].get(); }
};

// The corner before `corner` in its face's ring: the one whose `next` it is. Rings are short (mostly three
// corners), so walking on costs less than a backward link in every corner. Null when the ring does not come
// back to `corner` within its face's corner count (not linked yet, or damaged).
inline HalfEdge* PreviousCorner(const HalfEdge& corner) {
    if (corner.face == nullptr) return nullptr;
    HalfEdge* k = corner.next;
    for (size_t left = corner.face->halfEdges.size(); k != nullptr && left > 0; --left, k = k->next)
        if (k->next == &corner) return k;
    return nullptr;
}

// The user's mark on an edge for the unfolding, kept in the model files.
enum class EdgeClass : int32_t {
    Free = 0,
    MarkedOpen = 1,   // always cut
    MarkedJoined = 2, // joined before any other edge unless that overlaps
};

struct Edge {
    HalfEdge* halfEdge1 = nullptr;
    HalfEdge* halfEdge2 = nullptr; // null on an open edge
    Vertex* vertex1 = nullptr;
    Vertex* vertex2 = nullptr;
    Edge* symmetricEdge = nullptr; // mirror image across x = 0
    double length = 0;             // model units
    double foldAngle = 0;          // degrees, 180 flat, 0 for an open edge
    int edgeId = -1;
    EdgeClass edgeClass = EdgeClass::Free;
    bool foldSense = true; // true: mountain
    bool edgeFlag = false;
    bool typeFlag = false;
    bool mark = false;
    RecordHome home;
};
static_assert(sizeof(void*) != 8 || sizeof(Edge) <= 72, "an edge record grew past its memory budget");

using VertexPtr = std::unique_ptr<Vertex, RecordRelease<Vertex>>;
using FacePtr = std::unique_ptr<Face, RecordRelease<Face>>;
using EdgePtr = std::unique_ptr<Edge, RecordRelease<Edge>>;

struct Solid {
    Mesh* model = nullptr;
    std::string name;
    // Declared before the lists whose records may live in them, so that the lists go first, and the
    // corners' blocks before the faces' whose corner lists they feed.
    RecordBlocks<Vertex, 16> vertexBlocks;
    RecordBlocks<HalfEdge, 64> cornerBlocks;
    RecordBlocks<Face, 16> faceBlocks;
    RecordBlocks<Edge, 16> edgeBlocks;
    std::vector<VertexPtr> vertices;
    std::vector<FacePtr> faces;
    std::vector<EdgePtr> edges;
    bool inDevelopment = true;
    bool shown = true;
};

// Tells images apart for caches that outlive them: an image made after another was freed may sit at the
// old one's address with its pixels where the old pixels were. Every image, and every copy, has its own.
class ImageSerial {
public:
    ImageSerial() : value_(Next()) {}
    ImageSerial(const ImageSerial&) : value_(Next()) {}
    ImageSerial& operator=(const ImageSerial&) {
        value_ = Next();
        return *this;
    }
    uint64_t Value() const { return value_; }

private:
    static uint64_t Next() {
        static std::atomic<uint64_t> last{0};
        return ++last;
    }
    uint64_t value_;
};

// Pixels are R, G, B bytes, rows top to bottom, packed without gaps.
struct TextureImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> pixels;
    ImageSerial serial;
};

// A 24-bit device-independent bitmap: rows bottom-up, B, G, R per pixel, each row padded to 4 bytes.
struct Bitmap24 {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> bits;
    ImageSerial serial;
    int32_t Stride() const { return (width * 3 + 3) & ~3; }
};

struct Material {
    float ambient[4] = {1, 1, 1, 1};
    float diffuse[4] = {1, 1, 1, 1};
    float emission[4] = {0, 0, 0, 1};
    float specular[4] = {0, 0, 0, 1};
    float shininess = 0;
    float flatColor[3] = {1, 1, 1};
    std::unique_ptr<TextureImage> texture;
    std::string name;
    std::string textureFileName;
    int32_t imageWidth = 0;
    int32_t imageHeight = 0;
    std::unique_ptr<Bitmap24> bitmap;

    Material() = default;
    Material(const Material&) = delete;
    Material& operator=(const Material&) = delete;

    // Copies the colours only (no texture or bitmap).
    void CopyColoursFrom(const Material& other);
};

struct Mesh {
    std::vector<std::unique_ptr<Solid>> solids;
    std::vector<std::unique_ptr<Material>> materials;
    Material defaultMaterial;
    Material greyMaterial;
    Vec3 center;
    int dominantAxis = 1;
    Vec3 boundsMin;
    Vec3 boundsMax;
    double size = 0;
    Document* document = nullptr;
    Material* highlightMaterial = nullptr;
    // The edges' mirror partners (`symmetricEdge`) are still to be paired. Opening leaves that to the
    // first unfolding or detailed report that reads them: a large model pairs in a third of its open time,
    // and most opens never unfold.
    bool symmetricEdgesPending = false;

    explicit Mesh(Document* doc = nullptr);

    Solid* AppendSolid(std::unique_ptr<Solid> solid);
    Material* AppendMaterial(std::unique_ptr<Material> material);
};

// Appends an edge record as the model files store it: its sides point back to it, two sides are twins,
// and `joined` keeps them connected in the development.
Edge& AppendEdge(Solid& solid, HalfEdge* side1, HalfEdge* side2, Vertex* vertex1, Vertex* vertex2,
                 bool joined);

// A new corner, vertex, face or edge from `solid`'s blocks. `expected` is how many more the caller is about
// to make (a guess is fine: a larger block follows when it runs out).
CornerPtr NewCorner(Solid& solid, size_t expected);
VertexPtr NewVertex(Solid& solid, size_t expected);
FacePtr NewFace(Solid& solid, size_t expected);
EdgePtr NewEdge(Solid& solid, size_t expected);

// The first corner of `face` whose vertex is `vertex`, or null.
HalfEdge* FindCorner(const Face& face, const Vertex* vertex);

} // namespace tsm
