// Internals of the emulated Windows machine shared by the posix backend's files: the machine
// description from $ZEFISETUP_PREFIX/machine.ini, the drive table, and the resolution of
// Windows paths to host paths or to files inside an attached image.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/fs.h"

namespace platform::posix {

// A read-only volume backed by a disk image. Inner paths are relative to the volume root,
// components separated by "/", without a leading "/" ("" is the root). Name matching is
// case-insensitive; the returned names keep the image's spelling, as Windows names (WindowsName).
class ImageVolume {
  public:
    virtual ~ImageVolume() = default;
    virtual std::string Label() const = 0;
    // Attributes (read-only always set), size and times of one entry; false when missing.
    virtual bool Stat(const std::string& inner, FindData* out) = 0;
    // Entries of a directory (without "." and ".."); false when it is not a directory.
    virtual bool List(const std::string& innerDir, std::vector<FindData>* out) = 0;
    // Reads up to size bytes at offset; returns the count, or -1 on a read error. Before a block
    // that cannot be read it may return fewer bytes than asked; the next call then fails.
    virtual int64_t ReadAt(const std::string& inner, uint64_t offset, void* buffer,
                           uint64_t size) = 0;
};

struct Drive {
    char letter = 0;              // 'A'..'Z'
    uint32_t type = kDriveFixed;  // kDrive* of fs.h
    std::string label;
    std::string hostRoot;                // absolute host directory, no trailing "/" (except "/")
    std::shared_ptr<ImageVolume> image;  // set for an image-backed drive
};

struct Machine {
    std::string prefix;  // absolute host path of $ZEFISETUP_PREFIX
    uint16_t language = 1029;
    bool admin = true;
    std::string temp;  // Windows path of the temporary directory, ending with "\"
    std::map<char, Drive> drives;
    // [services]: name as written -> state text (running, paused, stopped, ...), in file order.
    std::vector<std::pair<std::string, std::string>> services;
    std::string dnsServer;  // "host:port" or empty
    // The process-wide current directory as a Windows path ("X:\dir", "X:\" for a root).
    std::string currentDirectory;
};

// The machine, loaded on first use. The lock guards every access to it and to the drive table.
Machine& GetMachine();
std::recursive_mutex& MachineLock();

// One "key = value" line of machine.ini: its section in lower case, the key as written, and the
// value without its comment (";" or "#" at the start or after a blank) and outer blanks.
struct IniEntry {
    std::string section;
    std::string key;
    std::string value;
};
// The entries of the machine.ini at host path, in file order (none when it cannot be read).
std::vector<IniEntry> ReadMachineIni(const std::string& path);

// Writes the [services] section back into machine.ini (other sections kept as they are).
bool SaveServices();

// Attaches an image as the first free drive letter from D: on, type CD-ROM, label from the
// volume. Returns the letter, or 0 when every letter is taken.
char AttachImageDrive(std::shared_ptr<ImageVolume> volume);
void DetachImageDrive(char letter);

// A Windows path resolved against the drive table.
// The drive fields are copied out of the drive table, so a Resolved stays usable when the table
// changes; drive itself points into the table and is only valid until the table changes.
struct Resolved {
    bool ok = false;  // false: error holds the Win32 code (3 path not found, 53 UNC...)
    uint32_t error = 0;
    const Drive* drive = nullptr;
    char letter = 0;
    uint32_t driveType = kDriveUnknown;
    bool readOnly = false;               // image or CD-ROM drive: every write fails with 19
    std::shared_ptr<ImageVolume> image;  // set for an image-backed drive
    std::string windowsPath;             // full Windows path, normalised ("X:\a\b")
    std::string host;           // host path for a host-backed drive (existing components with
                                // their on-disk spelling, new ones as given)
    std::string inner;          // path inside an image volume ("a/b"), for an image drive
    bool exists = false;        // whether the full path exists
    bool parentExists = false;  // whether the directory holding the last component exists
    bool isDirectory = false;   // the full path exists and is a directory
    bool isRoot = false;        // the path is the drive's root
    // The status of host as taken while resolving it (links followed; a dangling link's own),
    // when the resolution had it at hand. Spares the callers a second stat of the same path.
    bool hostStatValid = false;
    struct stat hostStat {};

