// The dialog host of the Windows program: real modal dialogs built from the program's
// templates, the system's message boxes and its folder browser.
#pragma once

#include "ui/host.h"

namespace ui::hosts::win32 {

class WindowsHost : public DialogHost {
  public:
    // Registers the common controls (progress bars) of version 6, which the manifest asks for.
    WindowsHost();
    // A modal dialog (DialogBoxIndirectParamW) owned by the program's topmost open dialog, on
    // the calling thread, until the dialog ends.
    int RunModal(Dialog& dialog) override;
    int ShowMessage(const MessageRequest& request) override;
    std::string BrowseForFolder(const std::string& title, const std::string& initial) override;
};

}  // namespace ui::hosts::win32
