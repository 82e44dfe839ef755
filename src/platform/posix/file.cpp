// File handles of the emulated machine (CreateFile family) over host files or image volumes,
// with a read-ahead buffer for the block-wise copy loops. Writes go to the host file at once, so
// that a write the disk refuses fails in the call that made it, as WriteFile does.
#include "platform/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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
constexpr size_t kBufferSize = 1 << 20;
}  // namespace

struct File::Impl {
    int fd = -1;
    std::shared_ptr<posix::ImageVolume> image;
    std::string inner;
    bool open = false;
    uint32_t access = 0;
    uint64_t imagePos = 0;
    FindData imageInfo;
    posix::ShareRegistration share;
    posix::ReadAhead readBuffer{kBufferSize};
    size_t readPos = 0, readLen = 0;
    // Bytes written since the free space was last marked as changed.
    size_t unnoted = 0;

    // Writes every byte or fails: a short write means the disk is full.
    bool WriteThrough(const char* data, size_t size) {
        size_t done = 0;
        while (done < size) {
            ssize_t n = ::write(fd, data + done, size - done);
            if (n < 0) {
                if (errno == EINTR) continue;
                int err = errno;
                NoteWritten(done, true);
                errno = err;
                return FailErrno();
            }
            if (n == 0) {
                NoteWritten(done, true);
                return Fail(kErrorDiskFull);
            }
            done += static_cast<size_t>(n);
        }
        NoteWritten(done, false);
        return true;
    }

    // The free space of the volume is measured anew after about every buffer's worth of data,
    // not after every small block, and at once after a failure.
    void NoteWritten(size_t bytes, bool now) {
        unnoted += bytes;
        if (now || unnoted >= kBufferSize) {
            posix::NoteHostChange();
            unnoted = 0;
        }
    }

    // Gives back read-ahead bytes that the caller has not seen, before a write or a size query.
    bool DropReadAhead() {
        if (readPos < readLen) {
            off_t back = static_cast<off_t>(readLen - readPos);
            if (::lseek(fd, -back, SEEK_CUR) < 0) return FailErrno();
        }
        readPos = readLen = 0;
        return true;
    }
};

File::File() : m_impl(std::make_unique<Impl>()) {}

File::~File() { Close(); }

bool File::Open(const std::string& path, uint32_t access, uint32_t share, Disposition disposition) {
    Close();
    posix::Resolved r = posix::Resolve(path);
    if (!r.ok) return Fail(r.error);
    bool creates = disposition == kCreateAlways || disposition == kCreateNew ||
                   (disposition == kOpenAlways && !r.exists);
    if (r.readOnly && ((access & kWrite) || creates)) return Fail(kErrorWriteProtect);
    if (r.isDirectory) return Fail(kErrorAccessDenied);
    if (r.exists && disposition == kCreateNew) return Fail(kErrorFileExists);
    if (!r.exists && disposition == kOpenExisting) return Fail(r.MissingError());
    if (!r.exists && !r.parentExists) return Fail(kErrorPathNotFound);

    Impl& f = *m_impl;
    if (r.image) {
        if (!r.image->Stat(r.inner, &f.imageInfo)) return Fail(kErrorFileNotFound);
        f.image = r.image;
        f.inner = r.inner;
        f.imagePos = 0;
    } else {
        if (r.exists && (access & kWrite)) {
            struct stat st;
            if (::stat(r.host.c_str(), &st) == 0 && (st.st_mode & S_IWUSR) == 0) {
                return Fail(kErrorAccessDenied);
            }
        }
        int flags = O_CLOEXEC;
        if ((access & kRead) && (access & kWrite)) {
            flags |= O_RDWR;
        } else if (access & kWrite) {
            flags |= O_WRONLY;
        } else {
            flags |= O_RDONLY;
        }
        if (disposition == kCreateNew) flags |= O_CREAT | O_EXCL;
        if (disposition == kCreateAlways || disposition == kOpenAlways) flags |= O_CREAT;
        // A handle that truncates needs write access on the host even when it asks for less.
        if (disposition == kCreateAlways && !(access & kWrite))
            flags = (flags & ~O_RDONLY) | O_RDWR;
        if (flags & O_CREAT) posix::NoteHostChange();
        int fd = ::open(r.host.c_str(), flags, 0666);
        if (fd < 0) {
            if (errno == EEXIST) return Fail(kErrorFileExists);
            return FailErrno();
        }
        struct stat st;
        if (::fstat(fd, &st) != 0) {
            FailErrno();
            ::close(fd);
            return false;
        }
        // Share modes are checked before the existing data is truncated.
        if (!f.share.Acquire(st.st_dev, st.st_ino, access & (kRead | kWrite), share)) {
            ::close(fd);
            return false;
        }
        if (disposition == kCreateAlways && st.st_size != 0 && ::ftruncate(fd, 0) != 0) {
            FailErrno();
            f.share.Release();
            ::close(fd);
            return false;
        }
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
        f.fd = fd;
        f.readBuffer.Opened(disposition == kCreateAlways ? 0 : static_cast<uint64_t>(st.st_size));
    }
    f.open = true;
    f.access = access;
    f.readPos = f.readLen = 0;
    f.unnoted = 0;
    // CreateFile reports an existing file it opened for "always" dispositions.
    SetLastError(r.exists && (disposition == kCreateAlways || disposition == kOpenAlways)
                     ? kErrorAlreadyExists
                     : kErrorSuccess);
    return true;
}

