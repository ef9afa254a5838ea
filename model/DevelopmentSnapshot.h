// Compact copies of a development for undo and redo. A copy holds, part by part, everything the editors
// change: the part's box, its faces with their corners' development fields (position, `joined`, flap,
// colours) and its line records; then the texts, the pictures, the development's own values and the
// document's default flap height and scale, which the layout commands change with it. Corners,
// faces and edges are named by their indices in their solid, so a copy outlives the pointers it was taken
// from as long as the model's topology stays the same.
//
// Parts are the unit of sharing: an edit changes a few parts, and a copy taken afterwards shares every
// unchanged part's bytes with the copies taken before (through `PartPool`), so fifty steps of a large
// development cost about one copy plus what the edits changed.
#pragma once

#include "model/Development.h"

#include <cstdint>

#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace tsm {

struct Document;

using PartBytes = std::shared_ptr<const std::string>;

// Finds a part's bytes already held by another copy, so that identical parts are stored once.
class PartPool {
public:
    PartBytes Intern(std::string bytes);
    // Bytes of the distinct parts still held by some copy.
    size_t HeldBytes() const;
    void Prune();

    // The face's position in its solid, remembered in the face between copies (a face keeps its place
    // until the model is rebuilt; a remembered position that no longer holds the face is learnt again).
    // -1 when the face has no solid or is not in it.
    static int32_t FaceIndex(const Face& face);

private:
    std::unordered_multimap<size_t, std::weak_ptr<const std::string>> byHash_;
};

struct DevelopmentSnapshot {
    std::vector<PartBytes> parts; // in development order
    std::string rest;             // texts, pictures, scale, side flag, frame

    // Bytes this copy holds, shared parts counted in full.
    size_t Bytes() const;
};

// The document must have a development.
DevelopmentSnapshot TakeDevelopmentSnapshot(const Document& document, PartPool& pool);

// Puts the copy back into the document's development. A part whose bytes the document's current state
// (`current`, a copy just taken of it) shares keeps its object, so pointers to unchanged parts stay
// valid. Every other part is rebuilt; drawn kinds come back as they were stored. The
// caller reruns the corner separation and the line classification, which derive from these fields.
// Returns false, changing nothing, when the copy does not fit the model (a solid, face, corner or edge
// index out of range).
bool RestoreDevelopmentSnapshot(Document& document, const DevelopmentSnapshot& snapshot,
                                const DevelopmentSnapshot& current);

} // namespace tsm
