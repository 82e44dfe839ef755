// The in-memory dialog template (DLGTEMPLATEEX) that DialogBoxIndirectParamW builds a real
// dialog from: the caption, size and controls of a program template, in dialog units.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "resources/dialogs.h"
#include "ui/dialog.h"

namespace ui::hosts::win32 {

// Builds the template of dialog t in language langId (1051 Slovak, else Czech) with the
// dialog's current caption and controls (their texts and visible and enabled states, in
// template order), in the dialog font "MS Shell Dlg", 8 points. The result is DWORD aligned
// (its data() is suitably aligned for DialogBoxIndirectParamW).
std::vector<DWORD> BuildDialogTemplate(const resources::DialogTemplate& t, uint16_t langId,
                                       const std::string& caption,
                                       const std::vector<ControlState>& controls);

// The window text of a control's display text: UTF-16, with "\r\n" line ends for a multi-line
// edit field (which shows a lone "\n" as a box).
std::wstring ControlWindowText(const ControlState& control);

}  // namespace ui::hosts::win32
