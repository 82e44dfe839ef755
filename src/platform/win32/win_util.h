// Small helpers shared by the files of the Win32 backend: reporting failures through the
// platform's last error, HRESULTs of component calls as Win32 codes, and the few conversions
// between ANSI code page paths and the UTF-16 that some system calls take.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/errors.h"

namespace platform::win32 {

// Sets code as the last error and returns false, for the "false with the last error" results.
inline bool Fail(uint32_t code) {
    SetLastError(code);
    return false;
}

// A code the system recorded, or fallback for a call that failed without recording one, so that
// the failure still shows.
inline uint32_t CodeOr(DWORD error, uint32_t fallback) {
    return error != 0 ? static_cast<uint32_t>(error) : fallback;
}

// Fails with error, a code the system recorded earlier (fallback when it is 0).
inline bool FailWith(DWORD error, uint32_t fallback) { return Fail(CodeOr(error, fallback)); }

// Fails with the system's last error of the call that just failed.
inline bool FailWithSystemError(uint32_t fallback = kErrorInvalidFunction) {
    return FailWith(::GetLastError(), fallback);
}

// The Win32 code inside an HRESULT of the Win32 or storage facility, else fallback. The storage
// errors below 0xF0 carry the file system's codes (STG_E_FILENOTFOUND is 2); those above are
// the storage's own (STG_E_INVALIDHEADER).
inline uint32_t ErrorFromHresult(HRESULT hr, uint32_t fallback) {
    const uint32_t value = static_cast<uint32_t>(hr);
    const uint32_t facility = (value >> 16) & 0x1FFF;
    if (facility == FACILITY_WIN32) return value & 0xFFFF;
    if (facility == FACILITY_STORAGE && (value & 0xFFFF) < 0xF0) return value & 0xFFFF;
    return fallback;
}

// ANSI code page bytes as UTF-16, for the calls that take only wide paths. False with
// kErrorNoUnicodeTranslation for bytes the code page does not define.
inline bool AnsiToWide(const std::string& ansi, std::wstring* wide) {
    wide->clear();
    if (ansi.empty()) return true;
    const int size = static_cast<int>(ansi.size());
    const int length =
        ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi.data(), size, nullptr, 0);
    if (length <= 0) return Fail(kErrorNoUnicodeTranslation);
    wide->resize(static_cast<size_t>(length));
    ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi.data(), size, wide->data(), length);
    return true;
}

// UTF-16 as ANSI code page bytes. False with kErrorNoUnicodeTranslation when a character has
// no form in the code page: a path with a stand-in character would name another file.
inline bool WideToAnsi(const std::wstring& wide, std::string* ansi) {
    ansi->clear();
    if (wide.empty()) return true;
    BOOL lossy = FALSE;
    const int size = static_cast<int>(wide.size());
    const int length = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size,
                                             nullptr, 0, nullptr, &lossy);
    if (length <= 0 || lossy) return Fail(kErrorNoUnicodeTranslation);
    ansi->resize(static_cast<size_t>(length));
    ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, ansi->data(), length,
                          nullptr, nullptr);
    return true;
}

}  // namespace platform::win32
