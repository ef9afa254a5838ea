// The steps that complete a model while and after it is read: topology, extents, line classification.
//
// They belong to the engine, which builds on the model; the readers and the open pipeline live below the
// engine and reach these steps only through this interface. engine/EngineCompletion.h provides the real
// implementation, which every caller of the readers passes in.
#pragma once

#include "model/Document.h"
#include "model/Prompt.h"

namespace tsm {

class IModelCompletion {
public:
    virtual ~IModelCompletion() = default;

    // Topology, after each face and edge and per solid.
    virtual void LinkFaceRing(Face& face) = 0;
    virtual void ComputeFacePlane(Face& face) = 0;
    virtual void UpdateEdgeGeometry(Edge& edge) = 0;
    virtual void RebuildVertexIncidence(Solid& solid) = 0;
    // Whole model.
    virtual void ComputeBounds(Mesh& model) = 0;
    virtual void FindSymmetricEdges(Mesh& model) = 0;
    virtual void AutoFlapAnglesAll(Mesh& model) = 0;
    // Development.
    virtual void ComputePartExtent(Part& part) = 0;
    virtual void ComputeDevelopmentExtent(Development& development, bool recomputeParts) = 0;
    // Returns the factor applied; the caller scales its default flap height by it.
    virtual double ScaleDevelopment(Development& development, double targetScale, bool scaleTexts) = 0;
    virtual void ClassifyPartLines(Development& development, Mesh& model, const DisplaySettings& display) = 0;
    // The same for one part, as the whole classification reaches it: the parts before it classified with
    // the same values, `nextEdgeId` carried on from them, every edge numbered -1 before the first.
    virtual void ClassifyPartLines(Part& part, const DisplaySettings& display, int& nextEdgeId) = 0;
};

} // namespace tsm
