// The last error as the system keeps it, and the system's own texts of error codes.
#include "platform/errors.h"
#include "platform/os_error.h"

#include <cstdio>

#include "platform/win32/wide_text.h"
#include "platform/win32/win_util.h"

namespace platform {

namespace {

// The last value the program set itself. The C and C++ runtimes call the system in between
// (starting and joining a thread, the heap) and some of those calls clear the system's value,
// so a code the program set would read as 0 a moment later.
thread_local uint32_t t_setByProgram = 0;

}  // namespace

uint32_t GetLastError() {
    // A failure the system recorded since is the newer one; a cleared value is the program's.
    const DWORD system = ::GetLastError();
    return system != 0 ? static_cast<uint32_t>(system) : t_setByProgram;
}

void SetLastError(uint32_t code) {
    t_setByProgram = code;
    ::SetLastError(static_cast<DWORD>(code));
}

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

// libcurl's CURLINFO_OS_ERRNO is WSAGetLastError's number on Windows: already a Win32 code.
uint32_t SystemErrorFromOsError(long osError) { return static_cast<uint32_t>(osError); }

}  // namespace platform
