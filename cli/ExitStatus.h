// How tsmtool ends: what a command's Outcome becomes on stderr and as the exit status. A usage problem
// exits 2 (see Usage in TsmTool.cpp); anything the system refuses or cannot do exits 1.
#pragma once

#include "model/Outcome.h"
#include "model/Prompt.h"

#include <string>

namespace tsm {

// 0 when ok. Otherwise the reason goes to stderr as "tsmtool: CONTEXTreason" (`context` ends in ": " when
// given) and the status is 1. A cancelled outcome's reason is printed too: on the command line there was
// no box to read it in.
int ExitStatus(const Outcome& outcome, const std::string& context = {});

// A failure the window would show in a message box goes to `prompt` (stderr and the info report's
// messages) and comes back as told, so that the caller says nothing more; other outcomes pass unchanged.
Outcome Tell(IPrompt& prompt, Outcome outcome);

} // namespace tsm
