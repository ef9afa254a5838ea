// A development of one solid's six bare faces in three parts, {0, 1}, {2} and {3, 4, 5}: enough for what
// reads and writes the parts' build steps.
#pragma once

#include "model/Development.h"

#include <memory>
#include <vector>

namespace tsm::test {

struct SmallDevelopment {
    Solid solid;
    Development development;

    explicit SmallDevelopment(const std::vector<int>& steps = {0, 0, 0}) {
        for (int f = 0; f < 6; ++f) {
            solid.faces.push_back(std::make_unique<Face>());
            solid.faces.back()->solid = &solid;
        }
        int p = 0;
        for (const std::vector<int>& faces : std::vector<std::vector<int>>{{0, 1}, {2}, {3, 4, 5}}) {
            auto part = std::make_unique<Part>();
            for (int f : faces) part->faces.push_back(solid.faces[f].get());
            part->buildStep = steps[p++];
            development.parts.push_back(std::move(part));
        }
    }
    std::vector<int> Steps() const {
        std::vector<int> steps;
        for (const auto& part : development.parts) steps.push_back(part->buildStep);
        return steps;
    }
};

} // namespace tsm::test
