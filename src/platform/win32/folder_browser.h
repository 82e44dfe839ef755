// The system's folder browser (SHBrowseForFolderW) for the Windows dialog host: what
// ui::BrowseForFolder shows on Windows.
#pragma once

#include <string>

#include "platform/win32/win_util.h"

namespace platform::win32 {

// Shows the folder browser owned by owner (may be nullptr) with title (display text, UTF-8),
// starting at initial (an ANSI code page path; empty: the browser's own start) and without a
// root or flags. Returns the chosen folder's path in the ANSI code page, or empty text when the
// user cancels, when the chosen item has no file-system path, or when the path has characters
// the code page lacks (no "A" call could open it). The calling thread must have initialised the
// component library; it runs the browser's modal loop.
std::string BrowseForFolder(HWND owner, const std::string& title, const std::string& initial);

}  // namespace platform::win32
