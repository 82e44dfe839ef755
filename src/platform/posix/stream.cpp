// C runtime file streams of the emulated machine, with the Windows text mode: CR LF read as
// "\n", Ctrl+Z as the end of the file, "\n" written as CR LF. Reads are buffered; writes go to
// the host file in the call that makes them, so that a write the disk refuses fails there.
#include "platform/stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/errors.h"
#include "platform/posix/kill_point.h"
#include "platform/posix/read_ahead.h"
#include "platform/posix/share.h"
#include "platform/posix/vfs.h"

namespace platform {

using posix::Fail;
using posix::FailErrno;

namespace {
constexpr size_t kReadBuffer = 64 * 1024;
constexpr int kCtrlZ = 0x1A;
}  // namespace

struct Stream::Impl {
    int fd = -1;
    std::shared_ptr<posix::ImageVolume> image;
    std::string inner;
    uint64_t imagePos = 0;
    bool open = false;
    bool text = true;
    bool canRead = false;
    bool canWrite = false;
    bool eof = false;
    bool error = false;
    bool ended = false;  // a Ctrl+Z was read in text mode: nothing follows
    posix::ShareRegistration share;
    posix::ReadAhead readBuffer{kReadBuffer};
    size_t readPos = 0, readLen = 0;

    // Refills the read buffer; false at the end of the file or on an error.
    bool Fill() {
        char* ahead = readBuffer.Refill();
        readPos = readLen = 0;
        for (;;) {
            int64_t n;
            if (image) {
                n = image->ReadAt(inner, imagePos, ahead, readBuffer.Capacity());
                if (n > 0) imagePos += static_cast<uint64_t>(n);
            } else {
                n = ::read(fd, ahead, readBuffer.Capacity());
                if (n < 0 && errno == EINTR) continue;
            }
            if (n < 0) {
                error = true;
                if (image) {
                    Fail(kErrorIoDevice);
                } else {
                    FailErrno();
                }
                return false;
            }
            readLen = static_cast<size_t>(n);
            readBuffer.Refilled(readLen);
            return n > 0;
        }
    }

    int RawGet() {
        if (readPos >= readLen && !Fill()) return EOF;
        return static_cast<unsigned char>(readBuffer.Data()[readPos++]);
    }

    int RawPeek() {
        if (readPos >= readLen && !Fill()) return EOF;
        return static_cast<unsigned char>(readBuffer.Data()[readPos]);
    }

    int Get() {
        if (!open || !canRead) {
            error = true;
            return EOF;
        }
        if (ended) {
            eof = true;
            return EOF;
        }
        int c = RawGet();
        if (c == EOF) {
            eof = true;
            return EOF;
        }
        if (!text) return c;
        if (c == kCtrlZ) {
            ended = true;
            eof = true;
            return EOF;
        }
        if (c == '\r' && RawPeek() == '\n') {
            ++readPos;
            return '\n';
        }
        return c;
    }

    // Writes every byte or fails (a write that makes no progress means the disk is full).
    bool WriteThrough(const char* data, size_t size) {
        size_t done = 0;
        while (done < size) {
            ssize_t n = ::write(fd, data + done, size - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                error = true;
                posix::NoteHostChange();
                return n < 0 ? FailErrno() : Fail(kErrorDiskFull);
            }
            done += static_cast<size_t>(n);
        }
        return true;
    }

