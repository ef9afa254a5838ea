// The program's name and version as the user sees them.
#pragma once

namespace tsm {

inline constexpr const char* kProductName = "Tessaly";
inline constexpr const char* kVersionText = "Ver. 2.1.1";
inline constexpr const char* kUntitledDocument = "Untitled";

} // namespace tsm
