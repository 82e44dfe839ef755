// Volumes and process-wide directories of the Windows machine: free space, drive types and
// labels, long/short/full path forms, the current and temporary directories, the program path.
#include <atomic>
#include <chrono>
#include <mutex>
#include <string>

#include "platform/ascii.h"
#include "platform/errors.h"
#include "platform/fs.h"
#include "platform/volume_root.h"
#include "platform/win32/fs_util.h"
#include "platform/win32/win_names.h"

namespace platform {

using win32::Fail;
using win32::FailWithSystemError;

namespace {

// A root as the volume calls need it: "C:" and "C:/" become "C:\", "" the current drive's root.
std::string RootOf(const std::string& root) {
    if (root.size() == 2 && root[1] == ':') return root + '\\';
    if (root.size() == 3 && root[1] == ':' && root[2] == '/') return root.substr(0, 2) + '\\';
    return root;
}

const char* RootArgument(const std::string& root) { return root.empty() ? nullptr : root.c_str(); }

// Runs a call of the GetFullPathName kind, which answers with the length it wrote, or with
// the size it needs when the buffer is too small, or 0 on failure (last error set).
template <typename Call>
bool StringFrom(Call call, std::string* out) {
    char buffer[MAX_PATH + 1];
    DWORD length = call(buffer, static_cast<DWORD>(sizeof buffer));
    if (length == 0) return FailWithSystemError();
    if (length < sizeof buffer) {
        out->assign(buffer, length);
        return true;
    }
    // Longer than a classic path: once more with the size asked for.
    std::string longer(length, '\0');
    length = call(longer.data(), length);
    if (length == 0 || length >= longer.size()) return FailWithSystemError();
    longer.resize(length);
    *out = std::move(longer);
    return true;
}

// Free space of drive roots, measured once and reused for a moment. The copy loops ask after
// every 4 KiB block, and one query costs a few milliseconds under Wine, far more than writing
// the block. A measurement serves until this process has written or freed kSpaceReuseBytes
// since, and never longer than kSpaceReuseTime, so the value keeps falling as a copy proceeds
// and follows other processes within that time.
constexpr uint64_t kSpaceReuseBytes = 1 << 20;
constexpr std::chrono::milliseconds kSpaceReuseTime{50};

std::atomic<uint64_t> g_diskChanges{0};

struct RootSpace {
    uint64_t freeToCaller = 0, total = 0, totalFree = 0;
};

struct CachedRootSpace {
    bool valid = false;
    uint64_t changes = 0;
    std::chrono::steady_clock::time_point measured;
    RootSpace space;
};

std::mutex g_spaceLock;
CachedRootSpace g_rootSpace[26];

// The letter of a root "X:\"; 0 for any other path.
char DriveLetterOfRoot(const std::string& root) {
    if (root.size() != 3 || root[1] != ':' || root[2] != '\\') return 0;
    const char c = ToUpperAscii(root[0]);
    return c >= 'A' && c <= 'Z' ? c : 0;
}

bool ReusedSpace(char letter, RootSpace* out) {
    std::lock_guard<std::mutex> lock(g_spaceLock);
    const CachedRootSpace& cached = g_rootSpace[letter - 'A'];
    if (!cached.valid || g_diskChanges.load() - cached.changes >= kSpaceReuseBytes ||
        std::chrono::steady_clock::now() - cached.measured >= kSpaceReuseTime) {
        return false;
    }
    *out = cached.space;
    return true;
}

// The count and time are those from before the query: a change made meanwhile counts against
// the measurement.
void KeepSpace(char letter, const RootSpace& space, uint64_t changes,
               std::chrono::steady_clock::time_point measured) {
    std::lock_guard<std::mutex> lock(g_spaceLock);
    g_rootSpace[letter - 'A'] = {true, changes, measured, space};
}

}  // namespace

namespace win32 {

void NoteDiskChange(uint64_t bytes) { g_diskChanges.fetch_add(bytes); }

void NoteDiskChange() { g_diskChanges.fetch_add(kSpaceReuseBytes); }

uint32_t ChangeError(const std::string& path, uint32_t code) {
    if (code != ERROR_ACCESS_DENIED) return code;
    const std::string root = VolumeRoot(path);
    DWORD flags = 0;
    if (!root.empty() &&
        ::GetVolumeInformationA(root.c_str(), nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) &&
        (flags & FILE_READ_ONLY_VOLUME) != 0) {
        return kErrorWriteProtect;
    }
    return code;
}

}  // namespace win32

bool GetDiskFreeSpace(const std::string& root, uint32_t* sectorsPerCluster,
                      uint32_t* bytesPerSector, uint32_t* freeClusters, uint32_t* totalClusters) {
    DWORD spc = 0, bps = 0, freeCount = 0, totalCount = 0;
    const std::string r = RootOf(root);
    if (!::GetDiskFreeSpaceA(RootArgument(r), &spc, &bps, &freeCount, &totalCount)) return false;
    if (sectorsPerCluster) *sectorsPerCluster = spc;
    if (bytesPerSector) *bytesPerSector = bps;
    if (freeClusters) *freeClusters = freeCount;
    if (totalClusters) *totalClusters = totalCount;
    return true;
}

bool GetDiskFreeSpaceEx(const std::string& path, uint64_t* freeToCaller, uint64_t* totalBytes,
                        uint64_t* totalFree) {
    const std::string r = RootOf(path);
    const char letter = DriveLetterOfRoot(r);
    RootSpace space;
    if (letter == 0 || !ReusedSpace(letter, &space)) {
        const uint64_t changes = g_diskChanges.load();
        const auto measured = std::chrono::steady_clock::now();
        ULARGE_INTEGER caller, total, free;
        if (!::GetDiskFreeSpaceExA(RootArgument(r), &caller, &total, &free)) return false;
        space = {caller.QuadPart, total.QuadPart, free.QuadPart};
        if (letter != 0) KeepSpace(letter, space, changes, measured);
    }
    if (freeToCaller) *freeToCaller = space.freeToCaller;
    if (totalBytes) *totalBytes = space.total;
    if (totalFree) *totalFree = space.totalFree;
    return true;
}

bool HasDiskFreeSpaceEx() {
    // Every Windows of the NT family has it.
    return true;
}

uint32_t GetDriveType(const std::string& root) {
    const std::string r = RootOf(root);
    return ::GetDriveTypeA(RootArgument(r));
}

bool GetVolumeLabel(const std::string& root, std::string* label) {
    char name[MAX_PATH + 1] = {};
    const std::string r = RootOf(root);
    if (!::GetVolumeInformationA(RootArgument(r), name, sizeof name, nullptr, nullptr, nullptr,
                                 nullptr, 0)) {
        return false;
    }
    *label = name;
    return true;
}

uint32_t GetLogicalDrives() { return ::GetLogicalDrives(); }

bool GetLongPathName(const std::string& path, std::string* out) {
    return StringFrom(
        [&](char* buffer, DWORD size) { return ::GetLongPathNameA(path.c_str(), buffer, size); },
        out);
}

bool GetShortPathName(const std::string& path, std::string* out) {
    return StringFrom(
        [&](char* buffer, DWORD size) { return ::GetShortPathNameA(path.c_str(), buffer, size); },
        out);
}

std::string GetFullPathName(const std::string& path) {
    std::string full;
    StringFrom([&](char* buffer,
                   DWORD size) { return ::GetFullPathNameA(path.c_str(), size, buffer, nullptr); },
               &full);
    return full;
}

bool GetCurrentDirectory(std::string* out) {
    return StringFrom([](char* buffer, DWORD size) { return ::GetCurrentDirectoryA(size, buffer); },
                      out);
}

bool SetCurrentDirectory(const std::string& path) {
    return ::SetCurrentDirectoryA(path.c_str()) != 0;
}

bool GetTempPath(std::string* out) {
    if (!StringFrom([](char* buffer, DWORD size) { return ::GetTempPathA(size, buffer); }, out)) {
        return false;
    }
    // A profile whose temporary folder was deleted gets it back, as the program writes its
    // copies and logs there.
    if (::GetFileAttributesA(out->c_str()) == INVALID_FILE_ATTRIBUTES) {
        ::CreateDirectoryA(out->c_str(), nullptr);
    }
    return true;
}

std::string GetModuleFileName() {
    // The call cuts the name to the buffer and then answers with the buffer's size.
    for (DWORD size = MAX_PATH + 1; size <= 32768; size *= 2) {
        std::string name(size, '\0');
        DWORD length = ::GetModuleFileNameA(nullptr, name.data(), size);
        if (length == 0) return std::string();
        if (length < size) {
            name.resize(length);
            return name;
        }
    }
    return std::string();
}

}  // namespace platform
