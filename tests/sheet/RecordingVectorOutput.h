// A VectorOutput that keeps every call, for the tests of the vector renderer and its outputs.
#pragma once

#include "sheet/VectorOutput.h"

#include <vector>

namespace tsm::test {

struct RecordedSegment {
    VectorLayer layer = VectorLayer::Cut;
    PenColour colour;
    int width = 0;
    Point2 a, b;
};

class RecordingVectorOutput : public VectorOutput {
public:
    int begins = 0, ends = 0, penChanges = 0;
    std::vector<RecordedSegment> segments;

    void Begin() override { ++begins; }
    void End() override { ++ends; }
    void SetLayer(VectorLayer layer) override { layer_ = layer; }
    void SetPen(const PenColour& colour, int width) override {
        colour_ = colour;
        width_ = width;
        ++penChanges;
    }
    void Segment(const Point2& a, const Point2& b) override {
        segments.push_back({layer_, colour_, width_, a, b});
    }

    std::vector<RecordedSegment> InLayer(VectorLayer layer) const {
        std::vector<RecordedSegment> out;
        for (const auto& s : segments)
            if (s.layer == layer) out.push_back(s);
        return out;
    }

private:
    VectorLayer layer_ = VectorLayer::Cut;
    PenColour colour_;
    int width_ = 0;
};

} // namespace tsm::test
