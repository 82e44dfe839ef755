// C runtime file streams of the Windows machine: the runtime's own streams, its text mode
// included (CR LF read as "\n", Ctrl+Z as the end, "\n" written as CR LF).
#include "platform/stream.h"

#include <errno.h>
#include <io.h>
#include <share.h>
#include <stdio.h>
#include <stdlib.h>

#include <cstring>

#include "platform/errors.h"
#include "platform/win32/fs_util.h"
#include "platform/win32/win_util.h"

namespace platform {

using win32::Fail;

namespace {

// The runtime keeps the system's code of a failed call in _doserrno and its own in errno;
// both are cleared before a call whose failure is reported.
void ClearCrtErrors() {
    _doserrno = 0;
    errno = 0;
}

uint32_t CrtError() {
    if (_doserrno != 0) return static_cast<uint32_t>(_doserrno);
    switch (errno) {
        case ENOENT:
            return kErrorFileNotFound;
        case EACCES:
            return kErrorAccessDenied;
        case EMFILE:
            return kErrorTooManyOpenFiles;
        case ENOSPC:
            return kErrorDiskFull;
        case EBADF:
            return kErrorInvalidHandle;
        case ENOMEM:
            return kErrorNotEnoughMemory;
        case EINVAL:
            return kErrorInvalidParameter;
        default:
            return kErrorGenFailure;
    }
}

bool FailCrt() { return Fail(CrtError()); }

}  // namespace

struct Stream::Impl {
    FILE* file = nullptr;
    bool canRead = false;
    bool canWrite = false;
    // An access the stream's mode does not allow; the runtime's own flag covers the rest.
    bool refused = false;
    // The runtime needs a flush or a seek between reading and writing, or it fails the access
    // (writing after a read) or reads stale data; the stream puts one in where needed.
    enum class Last { None, Read, Write } last = Last::None;

    bool ToRead() {
        if (file == nullptr || !canRead) {
            refused = true;
            return false;
        }
        if (last == Last::Write && fflush(file) != 0) return false;
        last = Last::Read;
        return true;
    }

