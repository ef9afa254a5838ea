#include "app/FailureReport.h"

namespace tsm {

void ReportFailure(IPrompt& prompt, const Outcome& outcome, PromptIcon icon) {
    if (outcome.failed()) prompt.Message(outcome.reason(), icon);
}

} // namespace tsm
