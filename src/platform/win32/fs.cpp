// Files and directories of the Windows machine: searches, attributes, times, copy, delete,
// directory creation and removal, and moves, over the system's "A" calls.
#include "platform/fs.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/ascii.h"
#include "platform/errors.h"
#include "platform/win32/fs_util.h"
#include "platform/win32/win_names.h"

namespace platform {

using win32::Fail;
using win32::FailChange;
using win32::FailWithSystemError;
using win32::FromFiletime;

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsDotEntry(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

FindData FindDataOf(const WIN32_FIND_DATAA& entry) {
    FindData out;
    out.name = entry.cFileName;
    out.attributes = entry.dwFileAttributes;
    out.size = (static_cast<uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
    out.creationTime = FromFiletime(entry.ftCreationTime);
    out.lastAccessTime = FromFiletime(entry.ftLastAccessTime);
    out.lastWriteTime = FromFiletime(entry.ftLastWriteTime);
    return out;
}

// Whether an absolute path names the root of a drive ("C:\") or of a share ("\\srv\share\").
bool IsRootPath(const std::string& full) {
    if (full.size() == 3 && full[1] == ':' && IsSeparator(full[2])) return true;
    if (full.size() < 2 || !IsSeparator(full[0]) || !IsSeparator(full[1])) return false;
    // A share root has exactly two components after the leading separators.
    size_t server = full.find_first_of("\\/", 2);
    if (server == std::string::npos) return false;
    size_t share = full.find_first_of("\\/", server + 1);
    return share == std::string::npos || share + 1 == full.size();
}

// The last component of an absolute path.
std::string NameOf(const std::string& full) { return full.substr(full.find_last_of("\\/") + 1); }

// The name of an existing entry as its directory stores it; "" when it cannot be listed.
std::string OnDiskName(const std::string& full) {
    WIN32_FIND_DATAA entry;
    HANDLE find = ::FindFirstFileA(full.c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return std::string();
    ::FindClose(find);
    return entry.cFileName;
}

// Lists every entry that pattern matches, "." and ".." first where the system gives them,
// the others in the order of their names folded to lower case (ties in the system's order).
// NTFS lists names almost that way; other file systems (and Wine) list them as they are
// stored, and a fixed order keeps the copy runs, and their logs, the same on every volume.
bool ListMatches(const std::string& pattern, bool dropDotEntries, std::vector<FindData>* out) {
    WIN32_FIND_DATAA entry;
    HANDLE find = ::FindFirstFileA(pattern.c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return false;
    std::vector<FindData> dots, names;
    do {
        if (IsDotEntry(entry.cFileName)) {
            if (!dropDotEntries) dots.push_back(FindDataOf(entry));
        } else {
            names.push_back(FindDataOf(entry));
        }
    } while (::FindNextFileA(find, &entry));
    const DWORD end = ::GetLastError();
    ::FindClose(find);
    if (end != ERROR_NO_MORE_FILES) return Fail(end);

    std::sort(dots.begin(), dots.end(),
              [](const FindData& a, const FindData& b) { return a.name.size() < b.name.size(); });
    std::vector<std::pair<std::string, size_t>> order(names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        order[i].first = LowerAscii(names[i].name);
        order[i].second = i;
    }
    // Bytes are compared as char, as the emulated machine orders them, so that both list a
    // folder with accented names alike.
    std::stable_sort(order.begin(), order.end(), [](const auto& a, const auto& b) {
        return std::lexicographical_compare(a.first.begin(), a.first.end(), b.first.begin(),
                                            b.first.end());
    });
    *out = std::move(dots);
    out->reserve(out->size() + names.size());
    for (const auto& [folded, index] : order) out->push_back(std::move(names[index]));
    return true;
}

// Attribute bits that SetFileAttributes accepts; the directory bit of a value read from
// GetFileAttributes is not among them.
constexpr uint32_t kSettableAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
    FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_TEMPORARY |
    FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

}  // namespace

struct FindHandle::Impl {
    std::vector<FindData> entries;
    size_t next = 0;
};

FindHandle::FindHandle() : m_impl(std::make_unique<Impl>()) {}
FindHandle::~FindHandle() = default;

bool FindHandle::First(const std::string& pattern, FindData* out) {
    Close();
    size_t sep = pattern.find_last_of("\\/");
    std::string directory = sep != std::string::npos ? pattern.substr(0, sep + 1) : "";
    if (sep == std::string::npos && pattern.size() >= 2 && pattern[1] == ':') {
        directory = pattern.substr(0, 2);
    }
    // "C:\dir\" asks for no name at all.
    if (directory.size() == pattern.size()) return Fail(kErrorFileNotFound);
    // The entries "." and ".." of a drive's root are not reported, as NTFS has none there.
    const std::string full = GetFullPathName(directory.empty() ? "." : directory);
    std::string parent = full;
    if (parent.size() > 3 && IsSeparator(parent.back())) parent.pop_back();
    if (!ListMatches(pattern, IsRootPath(parent), &m_impl->entries)) return false;
    if (m_impl->entries.empty()) return Fail(kErrorFileNotFound);
    *out = m_impl->entries[0];
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
    return static_cast<uint32_t>(::GetFileAttributesA(path.c_str()));
}

bool SetFileAttributes(const std::string& path, uint32_t attributes) {
    DWORD value = attributes & kSettableAttributes;
    if (value == 0) value = FILE_ATTRIBUTE_NORMAL;
    if (!::SetFileAttributesA(path.c_str(), value)) return FailChange(path);
    return true;
}

bool GetFileInfo(const std::string& path, FindData* out) {
    if (path.find_first_of("*?") != std::string::npos) return Fail(kErrorInvalidName);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
        return FailWithSystemError();
    }
    FindData info;
    info.attributes = data.dwFileAttributes;
    info.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    info.creationTime = FromFiletime(data.ftCreationTime);
    info.lastAccessTime = FromFiletime(data.ftLastAccessTime);
    info.lastWriteTime = FromFiletime(data.ftLastWriteTime);
    // The name as stored on disk comes from the directory; a root has none.
    std::string full = GetFullPathName(path);
    if (full.size() > 3 && IsSeparator(full.back())) full.pop_back();
    if (!full.empty() && !IsRootPath(full)) {
        info.name = OnDiskName(full);
        // A directory that may not be listed still names the entry as it was asked for.
        if (info.name.empty()) info.name = NameOf(full);
    }
    *out = std::move(info);
    SetLastError(kErrorSuccess);
    return true;
}

bool SetFileLastWriteTime(const std::string& path, FileTime lastWrite) {
    // Directories open only with backup semantics; the attribute right is enough for times,
    // and is granted on a read-only file as well.
    HANDLE file = ::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return FailChange(path);
    const FILETIME time = win32::ToFiletime(lastWrite);
    const bool ok = ::SetFileTime(file, nullptr, nullptr, &time) != 0;
    const DWORD error = ::GetLastError();
    ::CloseHandle(file);
    if (!ok) return Fail(error);
    return true;
}

bool CopyFile(const std::string& source, const std::string& destination, bool failIfExists) {
    if (!failIfExists && win32::IsReadOnlyFile(destination)) {
        return Fail(win32::ChangeError(destination, kErrorAccessDenied));
    }
    const bool copied =
        ::CopyFileA(source.c_str(), destination.c_str(), failIfExists ? TRUE : FALSE) != 0;
    // Even a failed copy may have replaced or begun the destination.
    const DWORD error = ::GetLastError();
    win32::NoteDiskChange();
    if (!copied) return Fail(win32::ChangeError(destination, error));
    SetLastError(kErrorSuccess);
    return true;
}

bool DeleteFile(const std::string& path) {
    if (!::DeleteFileA(path.c_str())) return FailChange(path);
    win32::NoteDiskChange();
    return true;
}

bool CreateDirectory(const std::string& path) {
    if (!::CreateDirectoryA(path.c_str(), nullptr)) return FailChange(path);
    return true;
}

bool RemoveDirectory(const std::string& path) {
    if (!::RemoveDirectoryA(path.c_str())) return FailChange(path);
    return true;
}

namespace {

// Whether another handle holds path open without letting it be renamed or deleted. Windows
// answers a rename of, or over, such a file with "access denied"; the file is in use, and the
// error says so, since closing the program that holds it is what the user must do.
bool IsInUse(const std::string& path) {
    HANDLE handle =
        ::CreateFileA(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return ::GetLastError() == ERROR_SHARING_VIOLATION;
    ::CloseHandle(handle);
    return false;
}

}  // namespace

bool MoveFile(const std::string& from, const std::string& to, bool replaceExisting) {
    const std::string fullFrom = GetFullPathName(from), fullTo = GetFullPathName(to);
    // The same entry under another spelling is a rename that only changes case.
    const bool sameEntry = !fullFrom.empty() && EqualsNoCase(fullFrom, fullTo);
    if (replaceExisting && !sameEntry && win32::IsReadOnlyFile(to)) {
        return Fail(win32::ChangeError(to, kErrorAccessDenied));
    }
    // Write-through: the rename that puts a rewritten file in place has reached the disk when
    // this returns, like the data flushed before it.
    DWORD flags = MOVEFILE_WRITE_THROUGH;
    if (replaceExisting) flags |= MOVEFILE_REPLACE_EXISTING;
    if (!::MoveFileExA(from.c_str(), to.c_str(), flags)) {
        uint32_t error = win32::ChangeError(from, ::GetLastError());
        error = win32::ChangeError(to, error);
        if (error == kErrorAccessDenied && (IsInUse(from) || (replaceExisting && IsInUse(to)))) {
            error = kErrorSharingViolation;
        }
        return Fail(error);
    }
    // A replaced file's space is free now.
    if (replaceExisting) win32::NoteDiskChange();
    if (sameEntry && fullFrom != fullTo && OnDiskName(fullTo) != NameOf(fullTo)) {
        // Some file systems (Wine's among them) take a rename onto the same entry as done
        // without changing the name; through a name of its own the entry takes the new one.
        const std::string step = fullFrom + ".~rename";
        if (!::MoveFileExA(fullFrom.c_str(), step.c_str(), MOVEFILE_WRITE_THROUGH) ||
            !::MoveFileExA(step.c_str(), fullTo.c_str(), MOVEFILE_WRITE_THROUGH)) {
            return FailWithSystemError();
        }
    }
    return true;
}

}  // namespace platform
