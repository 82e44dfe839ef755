// Conversion of the program's single-byte texts for display.
#pragma once

#include <string>

// Not needed here: kept for the files that still take the ASCII helpers from this header.
#include "platform/ascii.h"

namespace platform {

// Converts Windows-1250 text (the system's ANSI code page) into the text form the dialog hosts
// display (UTF-8). Bytes that Windows-1250 leaves undefined become "?"; the result never fails.
// Any thread.
std::string AnsiToDisplay(const std::string& ansi);
// The reverse: text as a person typed it (UTF-8) into the ANSI code page. False with
// kErrorNoUnicodeTranslation (1113) and *ansi untouched when a character has no code-page
// form (it never becomes "?"), or when the text is not valid UTF-8. Any thread.
bool DisplayToAnsi(const std::string& display, std::string* ansi);

}  // namespace platform
