// The screens of the console host: a dialog, a message box and the folder question, each
// drawn as text and driven by keys.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "ui/hosts/console_host.h"

namespace ui::hosts::detail {

// A dialog: its visible controls in template order, actionable ones numbered, and an input
// line. Numbers choose a control (a button is pressed, a check box toggled, an edit field
// prompts for its text); Enter alone presses the default button; Esc and Ctrl+C are Cancel.
std::unique_ptr<ConsoleHost::View> MakeDialogView(Dialog& dialog);
// A message box; *answer receives the chosen button id once the view is done.
std::unique_ptr<ConsoleHost::View> MakeMessageView(const MessageRequest& request, int* answer);
// The folder question; *result receives the chosen existing folder, or empty when cancelled.
std::unique_ptr<ConsoleHost::View> MakeFolderView(const std::string& title,
                                                  const std::string& initial, std::string* result);

// Number of characters (code points) of UTF-8 text, for layout.
size_t Width(const std::string& text);
// The lines of a text (CR LF, CR or LF ends a line), tabs expanded, control characters dropped.
std::vector<std::string> SplitLines(const std::string& text);

}  // namespace ui::hosts::detail
