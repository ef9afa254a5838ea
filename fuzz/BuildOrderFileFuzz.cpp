// Fuzz target of the assembly-order reader (the `.order` file beside a model): any bytes must either set
// the parts' steps to a permutation of 1…n that writes back as the same order, or fail with a reason and
// change nothing, without a crash, a sanitizer report or a hang.
#include "model/BuildOrderFile.h"
#include "tests/support/SmallDevelopment.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

using tsm::test::SmallDevelopment;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SmallDevelopment small;
    const tsm::Outcome applied = tsm::ApplyBuildOrderText(
        small.development, std::string_view(reinterpret_cast<const char*>(data), size));
    const std::vector<int> steps = small.Steps();
    if (!applied.ok()) {
        if (applied.reason().empty() || steps != std::vector<int>(3, 0)) {
            std::fprintf(stderr, "a refused order changed the steps or gave no reason\n");
            std::abort();
        }
        return 0;
    }
    std::vector<bool> seen(4, false);
    for (int step : steps) {
        if (step < 1 || step > 3 || seen[step]) {
            std::fprintf(stderr, "an accepted order is not a permutation of the steps\n");
            std::abort();
        }
        seen[step] = true;
    }
    SmallDevelopment again;
    if (!tsm::ApplyBuildOrderText(again.development, tsm::BuildOrderText(small.development)).ok() ||
        again.Steps() != steps) {
        std::fprintf(stderr, "an accepted order does not write back as itself\n");
        std::abort();
    }
    return 0;
}