    // Read-ahead bytes the caller has not seen go back before writing, as fseek would do.
    bool DropReadAhead() {
        if (readPos < readLen) {
            off_t back = static_cast<off_t>(readLen - readPos);
            if (::lseek(fd, -back, SEEK_CUR) < 0) {
                error = true;
                return FailErrno();
            }
        }
        readPos = readLen = 0;
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
    bool plus = false, binary = false;
    for (const char* m = mode + 1; *m; ++m) {
        if (*m == '+') {
            plus = true;
        } else if (*m == 'b') {
            binary = true;
        } else if (*m != 't') {
            return Fail(kErrorInvalidParameter);
        }
    }
    char kind = mode[0];
    bool writes = kind != 'r' || plus;
    posix::Resolved r = posix::Resolve(path);
    if (!r.ok) return Fail(r.error);
    if (r.readOnly && writes) return Fail(kErrorWriteProtect);
    if (r.isDirectory) return Fail(kErrorAccessDenied);
    if (!r.exists && (kind == 'r' || !r.parentExists)) return Fail(r.MissingError());

    Impl& s = *m_impl;
    if (r.image) {
        s.image = r.image;
        s.inner = r.inner;
        s.imagePos = 0;
    } else {
        int flags = O_CLOEXEC | (plus ? O_RDWR : (kind == 'r' ? O_RDONLY : O_WRONLY));
        if (kind != 'r') flags |= O_CREAT;
        if (kind == 'a') flags |= O_APPEND;
        if (r.exists && writes) {
            struct stat st;
            if (::stat(r.host.c_str(), &st) == 0 && (st.st_mode & S_IWUSR) == 0) {
                return Fail(kErrorAccessDenied);
            }
        }
        int fd = ::open(r.host.c_str(), flags, 0666);
        if (fd < 0) return FailErrno();
        struct stat st;
        if (::fstat(fd, &st) != 0) {
            FailErrno();
            ::close(fd);
            return false;
        }
        // The C runtime opens every stream shared for reading and writing.
        uint32_t access = (kind == 'r' || plus ? 1u : 0u) | (writes ? 2u : 0u);
        if (!s.share.Acquire(st.st_dev, st.st_ino, access, 1 | 2)) {
            ::close(fd);
            return false;
        }
        if (kind == 'w' && st.st_size != 0 && ::ftruncate(fd, 0) != 0) {
            FailErrno();
            s.share.Release();
            ::close(fd);
            return false;
        }
        s.fd = fd;
        s.readBuffer.Opened(kind == 'w' ? 0 : static_cast<uint64_t>(st.st_size));
    }
    s.open = true;
    s.text = !binary;
    s.canRead = kind == 'r' || plus;
    s.canWrite = writes;
    s.eof = s.error = s.ended = false;
    s.readPos = s.readLen = 0;
    return true;
}

bool Stream::IsOpen() const { return m_impl->open; }

char* Stream::Gets(char* buffer, int size) {
    if (buffer == nullptr || size <= 0) return nullptr;
    if (size == 1) {  // room for the terminator only, as fgets
        buffer[0] = '\0';
        return buffer;
    }
    int n = 0;
    bool failedBefore = m_impl->error;
    while (n < size - 1) {
        int c = m_impl->Get();
        if (c == EOF) break;
        buffer[n++] = static_cast<char>(c);
        if (c == '\n') break;
    }
    // As fgets: a read error gives no piece at all, never the part read before it.
    if (n == 0 || (m_impl->error && !failedBefore)) return nullptr;
    buffer[n] = '\0';
    return buffer;
}

int Stream::GetC() { return m_impl->Get(); }

size_t Stream::Read(void* buffer, size_t size) {
    char* out = static_cast<char*>(buffer);
    size_t n = 0;
    Impl& s = *m_impl;
    if (!s.text && s.open && s.canRead) {
        while (n < size) {
            if (s.readPos >= s.readLen && !s.Fill()) {
                if (!s.error) s.eof = true;
                break;
            }
            size_t take = std::min(size - n, s.readLen - s.readPos);
            std::memcpy(out + n, s.readBuffer.Data() + s.readPos, take);
            s.readPos += take;
            n += take;
        }
        return n;
    }
    while (n < size) {
        int c = s.Get();
        if (c == EOF) break;
        out[n++] = static_cast<char>(c);
    }
    return n;
}

size_t Stream::Write(const void* buffer, size_t size) {
    posix::KillPoint("write", m_impl->fd);
    Impl& s = *m_impl;
    if (!s.open || !s.canWrite || s.image) {
        s.error = true;
        Fail(kErrorAccessDenied);
        return 0;
    }
    if (!s.DropReadAhead()) return 0;
    const char* in = static_cast<const char*>(buffer);
    if (!s.text) return s.WriteThrough(in, size) ? size : 0;
    // Text mode: each line goes out with its CR LF; the count is of the caller's bytes whose
    // translation reached the file.
    const char* end = in + size;
    size_t done = 0;
    std::string line;
    while (in < end) {
        const char* newline = static_cast<const char*>(std::memchr(in, '\n', end - in));
        const char* stop = newline == nullptr ? end : newline + 1;
        line.assign(in, newline == nullptr ? end : newline);
        if (newline != nullptr) line += "\r\n";
        if (!s.WriteThrough(line.data(), line.size())) return done;
        done += static_cast<size_t>(stop - in);
        in = stop;
    }
    return size;
}

bool Stream::Puts(const std::string& text) {
    return Write(text.data(), text.size()) == text.size();
}

bool Stream::Flush() {
    // Nothing waits in the process: every write has reached the host file already.
    return m_impl->open;
}

bool Stream::Commit() {
    Impl& s = *m_impl;
    if (!s.open) return Fail(kErrorInvalidHandle);
    if (s.image || !s.canWrite) return Fail(s.image ? kErrorWriteProtect : kErrorAccessDenied);
    if (::fsync(s.fd) != 0) return FailErrno();
    return true;
}

bool Stream::Seek(int64_t offset, int origin) {
    Impl& s = *m_impl;
    if (!s.open) return Fail(kErrorInvalidHandle);
    int64_t base = 0;
    if (origin == 1) {
        base = Tell();
        if (base < 0) return false;
    } else if (origin == 2) {
        if (s.image) {
            FindData info;
            if (!s.image->Stat(s.inner, &info)) return Fail(kErrorIoDevice);
            base = static_cast<int64_t>(info.size);
        } else {
            struct stat st;
            if (::fstat(s.fd, &st) != 0) return FailErrno();
            base = st.st_size;
        }
    } else if (origin != 0) {
        return Fail(kErrorInvalidParameter);
    }
    if (offset < 0 && base < -offset) return Fail(kErrorInvalidParameter);
    int64_t target = base + offset;
    if (s.image) {
        s.imagePos = static_cast<uint64_t>(target);
    } else {
        if (::lseek(s.fd, static_cast<off_t>(target), SEEK_SET) < 0) return FailErrno();
    }
    s.readPos = s.readLen = 0;
    s.eof = s.ended = false;
    return true;
}

int64_t Stream::Tell() const {
    const Impl& s = *m_impl;
    if (!s.open) {
        Fail(kErrorInvalidHandle);
        return -1;
    }
    int64_t unread = static_cast<int64_t>(s.readLen - s.readPos);
    if (s.image) return static_cast<int64_t>(s.imagePos) - unread;
    off_t at = ::lseek(s.fd, 0, SEEK_CUR);
    if (at < 0) {
        FailErrno();
        return -1;
    }
    return static_cast<int64_t>(at) - unread;
}

bool Stream::Truncate(int64_t size) {
    Impl& s = *m_impl;
    if (!s.open) return Fail(kErrorInvalidHandle);
    if (s.image || !s.canWrite) return Fail(s.image ? kErrorWriteProtect : kErrorAccessDenied);
    if (size < 0) return Fail(kErrorInvalidParameter);
    if (!s.DropReadAhead()) return false;
    if (::ftruncate(s.fd, static_cast<off_t>(size)) != 0) return FailErrno();
    return true;
}

bool Stream::Eof() const { return m_impl->eof; }

bool Stream::Error() const { return m_impl->error; }

bool Stream::Close() {
    Impl& s = *m_impl;
    if (!s.open) return false;
    bool ok = true;
    uint32_t code = kErrorSuccess;
    if (s.fd >= 0) {
        if (::close(s.fd) != 0) {
            ok = false;
            code = posix::MapErrno(errno);
        }
    }
    s.fd = -1;
    s.image.reset();
    s.open = false;
    s.share.Release();
    s.readBuffer.Release();
    s.readPos = s.readLen = 0;
    if (!ok) return code != kErrorSuccess ? Fail(code) : false;
    return true;
}

}  // namespace platform
