// File handles of the Windows machine over CreateFileA, ReadFile and WriteFile. Nothing is
// buffered here: the system's cache does that, and a write that fails fails at the block that
// was being written, never later at a flush or close.
#include "platform/file.h"

#include "platform/errors.h"
#include "platform/win32/fs_util.h"
#include "platform/win32/win_util.h"

namespace platform {

using win32::Fail;
using win32::FailWithSystemError;

namespace {

DWORD CreationOf(File::Disposition disposition) {
    switch (disposition) {
        case File::kCreateAlways:
            return CREATE_ALWAYS;
        case File::kOpenAlways:
            return OPEN_ALWAYS;
        case File::kCreateNew:
            return CREATE_NEW;
        case File::kOpenExisting:
        default:
            return OPEN_EXISTING;
    }
}

}  // namespace

struct File::Impl {
    HANDLE handle = INVALID_HANDLE_VALUE;
};

File::File() : m_impl(std::make_unique<Impl>()) {}

File::~File() { Close(); }

bool File::Open(const std::string& path, uint32_t access, uint32_t share, Disposition disposition) {
    Close();
    DWORD desired = 0;
    if (access & kRead) desired |= GENERIC_READ;
    if (access & kWrite) desired |= GENERIC_WRITE;
    const DWORD shareMode = share & (FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    // A new file (kCreateNew) is refused by its existence first, as the system does.
    const bool writes = (access & kWrite) != 0 || disposition == kCreateAlways;
    if (writes && disposition != kCreateNew && win32::IsReadOnlyFile(path)) {
        return Fail(win32::ChangeError(path, kErrorAccessDenied));
    }
    HANDLE handle =
        ::CreateFileA(path.c_str(), desired, shareMode, nullptr, CreationOf(disposition),
                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        // Opening for reading on any medium is no change; only a refused write is protection.
        const bool changes = (access & kWrite) != 0 || disposition != kOpenExisting;
        const DWORD error = ::GetLastError();
        return Fail(changes ? win32::ChangeError(path, error) : error);
    }
    // The system has set the last error for the "always" dispositions: 183 when the file
    // existed, 0 when it was made. That is the caller's answer, an older code set by the program
    // not.
    SetLastError(static_cast<uint32_t>(::GetLastError()));
    if (disposition != kOpenExisting) win32::NoteDiskChange();
    m_impl->handle = handle;
    return true;
}

bool File::IsOpen() const { return m_impl->handle != INVALID_HANDLE_VALUE; }

bool File::Read(void* buffer, uint32_t size, uint32_t* got) {
    *got = 0;
    if (!IsOpen()) return Fail(kErrorInvalidHandle);
    char* out = static_cast<char*>(buffer);
    while (*got < size) {
        DWORD n = 0;
        if (!::ReadFile(m_impl->handle, out + *got, size - *got, &n, nullptr)) {
            return FailWithSystemError();
        }
        if (n == 0) break;  // the end of the file
        *got += n;
    }
    return true;
}

bool File::Write(const void* buffer, uint32_t size, uint32_t* written) {
    *written = 0;
    if (!IsOpen()) return Fail(kErrorInvalidHandle);
    const char* in = static_cast<const char*>(buffer);
    while (*written < size) {
        DWORD n = 0;
        const bool ok = ::WriteFile(m_impl->handle, in + *written, size - *written, &n, nullptr);
        const DWORD error = ::GetLastError();
        win32::NoteDiskChange(n);
        // *written counts only what reached the file: a full disk keeps its part.
        *written += n;
        if (!ok) return win32::FailWith(error, kErrorDiskFull);
        if (n == 0) return Fail(kErrorDiskFull);
    }
    return true;
}

bool File::GetSize(uint64_t* size) {
    if (!IsOpen()) return Fail(kErrorInvalidHandle);
    LARGE_INTEGER value;
    if (!::GetFileSizeEx(m_impl->handle, &value)) return FailWithSystemError();
    *size = static_cast<uint64_t>(value.QuadPart);
    return true;
}

bool File::FlushToDisk() {
    if (!IsOpen()) return Fail(kErrorInvalidHandle);
    if (!::FlushFileBuffers(m_impl->handle)) return FailWithSystemError();
    return true;
}

bool File::GetLastWriteTime(FileTime* time) {
    if (!IsOpen()) return Fail(kErrorInvalidHandle);
    FILETIME lastWrite;
    if (!::GetFileTime(m_impl->handle, nullptr, nullptr, &lastWrite)) {
        return FailWithSystemError();
    }
    *time = win32::FromFiletime(lastWrite);
    return true;
}

bool File::SetLastWriteTime(FileTime time) {
    if (!IsOpen()) return Fail(kErrorInvalidHandle);
    const FILETIME lastWrite = win32::ToFiletime(time);
    if (!::SetFileTime(m_impl->handle, nullptr, nullptr, &lastWrite)) {
        return FailWithSystemError();
    }
    return true;
}

bool File::Close() {
    if (!IsOpen()) return true;
    HANDLE handle = m_impl->handle;
    m_impl->handle = INVALID_HANDLE_VALUE;
    if (!::CloseHandle(handle)) return FailWithSystemError();
    return true;
}

}  // namespace platform
