#include "engine/AssemblyOrder.h"

#include "engine/BuildOrder.h"

namespace tsm {

namespace {

const char* const kNoSuchPartInOrderText = "The order names a part twice or a part the development lacks.";

std::vector<int> RanksOf(size_t partCount, const std::vector<int>& sequence) {
    std::vector<int> rank(partCount, 0);
    int next = 1;
    for (int part : sequence)
        if (part >= 0 && static_cast<size_t>(part) < partCount && rank[part] == 0) rank[part] = next++;
    return rank;
}

} // namespace

std::string OrderBreaksRuleText(int partNumber) {
    return "Part " + std::to_string(partNumber) + " shares no cut edge with the parts built before it.";
}

int FirstPartBreakingOrder(const Development& development, const std::vector<int>& sequence) {
    const std::vector<int> rank = RanksOf(development.parts.size(), sequence);
    const std::vector<BuildStep> order = RankedBuildOrder(development, rank);
    // The rule keeps a sequence that holds it unchanged, so the first step it moves is the first break.
    size_t step = 0;
    for (int part : sequence) {
        if (part < 0 || static_cast<size_t>(part) >= rank.size() || step >= order.size()) continue;
        if (rank[part] != static_cast<int>(step) + 1) continue; // a repeat
        if (order[step].part != part) return part;
        ++step;
    }
    return -1;
}

void RenumberBuildSteps(Development& development) {
    bool any = false;
    for (const auto& part : development.parts) any = any || part->buildStep > 0;
    if (!any) return;
    const std::vector<BuildStep> order = DocumentBuildOrder(development);
    for (size_t step = 0; step < order.size(); ++step)
        development.parts[order[step].part]->buildStep = static_cast<int>(step) + 1;
}

EditResult SetBuildOrder(EditContext& context, const std::vector<int>& sequence) {
    const Development* development = context.document.development.get();
    if (development == nullptr) return Outcome::Failed(kNoDevelopmentText);
    const size_t n = development->parts.size();
    const std::vector<int> rank = RanksOf(n, sequence);
    size_t ranked = 0;
    for (int r : rank) ranked += r > 0 ? 1 : 0;
    if (ranked != sequence.size()) return Outcome::Failed(kNoSuchPartInOrderText);
    const int breaking = FirstPartBreakingOrder(*development, sequence);
    if (breaking >= 0) {
        const std::vector<int> numbers = PartNumbers(DocumentBuildOrder(*development), n);
        return Outcome::Failed(OrderBreaksRuleText(numbers[breaking]));
    }
    return RunDevelopmentEdit(
        context, UpdateHint::Redraw,
        [&]() {
            Development& dev = *context.document.development;
            if (sequence.empty()) {
                for (auto& part : dev.parts) part->buildStep = 0;
                return;
            }
            const std::vector<BuildStep> order = RankedBuildOrder(dev, rank);
            for (size_t step = 0; step < order.size(); ++step)
                dev.parts[order[step].part]->buildStep = static_cast<int>(step) + 1;
        },
        nullptr, EditScope{false, nullptr});
}

} // namespace tsm
