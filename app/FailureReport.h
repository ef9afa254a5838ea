// Where the window tells the user of a failure: every command that gets a failed Outcome back shows it
// here, so that its reason becomes a message box in one way only.
#pragma once

#include "model/Outcome.h"
#include "model/Prompt.h"

namespace tsm {

// Shows a failed outcome's reason; an ok one and a cancelled one (the user was told already, or chose to
// stop) show nothing. `icon`: the box's icon, as the command has always shown it.
void ReportFailure(IPrompt& prompt, const Outcome& outcome, PromptIcon icon = PromptIcon::None);

} // namespace tsm
