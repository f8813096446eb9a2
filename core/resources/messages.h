// The library's string table: status messages (identifiers 200-269) in
// English and Chinese, and the language they are shown in.
#pragma once

#include <string>
#include <string_view>

#include "core/util/status.h"

namespace orvane {

enum class MessageLanguage { kEnglish, kChinese };

// Chinese when the first set one of LC_ALL, LC_MESSAGES, LANG begins with
// "zh_CN", English otherwise. Runs when the library is loaded.
void ChooseMessageLanguage();
MessageLanguage CurrentMessageLanguage();
void SetMessageLanguage(MessageLanguage language);

// Message identifier of a status code; 201 ("Unknow error") for codes that
// have no message of their own.
int ErrorMessageId(Status code);

// The text of an identifier in the given language, UTF-8; empty when the
// identifier has no entry.
std::string_view MessageTextUtf8(int id, MessageLanguage language);

// The text of an identifier in the current language, converted to the narrow
// character set of the user's locale, at most 511 bytes; empty when the
// identifier has no entry.
std::string LoadMessageText(int id);

}  // namespace orvane
