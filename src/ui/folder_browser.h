// The folder browser, answered through the current dialog host.
#pragma once

#include <string>

namespace ui {

// Asks the user for a folder (the system folder browser), with a title and the folder to start
// from (may be empty). Returns the chosen folder's path, or empty text when cancelled. Callable
// from any thread.
std::string BrowseForFolder(const std::string& title, const std::string& initial = "");

}  // namespace ui
