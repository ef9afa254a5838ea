// Model files hold their strings as bytes in the code page of the Windows locale they were written under.
// These turn such bytes into Unicode for display and reports, never dropping a byte.
#pragma once

#include <QString>

#include <string>

namespace tsm {

// The code page name for a writer locale such as "ja-JP"; "windows-1252" when unknown or empty.
const char* CodePageForLocale(const std::string& writerLocale);
QString DecodeModelString(const std::string& bytes, const std::string& writerLocale);
std::string DecodeModelStringToUtf8(const std::string& bytes, const std::string& writerLocale);

} // namespace tsm
