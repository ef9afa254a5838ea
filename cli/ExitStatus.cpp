#include "cli/ExitStatus.h"

#include <cstdio>

namespace tsm {

int ExitStatus(const Outcome& outcome, const std::string& context) {
    if (outcome.ok()) return 0;
    std::fprintf(stderr, "tsmtool: %s%s\n", context.c_str(), outcome.reason().c_str());
    return 1;
}

Outcome Tell(IPrompt& prompt, Outcome outcome) {
    if (!outcome.failed()) return outcome;
    prompt.Message(outcome.reason(), PromptIcon::Error);
    return Outcome::Cancelled(outcome.reason());
}

} // namespace tsm