    // The error for a path that does not exist: 2 when only the last component is missing,
    // else 3.
    uint32_t MissingError() const { return parentExists ? 2u : 3u; }
};

// A Windows path split into its parts, without touching the disk.
struct ParsedPath {
    bool unc = false;                // "\\server\share\..." (parts hold server, share, ...)
    char letter = 0;                 // upper-case drive letter for a drive path
    std::vector<std::string> parts;  // components after the root, "." and ".." applied
    bool trailingSeparator = false;  // the text ended with "\" or "/"
};

// Parses a Windows path against the current directory. With validate, components holding
// characters that Windows refuses in names (wildcards included) fail with 123, and a full path
// longer than 259 characters fails with 206. False with *error set on failure.
bool ParseWindowsPath(const std::string& path, bool validate, ParsedPath* out, uint32_t* error);
// "X:\a\b" (or "\\server\share\..." ) of a parsed path; "X:\" for a root.
std::string JoinWindowsPath(const ParsedPath& parsed);

// Resolves a Windows path ("X:\a\b", "\a\b", "a\b", "/" accepted as separator). The last
// component must not hold wildcards: a search resolves the pattern's directory and matches
// the last component itself. Fails with 53 for a UNC path, 3 for an unmapped letter, 21 for a
// host drive whose directory is missing, 123 or 206 for a name Windows refuses.
Resolved Resolve(const std::string& windowsPath);

// The Windows path of a host path: the drive whose host root is its longest prefix (Z: maps to
// "/" unless machine.ini says otherwise).
std::string WindowsPathOfHost(const std::string& hostPath);

// Names: a Windows name is bytes of the ANSI code page (Windows-1250), a host name is UTF-8.
// Every name passes through these two on its way between the program and the host (path
// resolution, directory listings, image volumes, the registry file), as Wine converts them.
// HostName is lossless (a byte the code page leaves undefined becomes the C1 control of the
// same number); WindowsName gives "?" for a character the code page cannot hold and for bytes
// that are not UTF-8, as Windows' ANSI calls report such a name.
std::string HostName(const std::string& windowsName);
std::string WindowsName(const std::string& hostName);

// Maps errno to a Win32 error code (the single translation table of the backend).
uint32_t MapErrno(int err);
// Sets the last error from errno and returns false, for "return Fail();". The raw errno is
// kept per thread for logs (LastErrno).
bool FailErrno();
bool Fail(uint32_t code);
int LastErrno();

// Attributes, size and times of a host entry (stat, following links). readOnlyMedium adds the
// read-only attribute, as files on a DVD have it. False with the last error set.
bool StatHost(const std::string& host, bool readOnlyMedium, FindData* out);
// The same from a status already taken; name is the entry's own name.
void FindDataFromStat(const std::string& name, const struct stat& st, bool readOnlyMedium,
                      FindData* out);
// Names in a host directory, without "." and "..". False with the last error set.
bool ListHostDirectory(const std::string& host, std::vector<std::string>* names);
// Creates a host directory and its missing parents (mode 0777 before umask).
bool MakeHostDirectories(const std::string& host);

// Counts changes this process makes to host files (data written, files created, deleted or
// moved). A measurement that depends on the disk's contents, such as free space, is reused
// only while the count stays the same.
void NoteHostChange();
uint64_t HostChangeCount();

// Case-insensitive Windows-style wildcard match of one name against a pattern.
bool WildcardMatch(const std::string& pattern, const std::string& name);

// FILETIME from and to host times.
FileTime FileTimeFromUnix(int64_t seconds, int64_t nanoseconds);
void UnixFromFileTime(FileTime time, int64_t* seconds, int64_t* nanoseconds);

}  // namespace platform::posix
