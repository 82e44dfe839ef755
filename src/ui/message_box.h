// Message boxes by string number or text, text formatting with placeholders, and the folder
// browser, all answered through the current dialog host.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "ui/dialog.h"

namespace ui {

enum class Buttons { Ok, OkCancel, YesNo, RetryCancel };
enum class Icon { None, Error, Question, Exclamation, Information };

// A string argument held in the system's ANSI code page (a path, a file's text), which a
// formatted text shows as display text: MessageBoxF(109, ..., ui::CodePage(path)).
struct CodePage {
    explicit CodePage(std::string ansi) : text(std::move(ansi)) {}
    std::string text;
};

// One argument of a formatted text: a string (display text, UTF-8, or CodePage text) or an
// integer or a floating-point value.
struct FormatArg {
    enum class Kind { String, Signed, Unsigned, Double } kind;
    std::string text;
    int64_t i = 0;
    uint64_t u = 0;
    double d = 0;

    FormatArg(const std::string& s) : kind(Kind::String), text(s) {}
    FormatArg(const char* s) : kind(Kind::String), text(s ? s : "") {}
    FormatArg(const CodePage& s);
    FormatArg(double v) : kind(Kind::Double), d(v) {}
    template <class T, std::enable_if_t<std::is_integral_v<T> && std::is_signed_v<T>, int> = 0>
    FormatArg(T v) : kind(Kind::Signed), i(v) {}
    template <class T, std::enable_if_t<std::is_integral_v<T> && std::is_unsigned_v<T>, int> = 0>
    FormatArg(T v) : kind(Kind::Unsigned), u(v) {}
};

// Formats a printf-style text: %s %d %i %u %ld %lld %x %X %o %c %f %g %% with flags, width and
// precision (for example "0x%04X", "%02d"). Arguments are converted to what the placeholder
// asks for (a number for %s is written in decimal, a string for %d is read as a number); a
// placeholder without an argument becomes empty text, extra arguments are ignored, and an
// unknown placeholder is copied as it stands. Never writes past any buffer.
std::string FormatText(const std::string& format, const std::vector<FormatArg>& args);

// String-table entry id in the calling thread's UI language, formatted with args.
std::string FormatStringV(uint32_t id, const std::vector<FormatArg>& args);
template <class... Args>
std::string FormatString(uint32_t id, const Args&... args) {
    return FormatStringV(id, std::vector<FormatArg>{FormatArg(args)...});
}

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

// Asks the user for a folder (the system folder browser), with a title and the folder to start
// from (may be empty). Returns the chosen folder's path, or empty text when cancelled. Callable
// from any thread.
std::string BrowseForFolder(const std::string& title, const std::string& initial = "");

}  // namespace ui
