// Conversions between the display text of the dialog hosts (UTF-8) and the UTF-16 of the
// system's "W" calls, for what is shown in windows. Paths never pass through here.
#pragma once

#include <string>

#include "platform/win32/win_util.h"

namespace platform::win32 {

// UTF-8 as UTF-16. False when the text is not valid UTF-8 (*wide then empty).
inline bool Utf8ToWide(const std::string& utf8, std::wstring* wide) {
    wide->clear();
    if (utf8.empty()) return true;
    const int size = static_cast<int>(utf8.size());
    const int length =
        ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, nullptr, 0);
    if (length <= 0) return false;
    wide->resize(static_cast<size_t>(length));
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, wide->data(), length);
    return true;
}

// UTF-8 as UTF-16 for a window text; a text that is not valid UTF-8 shows as nothing.
inline std::wstring Utf8ToWide(const std::string& utf8) {
    std::wstring wide;
    Utf8ToWide(utf8, &wide);
    return wide;
}

// UTF-16 as UTF-8; an unpaired surrogate becomes U+FFFD.
inline std::string WideToUtf8(const std::wstring& wide) {
    if (wide.empty()) return std::string();
    const int size = static_cast<int>(wide.size());
    const int length =
        ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return std::string();
    std::string utf8(static_cast<size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), length, nullptr, nullptr);
    return utf8;
}

}  // namespace platform::win32
