// Placeholder formatting of texts: the printf-style %s/%d/... interpreter that fills
// string-table texts and messages with their arguments.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace ui {

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

}  // namespace ui
