// The folder browser over the current dialog host.
#include "ui/folder_browser.h"

#include "ui/host.h"

namespace ui {

std::string BrowseForFolder(const std::string& title, const std::string& initial) {
    return GetHost().BrowseForFolder(title, initial);
}

}  // namespace ui
