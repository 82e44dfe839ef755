// What the file, stream and directory calls of the Win32 backend share: FILETIME conversions
// and the error a failed change of a file reports.
#pragma once

#include <cstdint>
#include <string>

#include "platform/fs.h"
#include "platform/win32/win_util.h"

namespace platform::win32 {

inline FileTime FromFiletime(const FILETIME& time) {
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

inline FILETIME ToFiletime(FileTime time) {
    FILETIME out;
    out.dwLowDateTime = static_cast<DWORD>(time & 0xFFFFFFFFu);
    out.dwHighDateTime = static_cast<DWORD>(time >> 32);
    return out;
}

// Counts bytes this process wrote or freed, for the free-space measurements that are reused
// until it changed the disk again by a noticeable amount (see GetDiskFreeSpaceEx).
void NoteDiskChange(uint64_t bytes);
// A change of unknown size (a copy, a delete, a rename): the next measurement is made anew.
void NoteDiskChange();

// Whether path is an existing file (not a directory) with the read-only attribute. The system
// refuses to write to such a file by itself; the backend asks as well before it writes, so that
// the refusal never depends on the rights underneath (Wine run as root writes through them).
inline bool IsReadOnlyFile(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0 &&
           (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The error to report for a change to path that the system refused with code. Read-only media
// (a DVD, an attached image) refuse writes with "access denied"; the program names that case
// write protection (19), so that it is told apart from a read-only file.
uint32_t ChangeError(const std::string& path, uint32_t code);

// Fails with the change error of the call that just failed.
inline bool FailChange(const std::string& path) {
    return Fail(ChangeError(path, static_cast<uint32_t>(::GetLastError())));
}

}  // namespace platform::win32
