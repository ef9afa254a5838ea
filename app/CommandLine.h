// The command line of the viewer: everything after the program name is one model path.
#pragma once

#include <string>
#include <vector>

namespace tsm {

// The command-line text as one string: the arguments after the program name joined by single blanks,
// so that a path with blanks that the shell split apart is whole again.
std::string CommandLineText(const std::vector<std::string>& arguments);

// The path the text names: the text itself, or, when it begins with a double quote, the text without its
// first and last character. Empty when there is nothing to open.
std::string PathFromCommandLine(const std::string& text);

} // namespace tsm
