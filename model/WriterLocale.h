// Model files name the Windows locale their writer ran under; their strings are bytes in that locale's
// code page.
#pragma once

#include <string>

namespace tsm {

// The code page name for a writer locale such as "ja-JP"; "windows-1252" when unknown or empty.
const char* CodePageForLocale(const std::string& writerLocale);

} // namespace tsm
