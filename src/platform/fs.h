// Files, directories and volumes with Win32 semantics: Windows paths (drive letters, "\" or "/"
// as separators, case-insensitive names), Win32 error codes through GetLastError, FILETIME-style
// times.
//
// Every function may be called from any thread. Paths are 8-bit strings in the system's ANSI
// code page and are never converted.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// 100 ns ticks since 1 January 1601 (UTC), as a Win32 FILETIME.
using FileTime = uint64_t;

enum : uint32_t {
    kAttrReadOnly = 0x1,
    kAttrHidden = 0x2,
    kAttrSystem = 0x4,
    kAttrDirectory = 0x10,
    kAttrArchive = 0x20,
    kAttrNormal = 0x80,
    kInvalidFileAttributes = 0xFFFFFFFF,
};

// GetDriveType results.
enum : uint32_t {
    kDriveUnknown = 0,
    kDriveNoRootDir = 1,
    kDriveRemovable = 2,
    kDriveFixed = 3,
    kDriveRemote = 4,
    kDriveCdRom = 5,
};

struct FindData {
    std::string name;  // the entry's name as stored on disk (no directory part)
    uint32_t attributes = 0;
    uint64_t size = 0;
    FileTime creationTime = 0;
    FileTime lastAccessTime = 0;
    FileTime lastWriteTime = 0;
};

// A directory search, as FindFirstFile / FindNextFile / FindClose. The pattern is a path whose
// last component may hold "*" and "?" (matched case-insensitively, Windows style: "*.*" matches
// every name). The "." and ".." entries are returned for a directory that is not a drive root,
// as on Windows.
class FindHandle {
  public:
    FindHandle();
    ~FindHandle();
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;

    // Starts the search. False with kErrorFileNotFound when nothing matches, kErrorPathNotFound
    // when the directory does not exist, or another code.
    bool First(const std::string& pattern, FindData* out);
    // The next match. False with kErrorNoMoreFiles (18) at the end.
    bool Next(FindData* out);
    void Close();

  private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

enum : uint32_t { kErrorNoMoreFiles = 18 };

// kInvalidFileAttributes on failure (last error 2 or 3).
uint32_t GetFileAttributes(const std::string& path);
bool SetFileAttributes(const std::string& path, uint32_t attributes);
// Attributes, size and times of one existing entry, without wildcards.
bool GetFileInfo(const std::string& path, FindData* out);
bool SetFileLastWriteTime(const std::string& path, FileTime lastWrite);

// CopyFile: data, last-write time and attributes (read-only included). With failIfExists an
// existing destination fails with kErrorFileExists. A read-only destination fails with
// kErrorAccessDenied.
bool CopyFile(const std::string& source, const std::string& destination, bool failIfExists);
bool DeleteFile(const std::string& path);
bool CreateDirectory(const std::string& path);
bool RemoveDirectory(const std::string& path);
// MoveFileEx: with replaceExisting an existing destination file is replaced in one atomic step.
bool MoveFile(const std::string& from, const std::string& to, bool replaceExisting);

// GetDiskFreeSpace of a root such as "C:\"; the counts fit 32 bits as on Windows (clamped).
bool GetDiskFreeSpace(const std::string& root, uint32_t* sectorsPerCluster,
                      uint32_t* bytesPerSector, uint32_t* freeClusters, uint32_t* totalClusters);
// GetDiskFreeSpaceEx of any directory on the volume.
bool GetDiskFreeSpaceEx(const std::string& path, uint64_t* freeToCaller, uint64_t* totalBytes,
                        uint64_t* totalFree);
// Whether the extended free-space query exists on this system (always true here).
bool HasDiskFreeSpaceEx();

// GetDriveType of a root ("C:\"); kDriveNoRootDir for a letter that is not mapped.
uint32_t GetDriveType(const std::string& root);
// GetVolumeInformation: the label of the volume at root. False for an unmapped letter.
bool GetVolumeLabel(const std::string& root, std::string* label);
// Bit n set when drive letter 'A' + n exists.
uint32_t GetLogicalDrives();

// GetLongPathName / GetShortPathName: false with 2 or 3 when the path does not exist.
bool GetLongPathName(const std::string& path, std::string* out);
bool GetShortPathName(const std::string& path, std::string* out);
// GetFullPathName: an absolute Windows path, without touching the disk.
std::string GetFullPathName(const std::string& path);

// The current directory as a Windows path (no trailing backslash except for a root).
bool GetCurrentDirectory(std::string* out);
bool SetCurrentDirectory(const std::string& path);
// The temporary directory, ending with a backslash.
bool GetTempPath(std::string* out);
// The full Windows path of the running program.
std::string GetModuleFileName();

}  // namespace platform
