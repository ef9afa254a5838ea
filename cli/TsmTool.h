// tsmtool: the viewer's open pipeline, engine and writers without a window.
#pragma once

namespace tsm {

// Exit status: 0 success, 1 the model could not be opened or an output could not be written, 2 usage.
int RunTsmTool(int argc, char** argv);

} // namespace tsm
