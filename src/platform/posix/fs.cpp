// Files and directories of the emulated machine: searches, attributes, times, copy, delete,
// directory creation and removal, and moves, over host drives and attached images.
#include "platform/fs.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "platform/ascii.h"
#include "platform/errors.h"
#include "platform/posix/kill_point.h"
#include "platform/posix/share.h"
#include "platform/posix/vfs.h"

namespace platform {

using posix::Fail;
using posix::FailErrno;
using posix::Resolve;
using posix::Resolved;

namespace {

// Order of two names already folded to lower case (bytes compared as char).
bool LessFolded(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end());
}

// Resolves path and fails (last error set) when the path cannot be resolved or does not exist.
bool ResolveExisting(const std::string& path, Resolved* r) {
    *r = Resolve(path);
    if (!r->ok) return Fail(r->error);
    if (!r->exists) return Fail(r->MissingError());
    return true;
}

// Resolves path for a change: fails with 19 on a read-only drive.
bool ResolveWritable(const std::string& path, Resolved* r) {
    *r = Resolve(path);
    if (!r->ok) return Fail(r->error);
    if (r->readOnly) return Fail(kErrorWriteProtect);
    return true;
}

// Attributes, size and times of an existing resolved entry.
bool StatResolved(const Resolved& r, FindData* out) {
    if (r.image) {
        if (r.isRoot) {
            *out = FindData();
            out->attributes = kAttrDirectory | kAttrReadOnly;
            return true;
        }
        if (!r.image->Stat(r.inner, out)) return Fail(kErrorFileNotFound);
        out->attributes |= kAttrReadOnly;
        return true;
    }
    if (r.hostStatValid) {
        size_t slash = r.host.find_last_of('/');
        posix::FindDataFromStat(
            posix::WindowsName(slash == std::string::npos ? r.host : r.host.substr(slash + 1)),
            r.hostStat, r.readOnly, out);
    } else if (!posix::StatHost(r.host, r.readOnly, out)) {
        return false;
    }
    if (r.isRoot) out->name.clear();
    return true;
}

std::string ParentHost(const std::string& host) {
    size_t slash = host.find_last_of('/');
    if (slash == std::string::npos || slash == 0) return "/";
    return host.substr(0, slash);
}

// Host permission bits that a copy of a file from an image gets: programs stay runnable.
mode_t ImageFileMode(const std::string& name) {
    const std::string lower = LowerAscii(name);
    for (const char* ext : {".exe", ".com", ".bat", ".cmd", ".sh"}) {
        std::string e = ext;
        if (lower.size() > e.size() && lower.compare(lower.size() - e.size(), e.size(), e) == 0) {
            return 0555;
        }
    }
    return 0444;
}

bool WriteAll(int fd, const char* data, size_t size) {
    posix::KillPoint("copy", fd);
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Copies the rest of in to out: in-kernel where the file systems allow it, else through a
// large buffer. False with errno set.
bool CopyHostData(int in, int out, uint64_t size) {
    uint64_t done = 0;
    while (done < size) {
        ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, size - done, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;  // unsupported here, or the file shrank: the buffer loop finishes
        done += static_cast<uint64_t>(n);
    }
    // The buffer is only taken when there is something left: after an in-kernel copy the
    // first read normally just confirms the end of the file.
    char probe[4096];
    std::vector<char> buffer;
    for (;;) {
        char* data = buffer.empty() ? probe : buffer.data();
        size_t capacity = buffer.empty() ? sizeof probe : buffer.size();
        ssize_t n = ::read(in, data, capacity);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return true;
        if (!WriteAll(out, data, static_cast<size_t>(n))) return false;
        if (buffer.empty()) buffer.resize(1 << 20);
    }
}

bool CopyImageData(posix::ImageVolume& image, const std::string& inner, int out) {
    std::vector<char> buffer(1 << 20);
    uint64_t offset = 0;
    for (;;) {
        int64_t n = image.ReadAt(inner, offset, buffer.data(), buffer.size());
        if (n < 0) {
            errno = EIO;
            return false;
        }
        if (n == 0) return true;
        if (!WriteAll(out, buffer.data(), static_cast<size_t>(n))) return false;
        offset += static_cast<uint64_t>(n);
    }
}

// Attributes, size and times of the entries of a host directory whose names pass matches,
// each taken relative to the open directory (links followed; a dangling link's own). An
// entry that vanishes between the listing and its status is simply not reported.
template <typename Matches>
bool ListMatchingHostEntries(const std::string& host, bool readOnlyMedium, const Matches& matches,
                             std::vector<FindData>* found) {
    DIR* dir = ::opendir(host.c_str());
    if (dir == nullptr) return FailErrno();
    int fd = ::dirfd(dir);
    while (struct dirent* e = ::readdir(dir)) {
        const char* n = e->d_name;
        if (n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0'))) continue;
        std::string name = posix::WindowsName(n);
        if (!matches(name)) continue;
        struct stat st;
        if (::fstatat(fd, n, &st, 0) != 0 && ::fstatat(fd, n, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            continue;
        }
        found->emplace_back();
        posix::FindDataFromStat(name, st, readOnlyMedium, &found->back());
    }
    ::closedir(dir);
    return true;
}

}  // namespace

struct FindHandle::Impl {
    std::vector<FindData> entries;
    size_t next = 0;
};

FindHandle::FindHandle() : m_impl(std::make_unique<Impl>()) {}
FindHandle::~FindHandle() = default;

bool FindHandle::First(const std::string& pattern, FindData* out) {
    Close();
    std::string p = pattern;
    for (char& c : p) {
        if (c == '/') c = '\\';
    }
    size_t sep = p.find_last_of('\\');
    std::string dir, name;
    if (sep != std::string::npos) {
        dir = p.substr(0, sep + 1);
        name = p.substr(sep + 1);
    } else if (p.size() >= 2 && p[1] == ':') {
        dir = p.substr(0, 2);
        name = p.substr(2);
    } else {
        dir = ".";
        name = p;
    }
    if (name.empty()) return Fail(kErrorFileNotFound);
    for (unsigned char c : name) {
        if (c < 32 || c == '<' || c == '>' || c == ':' || c == '"' || c == '|') {
            return Fail(kErrorInvalidName);
        }
    }
    Resolved r = Resolve(dir);
    if (!r.ok) return Fail(r.error);
    if (!r.exists || !r.isDirectory) return Fail(kErrorPathNotFound);

    // Without wildcards the match is a case-insensitive comparison of the whole name.
    auto matches = [&](const std::string& n) { return posix::WildcardMatch(name, n); };
    std::vector<FindData>& entries = m_impl->entries;
    if (!r.isRoot) {
        FindData self, parent;
        if (StatResolved(r, &self)) {
            self.name = ".";
            if (matches(".")) entries.push_back(self);
            parent = self;
            if (!r.image) posix::StatHost(ParentHost(r.host), r.readOnly, &parent);
            parent.name = "..";
            if (matches("..")) entries.push_back(parent);
        }
    }
    std::vector<FindData> found;
    if (r.image) {
        std::vector<FindData> list;
        if (!r.image->List(r.inner, &list)) return Fail(kErrorPathNotFound);
        for (FindData& fd : list) {
            if (!matches(fd.name)) continue;
            fd.attributes |= kAttrReadOnly;
            found.push_back(fd);
        }
    } else {
        if (!ListMatchingHostEntries(r.host, r.readOnly, matches, &found)) return false;
    }
    // NTFS returns names in case-insensitive order; keeping that makes runs reproducible.
    // The folded names are made once, not in every comparison.
    std::vector<std::pair<std::string, size_t>> order(found.size());
    for (size_t i = 0; i < found.size(); ++i) {
        order[i].first = LowerAscii(found[i].name);
        order[i].second = i;
    }
    std::sort(order.begin(), order.end(), [](const auto& a, const auto& b) {
        return LessFolded(a.first, b.first) ||
               (!LessFolded(b.first, a.first) && a.second < b.second);
    });
    entries.reserve(entries.size() + found.size());
    for (const auto& [folded, index] : order) entries.push_back(std::move(found[index]));
    if (entries.empty()) return Fail(kErrorFileNotFound);
    *out = entries[0];
    m_impl->next = 1;
    SetLastError(kErrorSuccess);
    return true;
}

bool FindHandle::Next(FindData* out) {
    if (m_impl->next >= m_impl->entries.size()) return Fail(kErrorNoMoreFiles);
    *out = m_impl->entries[m_impl->next++];
    return true;
}

void FindHandle::Close() {
    m_impl->entries.clear();
    m_impl->next = 0;
}

uint32_t GetFileAttributes(const std::string& path) {
    Resolved r;
    FindData fd;
    if (!ResolveExisting(path, &r) || !StatResolved(r, &fd)) return kInvalidFileAttributes;
    return fd.attributes;
}

bool SetFileAttributes(const std::string& path, uint32_t attributes) {
    Resolved r;
    if (!ResolveWritable(path, &r)) return false;
    if (!r.exists) return Fail(r.MissingError());
    struct stat st;
    if (::stat(r.host.c_str(), &st) != 0) return FailErrno();
    // A directory's read-only attribute does not keep files out on Windows, so it is not
    // mapped onto the host's write bits.
    if (S_ISDIR(st.st_mode)) return true;
    mode_t mode = st.st_mode & 07777;
    if (attributes & kAttrReadOnly) {
        mode &= static_cast<mode_t>(~0222);
    } else {
        mode |= S_IWUSR;
    }
    if (mode != (st.st_mode & 07777) && ::chmod(r.host.c_str(), mode) != 0) return FailErrno();
    return true;
}

bool GetFileInfo(const std::string& path, FindData* out) {
    Resolved r;
    return ResolveExisting(path, &r) && StatResolved(r, out);
}

bool SetFileLastWriteTime(const std::string& path, FileTime lastWrite) {
    Resolved r;
    if (!ResolveWritable(path, &r)) return false;
    if (!r.exists) return Fail(r.MissingError());
    int64_t s, ns;
    posix::UnixFromFileTime(lastWrite, &s, &ns);
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(s);
    times[1].tv_nsec = static_cast<long>(ns);
    if (::utimensat(AT_FDCWD, r.host.c_str(), times, 0) != 0) return FailErrno();
    return true;
}

bool CopyFile(const std::string& source, const std::string& destination, bool failIfExists) {
    posix::KillPoint("copy", destination);
    Resolved src, dst;
    if (!ResolveExisting(source, &src)) return false;
    if (src.isDirectory) return Fail(kErrorAccessDenied);
    if (!ResolveWritable(destination, &dst)) return false;
    if (dst.exists) {
        if (failIfExists) return Fail(kErrorFileExists);
        if (dst.isDirectory) return Fail(kErrorAccessDenied);
    } else if (!dst.parentExists) {
        return Fail(kErrorPathNotFound);
    }
    FindData info;
    if (!StatResolved(src, &info)) return false;

    int in = -1;
    struct stat srcStat {};
    posix::ShareRegistration srcShare, dstShare;
    if (!src.image) {
        in = ::open(src.host.c_str(), O_RDONLY | O_CLOEXEC);
        if (in < 0) return FailErrno();
        if (::fstat(in, &srcStat) != 0) {
            FailErrno();
            ::close(in);
            return false;
        }
        if (!srcShare.Acquire(srcStat.st_dev, srcStat.st_ino, 1, 1)) {
            ::close(in);
            return false;
        }
    }
    auto failWith = [&](uint32_t code) {
        if (in >= 0) ::close(in);
        return Fail(code);
    };
    if (dst.exists) {
        struct stat dstStat;
        if (::stat(dst.host.c_str(), &dstStat) != 0) return failWith(posix::MapErrno(errno));
        // Copying a file onto itself would truncate the data it is about to read.
        if (!src.image && dstStat.st_dev == srcStat.st_dev && dstStat.st_ino == srcStat.st_ino) {
            return failWith(kErrorSharingViolation);
        }
        if ((dstStat.st_mode & S_IWUSR) == 0) return failWith(kErrorAccessDenied);
        if (!dstShare.Acquire(dstStat.st_dev, dstStat.st_ino, 2, 0)) {
            return failWith(kErrorSharingViolation);
        }
    }
    posix::NoteHostChange();
    int out = ::open(dst.host.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (out < 0) return failWith(posix::MapErrno(errno));
    bool ok = ::ftruncate(out, 0) == 0;
    if (ok)
        ok = src.image ? CopyImageData(*src.image, src.inner, out)
                       : CopyHostData(in, out, static_cast<uint64_t>(srcStat.st_size));
    if (ok) {
        int64_t s, ns;
        posix::UnixFromFileTime(info.lastWriteTime, &s, &ns);
        struct timespec times[2];
        times[0].tv_sec = 0;
        times[0].tv_nsec = UTIME_NOW;
        times[1].tv_sec = static_cast<time_t>(s);
        times[1].tv_nsec = static_cast<long>(ns);
        if (!src.image) times[0] = srcStat.st_atim;
        ok = ::futimens(out, times) == 0;
    }
    if (ok) {
        mode_t mode = src.image ? ImageFileMode(info.name) : (srcStat.st_mode & 0777);
        if (info.attributes & kAttrReadOnly) mode &= static_cast<mode_t>(~0222);
        ok = ::fchmod(out, mode) == 0;
    }
    int err = errno;
    if (::close(out) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (in >= 0) ::close(in);
    posix::NoteHostChange();
    if (!ok) {
        // As on Windows, a failed copy leaves no partial destination behind.
        ::unlink(dst.host.c_str());
        errno = err;
        return FailErrno();
    }
    SetLastError(kErrorSuccess);
    return true;
}

bool DeleteFile(const std::string& path) {
    posix::KillPoint("delete", path);
    Resolved r;
    if (!ResolveWritable(path, &r)) return false;
    if (!r.exists) return Fail(r.MissingError());
    if (r.isDirectory) return Fail(kErrorAccessDenied);
    struct stat st;
    if (::lstat(r.host.c_str(), &st) != 0) return FailErrno();
    if (!S_ISLNK(st.st_mode) && (st.st_mode & S_IWUSR) == 0) return Fail(kErrorAccessDenied);
    if (posix::IsOpenWithoutShareDelete(st.st_dev, st.st_ino)) {
        return Fail(kErrorSharingViolation);
    }
    posix::NoteHostChange();
    if (::unlink(r.host.c_str()) != 0) return FailErrno();
    return true;
}

bool CreateDirectory(const std::string& path) {
    Resolved r;
    if (!ResolveWritable(path, &r)) return false;
    if (r.exists) return Fail(kErrorAlreadyExists);
    if (!r.parentExists) return Fail(kErrorPathNotFound);
    posix::NoteHostChange();
    if (::mkdir(r.host.c_str(), 0777) != 0) return FailErrno();
    return true;
}

bool RemoveDirectory(const std::string& path) {
    Resolved r;
    if (!ResolveWritable(path, &r)) return false;
    if (!r.exists) return Fail(r.MissingError());
    if (!r.isDirectory) return Fail(kErrorDirectory);
    if (r.isRoot) return Fail(kErrorAccessDenied);
    posix::NoteHostChange();
    if (::rmdir(r.host.c_str()) != 0) return FailErrno();
    return true;
}

bool MoveFile(const std::string& from, const std::string& to, bool replaceExisting) {
    posix::KillPoint("move", to);
    Resolved a, b;
    if (!ResolveWritable(from, &a)) return false;
    if (!a.exists) return Fail(a.MissingError());
    if (a.isRoot) return Fail(kErrorAccessDenied);
    if (!ResolveWritable(to, &b)) return false;
    if (!b.exists && !b.parentExists) return Fail(kErrorPathNotFound);
    struct stat sa;
    if (::lstat(a.host.c_str(), &sa) != 0) return FailErrno();
    if (posix::IsOpenWithoutShareDelete(sa.st_dev, sa.st_ino)) {
        return Fail(kErrorSharingViolation);
    }
    std::string target = b.host;
    if (b.exists) {
        struct stat sb;
        if (::lstat(b.host.c_str(), &sb) != 0) return FailErrno();
        if (sb.st_dev == sa.st_dev && sb.st_ino == sa.st_ino) {
            // The same entry under another spelling: a rename that only changes case.
            posix::ParsedPath parsed;
            uint32_t error = 0;
            if (!posix::ParseWindowsPath(to, true, &parsed, &error)) return Fail(error);
            target = ParentHost(b.host) + "/" + parsed.parts.back();
        } else {
            if (!replaceExisting) return Fail(kErrorAlreadyExists);
            if (S_ISDIR(sb.st_mode) || (sb.st_mode & S_IWUSR) == 0) {
                return Fail(kErrorAccessDenied);
            }
            if (posix::IsOpenWithoutShareDelete(sb.st_dev, sb.st_ino)) {
                return Fail(kErrorSharingViolation);
            }
        }
    }
    posix::NoteHostChange();
    if (::rename(a.host.c_str(), target.c_str()) != 0) return FailErrno();
    return true;
}

}  // namespace platform
