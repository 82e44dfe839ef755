// Volumes and process-wide directories of the emulated machine: free space, drive types and
// labels, long/short/full path forms, the current and temporary directories, the program path.
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>

#include "platform/ascii.h"
#include "platform/errors.h"
#include "platform/fs.h"
#include "platform/posix/vfs.h"

namespace platform {

using posix::Fail;
using posix::FailErrno;
using posix::Resolve;
using posix::Resolved;

namespace {

bool IsUnc(const std::string& path) {
    return path.size() >= 2 && (path[0] == '\\' || path[0] == '/') &&
           (path[1] == '\\' || path[1] == '/');
}

// The drive a root such as "C:\", "c:" or "" (the current drive) names; 0 when the text is
// not a root.
char RootLetter(const std::string& root) {
    if (root.empty() || root == "\\" || root == "/") {
        std::string cwd;
        GetCurrentDirectory(&cwd);
        return cwd.empty() ? 0 : cwd[0];
    }
    const char c = ToUpperAscii(root[0]);
    if (c < 'A' || c > 'Z' || root.size() < 2 || root[1] != ':') return 0;
    if (root.size() == 2 || (root.size() == 3 && (root[2] == '\\' || root[2] == '/'))) return c;
    return 0;
}

// A copy of the drive for a letter; false when it is not mapped.
bool FindDrive(char letter, posix::Drive* out) {
    std::lock_guard<std::recursive_mutex> lock(posix::MachineLock());
    posix::Machine& m = posix::GetMachine();
    auto it = m.drives.find(letter);
    if (it == m.drives.end()) return false;
    *out = it->second;
    return true;
}

uint32_t Clamp32(uint64_t v) { return v > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<uint32_t>(v); }

// Free and total bytes of a drive's volume, measured at host (the drive root or a directory on
// it). Read-only media have no free space.
bool VolumeSpace(const posix::Drive& d, const std::string& host, uint64_t* freeToCaller,
                 uint64_t* total, uint64_t* totalFree, uint64_t* blockSize) {
    *freeToCaller = *total = *totalFree = 0;
    *blockSize = 2048;
    if (d.image) return true;
    struct statvfs vfs;
    if (::statvfs(host.c_str(), &vfs) != 0) {
        return errno == ENOENT ? Fail(kErrorNotReady) : FailErrno();
    }
    uint64_t unit = vfs.f_frsize != 0 ? vfs.f_frsize : vfs.f_bsize;
    *blockSize = unit;
    *total = static_cast<uint64_t>(vfs.f_blocks) * unit;
    if (d.type != kDriveCdRom) {
        *freeToCaller = static_cast<uint64_t>(vfs.f_bavail) * unit;
        *totalFree = static_cast<uint64_t>(vfs.f_bfree) * unit;
    }
    return true;
}

// Free space of drive roots, measured once and reused for a moment. The copy loops ask after
// every 4 KiB block; a measurement serves only until this process changes a host file again
// (posix::HostChangeCount: every buffer flushed by a copy) and never longer than kSpaceReuse,
// so the value keeps falling as a copy proceeds and follows other processes within that time.
constexpr std::chrono::milliseconds kSpaceReuse{2};

struct RootSpace {
    uint64_t freeToCaller = 0, total = 0, totalFree = 0, blockSize = 0;
};

struct CachedRootSpace {
    bool valid = false;
    std::string hostRoot;
    uint32_t type = 0;
    uint64_t changes = 0;
    std::chrono::steady_clock::time_point measured;
    RootSpace space;
};

// Guarded by the machine lock, as the drive table it mirrors.
CachedRootSpace g_rootSpace[26];

// The space of a drive's root. Fails with 3 for an unmapped letter, else as VolumeSpace.
bool MeasureRoot(char letter, RootSpace* out) {
    if (letter < 'A' || letter > 'Z') return Fail(kErrorPathNotFound);
    CachedRootSpace& cached = g_rootSpace[letter - 'A'];
    posix::Drive d;
    {
        std::lock_guard<std::recursive_mutex> lock(posix::MachineLock());
        posix::Machine& m = posix::GetMachine();
        auto it = m.drives.find(letter);
        if (it == m.drives.end()) return Fail(kErrorPathNotFound);
        const posix::Drive& drive = it->second;
        if (cached.valid && !drive.image && cached.hostRoot == drive.hostRoot &&
            cached.type == drive.type && cached.changes == posix::HostChangeCount() &&
            std::chrono::steady_clock::now() - cached.measured < kSpaceReuse) {
            *out = cached.space;
            return true;
        }
        d = drive;
    }
    // The count is read before measuring: a change made meanwhile forces the next measurement.
    uint64_t changes = posix::HostChangeCount();
    auto measured = std::chrono::steady_clock::now();
    RootSpace space;
    if (!VolumeSpace(d, d.hostRoot, &space.freeToCaller, &space.total, &space.totalFree,
                     &space.blockSize)) {
        return false;
    }
    *out = space;
    if (d.image) return true;
    std::lock_guard<std::recursive_mutex> lock(posix::MachineLock());
    cached.valid = true;
    cached.hostRoot = d.hostRoot;
    cached.type = d.type;
    cached.changes = changes;
    cached.measured = measured;
    cached.space = space;
    return true;
}

}  // namespace

bool GetDiskFreeSpace(const std::string& root, uint32_t* sectorsPerCluster,
                      uint32_t* bytesPerSector, uint32_t* freeClusters, uint32_t* totalClusters) {
    if (IsUnc(root)) return Fail(kErrorBadNetPath);
    // The copy loops ask after every block, so a root is looked up without walking a path.
    char letter = RootLetter(root);
    if (letter == 0) return Fail(kErrorInvalidName);
    RootSpace space;
    if (!MeasureRoot(letter, &space)) return false;
    const uint64_t freeToCaller = space.freeToCaller, total = space.total;
    const uint64_t blockSize = space.blockSize;
    const uint64_t sector = 512;
    uint64_t perCluster = blockSize >= sector ? blockSize / sector : 1;
    uint64_t cluster = perCluster * sector;
    if (sectorsPerCluster) *sectorsPerCluster = static_cast<uint32_t>(perCluster);
    if (bytesPerSector) *bytesPerSector = static_cast<uint32_t>(sector);
    if (freeClusters) *freeClusters = Clamp32(freeToCaller / cluster);
    if (totalClusters) *totalClusters = Clamp32(total / cluster);
    return true;
}

bool GetDiskFreeSpaceEx(const std::string& path, uint64_t* freeToCaller, uint64_t* totalBytes,
                        uint64_t* totalFree) {
    if (IsUnc(path)) return Fail(kErrorBadNetPath);
    char letter = RootLetter(path);
    if (letter != 0) {
        // The copy loops ask after every block: a root is neither resolved nor always measured.
        RootSpace space;
        if (!MeasureRoot(letter, &space)) return false;
        if (freeToCaller) *freeToCaller = space.freeToCaller;
        if (totalBytes) *totalBytes = space.total;
        if (totalFree) *totalFree = space.totalFree;
        return true;
    }
    posix::Drive d;
    std::string host;
    {
        Resolved r = Resolve(path);
        if (!r.ok) return Fail(r.error);
        if (!r.exists) return Fail(r.MissingError());
        if (!FindDrive(r.letter, &d)) return Fail(kErrorPathNotFound);
        host = r.host;
    }
    uint64_t a, b, c, blockSize;
    if (!VolumeSpace(d, host, &a, &b, &c, &blockSize)) return false;
    if (freeToCaller) *freeToCaller = a;
    if (totalBytes) *totalBytes = b;
    if (totalFree) *totalFree = c;
    return true;
}

bool HasDiskFreeSpaceEx() { return true; }

uint32_t GetDriveType(const std::string& root) {
    if (IsUnc(root)) return kDriveRemote;
    char letter = RootLetter(root);
    posix::Drive d;
    if (letter == 0 || !FindDrive(letter, &d)) return kDriveNoRootDir;
    return d.type;
}

bool GetVolumeLabel(const std::string& root, std::string* label) {
    if (IsUnc(root)) return Fail(kErrorBadNetPath);
    char letter = RootLetter(root);
    if (letter == 0) return Fail(kErrorInvalidName);
    posix::Drive d;
    if (!FindDrive(letter, &d)) return Fail(kErrorPathNotFound);
    Resolved r = Resolve(std::string(1, letter) + ":\\");
    if (!r.ok) return Fail(r.error);
    *label = d.label;
    return true;
}

uint32_t GetLogicalDrives() {
    std::lock_guard<std::recursive_mutex> lock(posix::MachineLock());
    uint32_t mask = 0;
    for (const auto& [letter, d] : posix::GetMachine().drives) mask |= 1u << (letter - 'A');
    return mask;
}

bool GetLongPathName(const std::string& path, std::string* out) {
    Resolved r = Resolve(path);
    if (!r.ok) return Fail(r.error);
    if (!r.exists) return Fail(r.MissingError());
    std::string result = r.windowsPath;
    char last = path.back();
    if (!r.isRoot && (last == '\\' || last == '/')) result += '\\';
    *out = result;
    return true;
}

bool GetShortPathName(const std::string& path, std::string* out) {
    // The machine keeps no 8.3 names: an existing path is its own short form.
    Resolved r = Resolve(path);
    if (!r.ok) return Fail(r.error);
    if (!r.exists) return Fail(r.MissingError());
    *out = path;
    return true;
}

std::string GetFullPathName(const std::string& path) {
    posix::ParsedPath parsed;
    uint32_t error = 0;
    if (!posix::ParseWindowsPath(path, false, &parsed, &error)) {
        SetLastError(error);
        return "";
    }
    std::string full = posix::JoinWindowsPath(parsed);
    if (parsed.trailingSeparator && full.back() != '\\') full += '\\';
    return full;
}

bool GetCurrentDirectory(std::string* out) {
    std::lock_guard<std::recursive_mutex> lock(posix::MachineLock());
    *out = posix::GetMachine().currentDirectory;
    return true;
}

bool SetCurrentDirectory(const std::string& path) {
    Resolved r = Resolve(path);
    if (!r.ok) return Fail(r.error);
    if (!r.exists) return Fail(r.MissingError());
    if (!r.isDirectory) return Fail(kErrorDirectory);
    // The host process follows, so that a child started from here starts in the same place.
    if (!r.image && ::chdir(r.host.c_str()) != 0) return FailErrno();
    std::lock_guard<std::recursive_mutex> lock(posix::MachineLock());
    posix::GetMachine().currentDirectory = r.windowsPath;
    return true;
}

bool GetTempPath(std::string* out) {
    std::string temp;
    {
        std::lock_guard<std::recursive_mutex> lock(posix::MachineLock());
        temp = posix::GetMachine().temp;
    }
    Resolved r = Resolve(temp);
    if (r.ok && !r.exists && !r.readOnly) posix::MakeHostDirectories(r.host);
    *out = temp;
    return true;
}

std::string GetModuleFileName() {
    char buf[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "";
    return posix::WindowsPathOfHost(std::string(buf, static_cast<size_t>(n)));
}

}  // namespace platform
