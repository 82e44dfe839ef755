// The last error as the system keeps it, and the system's own texts of error codes.
#include "platform/errors.h"

#include <cstdio>

#include "platform/win32/wide_text.h"
#include "platform/win32/win_util.h"

namespace platform {

uint32_t GetLastError() { return static_cast<uint32_t>(::GetLastError()); }

void SetLastError(uint32_t code) { ::SetLastError(static_cast<DWORD>(code)); }

std::string FormatErrorMessage(uint32_t code) {
    // Asking for the text must not change the error the caller is about to report.
    const DWORD saved = ::GetLastError();
    // The text is shown in windows, so it is taken as UTF-16 and given as display text (UTF-8):
    // the code-page form would lose the letters of a localised system.
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string result;
    if (length > 0 && text != nullptr) {
        std::wstring wide(text, length);
        while (!wide.empty() &&
               (wide.back() == L'\r' || wide.back() == L'\n' || wide.back() == L' ')) {
            wide.pop_back();
        }
        result = win32::WideToUtf8(wide);
    }
    if (text != nullptr) ::LocalFree(text);
    if (result.empty()) {
        char buf[48];
        std::snprintf(buf, sizeof buf, "Unknown error %u.", static_cast<unsigned>(code));
        result = buf;
    }
    ::SetLastError(saved);
    return result;
}

}  // namespace platform
