// Conversion between the system's ANSI code page and the display text of the dialog hosts
// (UTF-8), through the system's UTF-16 tables.
#include "platform/text.h"

#include "platform/errors.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win_util.h"

namespace platform {

std::string AnsiToDisplay(const std::string& ansi) {
    if (ansi.empty()) return std::string();
    const int size = static_cast<int>(ansi.size());
    const int length = ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, nullptr, 0);
    if (length <= 0) {
        std::string out;
        for (unsigned char c : ansi) out += c < 0x80 ? static_cast<char>(c) : '?';
        return out;
    }
    std::wstring wide(static_cast<size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, wide.data(), length);
    // The system's tables give a byte the code page leaves undefined as the C1 control of the
    // same number (Windows-1250 0x81 as U+0081), and a broken double-byte sequence as U+FFFD;
    // no defined character of an ANSI code page is a C1 control, so these are the placeholders.
    for (wchar_t& c : wide) {
        if ((c >= 0x80 && c <= 0x9F) || c == 0xFFFD) c = L'?';
    }
    return win32::WideToUtf8(wide);
}

bool DisplayToAnsi(const std::string& display, std::string* ansi) {
    std::wstring wide;
    if (!win32::Utf8ToWide(display, &wide)) return win32::Fail(kErrorNoUnicodeTranslation);
    if (wide.empty()) {
        ansi->clear();
        return true;
    }
    // A system whose code page is UTF-8 holds every character; the text is already its form.
    if (::GetACP() == CP_UTF8) {
        *ansi = display;
        return true;
    }
    const int size = static_cast<int>(wide.size());
    BOOL usedDefault = FALSE;
    const int length = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size,
                                             nullptr, 0, nullptr, &usedDefault);
    if (length <= 0 || usedDefault) return win32::Fail(kErrorNoUnicodeTranslation);
    std::string out(static_cast<size_t>(length), '\0');
    ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, out.data(), length,
                          nullptr, &usedDefault);
    if (usedDefault) return win32::Fail(kErrorNoUnicodeTranslation);
    *ansi = std::move(out);
    return true;
}

}  // namespace platform