    bool ToWrite() {
        if (file == nullptr || !canWrite) {
            refused = true;
            return Fail(kErrorAccessDenied);
        }
        if (last == Last::Read) {
            ClearCrtErrors();
            if (_fseeki64(file, 0, SEEK_CUR) != 0) return FailCrt();
        }
        last = Last::Write;
        return true;
    }
};

Stream::Stream() : m_impl(std::make_unique<Impl>()) {}

Stream::~Stream() { Close(); }

bool Stream::Open(const std::string& path, const char* mode) {
    Close();
    if (mode == nullptr || (mode[0] != 'r' && mode[0] != 'w' && mode[0] != 'a')) {
        return Fail(kErrorInvalidParameter);
    }
    bool plus = false;
    for (const char* m = mode + 1; *m; ++m) {
        if (*m == '+') {
            plus = true;
        } else if (*m != 'b' && *m != 't') {
            // The runtime knows more letters (commit, sequential, encodings); the program
            // uses none of them.
            return Fail(kErrorInvalidParameter);
        }
    }
    const bool writes = mode[0] != 'r' || plus;
    if (writes && win32::IsReadOnlyFile(path)) {
        return Fail(win32::ChangeError(path, kErrorAccessDenied));
    }
    ClearCrtErrors();
    // Shared for reading and writing with other openers, as fopen opens.
    FILE* file = _fsopen(path.c_str(), mode, _SH_DENYNO);
    if (file == nullptr) {
        const uint32_t error = CrtError();
        return Fail(writes ? win32::ChangeError(path, error) : error);
    }
    if (mode[0] == 'w') win32::NoteDiskChange();
    Impl& s = *m_impl;
    s.file = file;
    s.canRead = mode[0] == 'r' || plus;
    s.canWrite = writes;
    s.refused = false;
    s.last = Impl::Last::None;
    return true;
}

bool Stream::IsOpen() const { return m_impl->file != nullptr; }

char* Stream::Gets(char* buffer, int size) {
    if (buffer == nullptr || size <= 0) return nullptr;
    if (!m_impl->ToRead()) return nullptr;
    ClearCrtErrors();
    return fgets(buffer, size, m_impl->file);
}

int Stream::GetC() {
    if (!m_impl->ToRead()) return EOF;
    return fgetc(m_impl->file);
}

size_t Stream::Read(void* buffer, size_t size) {
    if (!m_impl->ToRead()) return 0;
    ClearCrtErrors();
    return fread(buffer, 1, size, m_impl->file);
}

size_t Stream::Write(const void* buffer, size_t size) {
    if (!m_impl->ToWrite()) return 0;
    ClearCrtErrors();
    const size_t written = fwrite(buffer, 1, size, m_impl->file);
    if (written < size) FailCrt();
    win32::NoteDiskChange(written);
    return written;
}

bool Stream::Puts(const std::string& text) {
    return Write(text.data(), text.size()) == text.size();
}

bool Stream::Flush() {
    if (m_impl->file == nullptr) return false;
    ClearCrtErrors();
    if (fflush(m_impl->file) != 0) return FailCrt();
    return true;
}

bool Stream::Commit() {
    if (m_impl->file == nullptr) return Fail(kErrorInvalidHandle);
    ClearCrtErrors();
    // _commit is FlushFileBuffers on the stream's handle.
    if (fflush(m_impl->file) != 0 || _commit(_fileno(m_impl->file)) != 0) return FailCrt();
    return true;
}

bool Stream::Seek(int64_t offset, int origin) {
    if (m_impl->file == nullptr) return Fail(kErrorInvalidHandle);
    if (origin != SEEK_SET && origin != SEEK_CUR && origin != SEEK_END) {
        return Fail(kErrorInvalidParameter);
    }
    ClearCrtErrors();
    if (_fseeki64(m_impl->file, offset, origin) != 0) {
        // A position before the start is the system's "negative seek" (131); callers know it
        // as an invalid parameter, as the runtime's errno says.
        return Fail(errno == EINVAL ? kErrorInvalidParameter : CrtError());
    }
    m_impl->last = Impl::Last::None;
    return true;
}

int64_t Stream::Tell() const {
    if (m_impl->file == nullptr) {
        Fail(kErrorInvalidHandle);
        return -1;
    }
    ClearCrtErrors();
    const int64_t position = _ftelli64(m_impl->file);
    if (position < 0) FailCrt();
    return position;
}

bool Stream::Truncate(int64_t size) {
    Impl& s = *m_impl;
    if (s.file == nullptr) return Fail(kErrorInvalidHandle);
    if (!s.canWrite) return Fail(kErrorAccessDenied);
    if (size < 0) return Fail(kErrorInvalidParameter);
    ClearCrtErrors();
    // Pending writes go out and read-ahead is dropped first, so that the handle's position is
    // the stream's; _chsize_s leaves that position where it is.
    if (_fseeki64(s.file, 0, SEEK_CUR) != 0) return FailCrt();
    s.last = Impl::Last::None;
    win32::NoteDiskChange();
    const errno_t rc = _chsize_s(_fileno(s.file), size);
    if (rc != 0) {
        if (_doserrno == 0) errno = rc;
        return FailCrt();
    }
    return true;
}

bool Stream::Eof() const { return m_impl->file != nullptr && feof(m_impl->file) != 0; }

bool Stream::Error() const {
    return m_impl->refused || (m_impl->file != nullptr && ferror(m_impl->file) != 0);
}

bool Stream::Close() {
    Impl& s = *m_impl;
    if (s.file == nullptr) return false;
    FILE* file = s.file;
    s.file = nullptr;
    s.canRead = s.canWrite = s.refused = false;
    s.last = Impl::Last::None;
    ClearCrtErrors();
    // fclose writes what is pending and fails when that cannot be written.
    if (fclose(file) != 0) return FailCrt();
    return true;
}

}  // namespace platform