bool File::IsOpen() const { return m_impl->open; }

bool File::Read(void* buffer, uint32_t size, uint32_t* got) {
    posix::KillPoint("read", m_impl->fd);
    Impl& f = *m_impl;
    *got = 0;
    if (!f.open) return Fail(kErrorInvalidHandle);
    if (!(f.access & kRead)) return Fail(kErrorAccessDenied);
    char* out = static_cast<char*>(buffer);
    if (f.image) {
        // A volume may hand out less than asked before a block it cannot read: the read goes
        // on, so that the call covering that block is the one that fails.
        uint32_t done = 0;
        while (done < size) {
            int64_t n = f.image->ReadAt(f.inner, f.imagePos, out + done, size - done);
            if (n < 0) {
                *got = done;
                return Fail(kErrorIoDevice);
            }
            if (n == 0) break;
            f.imagePos += static_cast<uint64_t>(n);
            done += static_cast<uint32_t>(n);
        }
        *got = done;
        return true;
    }
    uint32_t done = 0;
    while (done < size) {
        if (f.readPos < f.readLen) {
            size_t take = std::min<size_t>(size - done, f.readLen - f.readPos);
            std::memcpy(out + done, f.readBuffer.Data() + f.readPos, take);
            f.readPos += take;
            done += static_cast<uint32_t>(take);
            continue;
        }
        char* ahead = f.readBuffer.Refill();
        ssize_t n = ::read(f.fd, ahead, f.readBuffer.Capacity());
        if (n < 0) {
            if (errno == EINTR) continue;
            *got = done;
            return FailErrno();
        }
        if (n == 0) break;
        f.readPos = 0;
        f.readLen = static_cast<size_t>(n);
        f.readBuffer.Refilled(f.readLen);
    }
    *got = done;
    return true;
}

bool File::Write(const void* buffer, uint32_t size, uint32_t* written) {
    posix::KillPoint("write", m_impl->fd);
    Impl& f = *m_impl;
    *written = 0;
    if (!f.open) return Fail(kErrorInvalidHandle);
    if (!(f.access & kWrite) || f.image) return Fail(kErrorAccessDenied);
    if (!f.DropReadAhead()) return false;
    if (!f.WriteThrough(static_cast<const char*>(buffer), size)) return false;
    *written = size;
    return true;
}

bool File::GetSize(uint64_t* size) {
    Impl& f = *m_impl;
    if (!f.open) return Fail(kErrorInvalidHandle);
    if (f.image) {
        *size = f.imageInfo.size;
        return true;
    }
    struct stat st;
    if (::fstat(f.fd, &st) != 0) return FailErrno();
    *size = static_cast<uint64_t>(st.st_size);
    return true;
}

bool File::FlushToDisk() {
    Impl& f = *m_impl;
    if (!f.open) return Fail(kErrorInvalidHandle);
    // FlushFileBuffers needs a handle that may write.
    if (f.image || !(f.access & kWrite)) return Fail(kErrorAccessDenied);
    if (::fsync(f.fd) != 0) return FailErrno();
    return true;
}

bool File::GetLastWriteTime(FileTime* time) {
    Impl& f = *m_impl;
    if (!f.open) return Fail(kErrorInvalidHandle);
    if (f.image) {
        *time = f.imageInfo.lastWriteTime;
        return true;
    }
    struct stat st;
    if (::fstat(f.fd, &st) != 0) return FailErrno();
    *time = posix::FileTimeFromUnix(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    return true;
}

bool File::SetLastWriteTime(FileTime time) {
    Impl& f = *m_impl;
    if (!f.open) return Fail(kErrorInvalidHandle);
    if (f.image) return Fail(kErrorWriteProtect);
    if (!(f.access & kWrite)) return Fail(kErrorAccessDenied);
    int64_t s, ns;
    posix::UnixFromFileTime(time, &s, &ns);
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(s);
    times[1].tv_nsec = static_cast<long>(ns);
    if (::futimens(f.fd, times) != 0) return FailErrno();
    return true;
}

bool File::Close() {
    Impl& f = *m_impl;
    if (!f.open) return true;
    bool ok = true;
    uint32_t error = kErrorSuccess;
    if (f.fd >= 0) {
        if (f.unnoted != 0) posix::NoteHostChange();
        if (::close(f.fd) != 0) {
            ok = false;
            error = posix::MapErrno(errno);
        }
    }
    f.fd = -1;
    f.image.reset();
    f.inner.clear();
    f.open = false;
    f.share.Release();
    f.readBuffer.Release();
    f.unnoted = 0;
    f.readPos = f.readLen = 0;
    if (!ok) return Fail(error);
    return true;
}

}  // namespace platform
