// Replacing a file atomically: write a temporary file beside it, flush it to disk, rename it over.
#pragma once

#include <string>

namespace tsm {

// Returns false with a reason in words; the target is then untouched.
bool WriteFileAtomically(const std::string& path, const std::string& bytes, std::string* error);

} // namespace tsm
