// Message boxes by string number or text, with placeholders filled from arguments
// (ui/format_text.h), answered through the current dialog host.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/dialog.h"
#include "ui/format_text.h"

namespace ui {

enum class Buttons { Ok, OkCancel, YesNo, RetryCancel };
enum class Icon { None, Error, Question, Exclamation, Information };

// Shows a message box and returns the pressed button (kIdOk, kIdCancel, kIdRetry, kIdYes,
// kIdNo). The caption is string 57344 in the calling thread's UI language. Callable from any
// thread; blocks that thread until answered. The string-number form shows entry stringId of
// the calling thread's UI language; the text form shows text and is reported with id 0.
int MessageBox(uint32_t stringId, Buttons buttons = Buttons::Ok, Icon icon = Icon::None);
int MessageBox(const std::string& text, Buttons buttons = Buttons::Ok, Icon icon = Icon::None);
// The message box of string stringId with its placeholders filled from args (FormatText).
int MessageBoxV(uint32_t stringId, Buttons buttons, Icon icon, const std::vector<FormatArg>& args);
template <class... Args>
int MessageBoxF(uint32_t stringId, Buttons buttons, Icon icon, const Args&... args) {
    return MessageBoxV(stringId, buttons, icon, std::vector<FormatArg>{FormatArg(args)...});
}

// The buttons of a box, in the order they are shown; the first is the default.
std::vector<int> ButtonIds(Buttons buttons);
// "ok", "cancel", "abort", "retry", "ignore", "yes", "no" for the standard ids, else the number.
std::string ButtonName(int id);

// Shows the text of a file (code-page text, converted here for display) through the current
// host: what the install script's cat actions show. Callable from any thread.
void ShowText(const std::string& ansiText);

// The system sound of a message box with the exclamation icon.
void Beep();

}  // namespace ui
