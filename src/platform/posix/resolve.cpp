// Resolution of Windows paths on the emulated machine: parsing against the current directory,
// case-insensitive lookup through host directories or image volumes, the Windows name of a host
// path, wildcard matching and file-time conversion.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "platform/ascii.h"
#include "platform/errors.h"
#include "platform/posix/dir_cache.h"
#include "platform/posix/vfs.h"

namespace platform::posix {

namespace {

constexpr size_t kMaxPath = 260;  // MAX_PATH, the terminating NUL included

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Splits on "\" and applies "." and ".." (never above the root).
void AddComponents(const std::string& text, std::vector<std::string>* parts) {
    size_t i = 0;
    while (i <= text.size()) {
        size_t end = text.find('\\', i);
        if (end == std::string::npos) end = text.size();
        std::string part = text.substr(i, end - i);
        if (part == "..") {
            if (!parts->empty()) parts->pop_back();
        } else if (!part.empty() && part != ".") {
            parts->push_back(part);
        }
        i = end + 1;
    }
}

bool ValidComponent(const std::string& part) {
    for (unsigned char c : part) {
        if (c < 32 || c == '<' || c == '>' || c == ':' || c == '"' || c == '|' || c == '?' ||
            c == '*') {
            return false;
        }
    }
    return true;
}

std::string HostJoin(const std::string& dir, const std::string& name) {
    return dir == "/" ? "/" + name : dir + "/" + name;
}

bool IsHostDirectory(const std::string& host) {
    struct stat st;
    return ::stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The on-disk spelling of name in a host directory: the exact name when it exists, else the
// first case-insensitive match. Empty when there is none. *isDirectory tells whether the entry
// found is a directory (links followed).
std::string FindHostEntry(const std::string& dir, const std::string& name, bool* isDirectory) {
    struct stat st;
    std::string exact = HostJoin(dir, name);
    if (::lstat(exact.c_str(), &st) == 0) {
        *isDirectory = S_ISLNK(st.st_mode) ? IsHostDirectory(exact) : S_ISDIR(st.st_mode);
        return name;
    }
    std::string found = FindNoCase(dir, name);
    *isDirectory = !found.empty() && IsHostDirectory(HostJoin(dir, found));
    return found;
}

// Resolves a path below a host drive's root in one step for the common cases: the path exists
// as spelled, or only its last component is missing as spelled. False when a component on the
// way needs the case-insensitive walk (or is missing, or not a directory).
bool ResolveOnHostDirectly(const std::vector<std::string>& parts, Resolved* r) {
    std::string parent = r->host;
    for (size_t i = 0; i + 1 < parts.size(); ++i) parent = HostJoin(parent, HostName(parts[i]));
    std::string name = HostName(parts.back());
    std::string full = HostJoin(parent, name);
    struct stat st;
    if (::lstat(full.c_str(), &st) == 0) {
        r->exists = true;
        if (S_ISLNK(st.st_mode)) {
            // The link's target when there is one, else the dangling link itself.
            struct stat target;
            if (::stat(full.c_str(), &target) == 0) st = target;
        }
        r->isDirectory = S_ISDIR(st.st_mode);
        r->hostStat = st;
        r->hostStatValid = true;
    } else {
        if (errno != ENOENT) return false;
        std::string found;
        if (!FindNoCase(parent, name, &found)) return false;
        r->exists = !found.empty();
        if (r->exists) {
            name = found;
            full = HostJoin(parent, name);
            if (::stat(full.c_str(), &st) == 0 || ::lstat(full.c_str(), &st) == 0) {
                r->isDirectory = S_ISDIR(st.st_mode);
                r->hostStat = st;
                r->hostStatValid = true;
            } else {
                r->isDirectory = false;
            }
        } else {
            r->isDirectory = false;
        }
    }
    r->parentExists = true;
    r->host = full;
    std::string windows = std::string(1, r->letter) + ":";
    for (size_t i = 0; i + 1 < parts.size(); ++i) windows += "\\" + parts[i];
    r->windowsPath = windows + "\\" + (r->exists ? WindowsName(name) : parts.back());
    return true;
}

void ResolveOnHost(const std::vector<std::string>& parts, Resolved* r) {
    std::string cur = r->host;
    r->exists = IsHostDirectory(cur);
    r->isDirectory = r->exists;
    r->parentExists = r->exists;
    std::string windows = std::string(1, r->letter) + ":";
    for (size_t i = 0; i < parts.size(); ++i) {
        std::string name = HostName(parts[i]);
        std::string windowsName = parts[i];
        if (r->exists && r->isDirectory) {
            bool isDirectory = false;
            std::string found = FindHostEntry(cur, name, &isDirectory);
            r->parentExists = true;
            if (found.empty()) {
                r->exists = false;
            } else {
                if (found != name) windowsName = WindowsName(found);
                name = found;
                r->isDirectory = isDirectory;
            }
        } else {
            r->parentExists = false;
            r->exists = false;
        }
        if (!r->exists) r->isDirectory = false;
        cur = HostJoin(cur, name);
        windows += "\\" + windowsName;
    }
    if (parts.empty()) windows += "\\";
    r->host = cur;
    r->windowsPath = windows;
}

void ResolveOnImage(const std::vector<std::string>& parts, Resolved* r) {
    std::string inner;
    std::string windows = std::string(1, r->letter) + ":";
    r->exists = true;
    r->isDirectory = true;
    r->parentExists = true;
    for (size_t i = 0; i < parts.size(); ++i) {
        std::string name = parts[i];
        std::string candidate = inner.empty() ? name : inner + "/" + name;
        if (r->exists && r->isDirectory) {
            r->parentExists = true;
            FindData fd;
            if (r->image->Stat(candidate, &fd)) {
                if (!fd.name.empty()) name = fd.name;
                r->isDirectory = (fd.attributes & kAttrDirectory) != 0;
            } else {
                r->exists = false;
            }
        } else {
            r->parentExists = false;
            r->exists = false;
        }
        if (!r->exists) r->isDirectory = false;
        inner = inner.empty() ? name : inner + "/" + name;
        windows += "\\" + name;
    }
    if (parts.empty()) windows += "\\";
    r->inner = inner;
    r->windowsPath = windows;
}

}  // namespace

bool ParseWindowsPath(const std::string& path, bool validate, ParsedPath* out, uint32_t* error) {
    *out = ParsedPath();
    if (path.empty()) {
        *error = kErrorPathNotFound;
        return false;
    }
    std::string p = path;
    for (char& c : p) {
        if (c == '/') c = '\\';
    }
    // "\\?\C:\..." and "\\.\C:\..." name the same file as "C:\...".
    if (p.size() >= 6 && p[0] == '\\' && p[1] == '\\' && (p[2] == '?' || p[2] == '.') &&
        p[3] == '\\' && IsLetter(p[4]) && p[5] == ':') {
        p = p.substr(4);
    }
    out->trailingSeparator = p.back() == '\\';
    if (p.size() >= 2 && p[0] == '\\' && p[1] == '\\') {
        out->unc = true;
        AddComponents(p.substr(2), &out->parts);
        return true;
    }
    std::string cwd;
    {
        std::lock_guard<std::recursive_mutex> lock(MachineLock());
        cwd = GetMachine().currentDirectory;
    }
    char cwdLetter = cwd.empty() ? 'C' : ToUpperAscii(cwd[0]);
    std::vector<std::string> cwdParts;
    if (cwd.size() > 2) AddComponents(cwd.substr(2), &cwdParts);
    std::string rest;
    if (p.size() >= 2 && p[1] == ':' && IsLetter(p[0])) {
        out->letter = ToUpperAscii(p[0]);
        rest = p.substr(2);
        // "X:name" is relative to the drive's current directory, which is the root for every
        // drive but the current one.
        if (!rest.empty() && rest[0] != '\\' && out->letter == cwdLetter) out->parts = cwdParts;
    } else {
        out->letter = cwdLetter;
        rest = p;
        if (rest[0] != '\\') out->parts = cwdParts;
    }
    AddComponents(rest, &out->parts);
    if (validate) {
        for (const std::string& part : out->parts) {
            if (!ValidComponent(part)) {
                *error = kErrorInvalidName;
                return false;
            }
        }
        if (JoinWindowsPath(*out).size() >= kMaxPath) {
            *error = kErrorFilenameExcedRange;
            return false;
        }
    }
    return true;
}

std::string JoinWindowsPath(const ParsedPath& parsed) {
    std::string s = parsed.unc ? "\\\\" : std::string(1, parsed.letter) + ":\\";
    for (size_t i = 0; i < parsed.parts.size(); ++i) {
        if (i > 0) s += '\\';
        s += parsed.parts[i];
    }
    return s;
}

Resolved Resolve(const std::string& windowsPath) {
    Resolved r;
    ParsedPath parsed;
    if (!ParseWindowsPath(windowsPath, true, &parsed, &r.error)) return r;
    if (parsed.unc) {
        r.error = kErrorBadNetPath;
        r.windowsPath = JoinWindowsPath(parsed);
        return r;
    }
    {
        std::lock_guard<std::recursive_mutex> lock(MachineLock());
        Machine& m = GetMachine();
        auto it = m.drives.find(parsed.letter);
        if (it == m.drives.end()) {
            r.error = kErrorPathNotFound;
            r.windowsPath = JoinWindowsPath(parsed);
            return r;
        }
        const Drive& d = it->second;
        r.drive = &d;
        r.letter = d.letter;
        r.driveType = d.type;
        r.image = d.image;
        r.readOnly = d.image != nullptr || d.type == kDriveCdRom;
        r.host = d.hostRoot;
    }
    r.isRoot = parsed.parts.empty();
    if (!r.image && !r.isRoot && ResolveOnHostDirectly(parsed.parts, &r)) {
        r.ok = true;
        return r;
    }
    // A drive whose host directory is missing is a drive without a disc.
    if (!r.image && !IsHostDirectory(r.host)) {
        r.error = kErrorNotReady;
        r.windowsPath = JoinWindowsPath(parsed);
        return r;
    }
    if (r.image) {
        ResolveOnImage(parsed.parts, &r);
    } else {
        ResolveOnHost(parsed.parts, &r);
    }
    r.ok = true;
    return r;
}

std::string WindowsPathOfHost(const std::string& hostPath) {
    std::string path = hostPath;
    if (path.empty() || path[0] != '/') {
        char buf[PATH_MAX];
        std::string cwd = ::getcwd(buf, sizeof buf) != nullptr ? buf : "/";
        path = HostJoin(cwd, path);
    }
    char buf[PATH_MAX];
    if (::realpath(path.c_str(), buf) != nullptr) path = buf;
    // Lexical clean-up for a path that does not exist (yet).
    std::vector<std::string> parts;
    {
        std::string backslashed = path;
        for (char& c : backslashed) {
            if (c == '/') c = '\\';
        }
        AddComponents(backslashed, &parts);
    }
    std::string clean = "/";
    for (size_t i = 0; i < parts.size(); ++i) clean += (i > 0 ? "/" : "") + parts[i];

    std::lock_guard<std::recursive_mutex> lock(MachineLock());
    const Drive* best = nullptr;
    for (const auto& [letter, d] : GetMachine().drives) {
        if (d.image || d.hostRoot.empty()) continue;
        const std::string& root = d.hostRoot;
        bool under = root == "/" || clean == root ||
                     (clean.size() > root.size() && clean.compare(0, root.size(), root) == 0 &&
                      clean[root.size()] == '/');
        if (under && (best == nullptr || root.size() > best->hostRoot.size())) best = &d;
    }
    if (best == nullptr) return "";
    std::string rest =
        best->hostRoot == "/" ? clean.substr(1) : clean.substr(best->hostRoot.size());
    if (!rest.empty() && rest[0] == '/') rest = rest.substr(1);
    for (char& c : rest) {
        if (c == '/') c = '\\';
    }
    return std::string(1, best->letter) + ":\\" + WindowsName(rest);
}

bool WildcardMatch(const std::string& pattern, const std::string& name) {
    // "*.*" and "*" match every name; "x.*" also matches "x" (an empty extension) and "x."
    // matches only names without a dot, as the Windows matcher does.
    if (pattern == "*" || pattern == "*.*") return true;
    if (pattern.size() >= 2 && pattern.compare(pattern.size() - 2, 2, ".*") == 0 &&
        WildcardMatch(pattern.substr(0, pattern.size() - 2), name)) {
        return true;
    }
    if (pattern.size() > 1 && pattern.back() == '.' &&
        pattern.find_first_not_of('.') != std::string::npos) {
        return name.find('.') == std::string::npos &&
               WildcardMatch(pattern.substr(0, pattern.size() - 1), name);
    }
    // Iterative glob with backtracking to the last "*".
    size_t p = 0, n = 0, starP = std::string::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() &&
            (pattern[p] == '?' || ToLowerAscii(pattern[p]) == ToLowerAscii(name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

namespace {
constexpr int64_t kEpochDifference = 11644473600LL;  // seconds from 1601 to 1970
constexpr int64_t kTicksPerSecond = 10000000LL;
}  // namespace

FileTime FileTimeFromUnix(int64_t seconds, int64_t nanoseconds) {
    int64_t s = seconds + kEpochDifference;
    if (s < 0) return 0;
    return static_cast<FileTime>(s) * kTicksPerSecond + static_cast<FileTime>(nanoseconds / 100);
}

void UnixFromFileTime(FileTime time, int64_t* seconds, int64_t* nanoseconds) {
    *seconds = static_cast<int64_t>(time / kTicksPerSecond) - kEpochDifference;
    *nanoseconds = static_cast<int64_t>(time % kTicksPerSecond) * 100;
}

}  // namespace platform::posix
