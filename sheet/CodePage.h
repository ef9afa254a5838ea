// Model files hold their strings as bytes in the code page of the Windows locale they were written under.
// These turn such bytes into Unicode for display and reports, never dropping a byte.
#pragma once

#include "model/WriterLocale.h"

#include <QString>

#include <optional>
#include <string>

namespace tsm {

QString DecodeModelString(const std::string& bytes, const std::string& writerLocale);
std::string DecodeModelStringToUtf8(const std::string& bytes, const std::string& writerLocale);
// The bytes a model file written under `writerLocale` holds for `text`; nothing when its code page cannot
// hold every character.
std::optional<std::string> EncodeModelString(const QString& text, const std::string& writerLocale);

} // namespace tsm
