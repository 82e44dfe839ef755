// Conversion of the program's single-byte texts for display.
#pragma once

#include <string>

namespace platform {

// Converts Windows-1250 text (the system's ANSI code page) into the text form the dialog hosts
// display (UTF-8). Bytes that Windows-1250 leaves undefined become "?"; the result never fails.
// Any thread.
std::string AnsiToDisplay(const std::string& ansi);

}  // namespace platform
