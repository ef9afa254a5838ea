// A completion that does nothing but note which step ran, in order; it lets reader tests see the calls and
// read files without the engine changing what was read.
#pragma once

#include "model/ModelCompletion.h"

#include <functional>
#include <string>
#include <vector>

namespace tsm::test {

class RecordingCompletion : public IModelCompletion {
public:
    std::vector<std::string> calls;
    // Runs inside ClassifyPartLines with the display values it was given, to look at the state the reader
    // left at that moment.
    std::function<void(const DisplaySettings&)> onClassify;

    void LinkFaceRing(Face&) override { calls.push_back("LinkFaceRing"); }
    void ComputeFacePlane(Face&) override { calls.push_back("ComputeFacePlane"); }
    void UpdateEdgeGeometry(Edge&) override { calls.push_back("UpdateEdgeGeometry"); }
    void RebuildVertexIncidence(Solid&) override { calls.push_back("RebuildVertexIncidence"); }
    void ComputeBounds(Mesh&) override { calls.push_back("ComputeBounds"); }
    void FindSymmetricEdges(Mesh&) override { calls.push_back("FindSymmetricEdges"); }
    void AutoFlapAnglesAll(Mesh&) override { calls.push_back("AutoFlapAnglesAll"); }
    void ComputePartExtent(Part&) override { calls.push_back("ComputePartExtent"); }
    void ComputeDevelopmentExtent(Development&, bool) override {
        calls.push_back("ComputeDevelopmentExtent");
    }
    double ScaleDevelopment(Development&, double, bool) override {
        calls.push_back("ScaleDevelopment");
        return 1.0;
    }
    void ClassifyPartLines(Development&, Mesh&, const DisplaySettings& display) override {
        calls.push_back("ClassifyPartLines");
        if (onClassify) onClassify(display);
    }
    void ClassifyPartLines(Part&, const DisplaySettings&, int&) override { calls.push_back("ClassifyPart"); }
};

} // namespace tsm::test
