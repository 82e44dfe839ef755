// The emulated machine's description: $ZEFISETUP_PREFIX with its machine.ini, the drive table
// built from it, attached image drives, and the [services] write-back.
#include "platform/posix/vfs.h"

#include <dirent.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/ascii.h"
#include "platform/errors.h"
#include "platform/machine.h"

namespace platform::posix {

namespace {

constexpr const char* kDefaultMachineIni =
    "[system]\n"
    "admin = 1\n"
    "[drives]\n"
    "C = drive_c, fixed\n";
constexpr const char* kRegistryHeader = "Windows Registry Editor Version 5.00\n";

// A value with its comment removed: ";" or "#" at the start of the value or after a blank
// begins a comment, so "C:\Temp\" and "a;b" stay whole.
std::string StripComment(const std::string& value) {
    for (size_t i = 0; i < value.size(); ++i) {
        if ((value[i] == ';' || value[i] == '#') &&
            (i == 0 || value[i - 1] == ' ' || value[i - 1] == '\t')) {
            return TrimBlanks(value.substr(0, i));
        }
    }
    return TrimBlanks(value);
}

bool FileExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

bool WriteWholeFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    out.close();
    return static_cast<bool>(out);
}

std::string HostCwd() {
    char buf[PATH_MAX];
    if (::getcwd(buf, sizeof buf) == nullptr) return "/";
    return buf;
}

// An absolute host path without a trailing "/" (except "/"), with links resolved when it
// exists. A path that does not exist loses its "." and ".." components, so that
// "prefix/../elsewhere" is not taken for a place inside the prefix.
std::string CanonicalHost(const std::string& path) {
    char buf[PATH_MAX];
    if (::realpath(path.c_str(), buf) != nullptr) return buf;
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        const std::string part = path.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string result;
    for (const std::string& part : parts) result += "/" + part;
    return result.empty() ? "/" : result;
}

std::string PrefixPath() {
    const char* env = std::getenv("ZEFISETUP_PREFIX");
    std::string prefix;
    if (env != nullptr && *env != '\0') {
        prefix = env;
    } else {
        const char* home = std::getenv("HOME");
        prefix = std::string(home != nullptr && *home != '\0' ? home : "/tmp") + "/.zefisetup";
    }
    if (prefix[0] != '/') prefix = HostCwd() + "/" + prefix;
    return prefix;
}

uint32_t DriveTypeFromText(const std::string& text) {
    std::string t = LowerAscii(text);
    if (t == "cdrom" || t == "cd-rom" || t == "cd" || t == "dvd") return kDriveCdRom;
    if (t == "remote" || t == "network") return kDriveRemote;
    if (t == "removable") return kDriveRemovable;
    if (t == "unknown") return kDriveUnknown;
    return kDriveFixed;
}

// Parses "host path, type, label" of a [drives] line.
Drive ParseDrive(char letter, const std::string& value, const std::string& prefix) {
    Drive d;
    d.letter = letter;
    std::vector<std::string> fields;
    std::string rest = value;
    for (int i = 0; i < 2; ++i) {
        size_t comma = rest.find(',');
        if (comma == std::string::npos) break;
        fields.push_back(TrimBlanks(rest.substr(0, comma)));
        rest = rest.substr(comma + 1);
    }
    fields.push_back(TrimBlanks(rest));
    std::string host = fields[0];
    if (host.empty()) host = ".";
    if (host[0] != '/') host = prefix + "/" + host;
    d.hostRoot = CanonicalHost(host);
    if (fields.size() > 1) d.type = DriveTypeFromText(fields[1]);
    if (fields.size() > 2) d.label = fields[2];
    return d;
}

}  // namespace

std::vector<IniEntry> ReadMachineIni(const std::string& path) {
    std::vector<IniEntry> entries;
    std::ifstream in(path, std::ios::binary);
    std::string line, section;
    while (std::getline(in, line)) {
        std::string t = TrimBlanks(line);
        if (t.empty() || t[0] == ';' || t[0] == '#') continue;
        if (t[0] == '[') {
            size_t end = t.find(']');
            section = LowerAscii(
                TrimBlanks(t.substr(1, end == std::string::npos ? std::string::npos : end - 1)));
            continue;
        }
        size_t eq = t.find('=');
        if (eq == std::string::npos) continue;
        entries.push_back({section, TrimBlanks(t.substr(0, eq)), StripComment(t.substr(eq + 1))});
    }
    return entries;
}

namespace {

void LoadIni(const std::string& path, Machine* m) {
    for (const IniEntry& entry : ReadMachineIni(path)) {
        const std::string& section = entry.section;
        const std::string& key = entry.key;
        const std::string& value = entry.value;
        std::string lkey = LowerAscii(key);
        if (section == "system") {
            if (lkey == "language") {
                long v = std::strtol(value.c_str(), nullptr, 10);
                if (v > 0 && v < 65536) m->language = static_cast<uint16_t>(v);
            } else if (lkey == "admin") {
                m->admin =
                    value != "0" && LowerAscii(value) != "no" && LowerAscii(value) != "false";
            } else if (lkey == "temp") {
                m->temp = value;
            }
        } else if (section == "drives") {
            if (!lkey.empty() && lkey.size() <= 2 && lkey[0] >= 'a' && lkey[0] <= 'z' &&
                (lkey.size() == 1 || lkey[1] == ':')) {
                char letter = ToUpperAscii(lkey[0]);
                m->drives[letter] = ParseDrive(letter, value, m->prefix);
            }
        } else if (section == "services") {
            m->services.emplace_back(key, value);
        } else if (section == "dns") {
            if (lkey == "server") m->dnsServer = value;
        }
    }
}

// Creates what is missing of the prefix: the directory, machine.ini with its defaults, the
// default drive C: directory and an empty registry.
void EnsurePrefix(const std::string& prefix) {
    MakeHostDirectories(prefix);
    std::string ini = prefix + "/machine.ini";
    if (!FileExists(ini)) {
        WriteWholeFile(ini, kDefaultMachineIni);
        MakeHostDirectories(prefix + "/drive_c");
    }
    std::string reg = prefix + "/system.reg";
    if (!FileExists(reg)) WriteWholeFile(reg, kRegistryHeader);
}

Machine LoadMachine() {
    Machine m;
    m.prefix = PrefixPath();
    EnsurePrefix(m.prefix);
    m.prefix = CanonicalHost(m.prefix);
    const char* lang = std::getenv("LANG");
    m.language = (lang != nullptr && std::strncmp(lang, "sk", 2) == 0) ? kLangSlovak : kLangCzech;
    LoadIni(m.prefix + "/machine.ini", &m);
    // Fixed drives inside the prefix are part of the machine: create them when missing.
    for (auto& [letter, d] : m.drives) {
        if (d.type == kDriveFixed &&
            d.hostRoot.compare(0, m.prefix.size() + 1, m.prefix + "/") == 0 &&
            !FileExists(d.hostRoot)) {
            MakeHostDirectories(d.hostRoot);
            d.hostRoot = CanonicalHost(d.hostRoot);
        }
    }
    if (m.drives.find('Z') == m.drives.end()) {
        Drive z;
        z.letter = 'Z';
        z.type = kDriveFixed;
        z.hostRoot = "/";
        m.drives['Z'] = z;
    }
    return m;
}

std::recursive_mutex g_lock;
Machine g_machine;
bool g_loaded = false;

// Computes what depends on the drive table: the current directory and the temporary
// directory's Windows path.
void FinishLoad(Machine* m) {
    m->currentDirectory = WindowsPathOfHost(HostCwd());
    if (m->currentDirectory.empty()) {
        m->currentDirectory = std::string(1, m->drives.begin()->first) + ":\\";
    }
    if (m->temp.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        std::string host = (tmp != nullptr && *tmp != '\0') ? tmp : "/tmp";
        m->temp = WindowsPathOfHost(host);
        if (m->temp.empty()) m->temp = "C:\\Temp";
    }
    for (char& c : m->temp) {
        if (c == '/') c = '\\';
    }
    if (m->temp.back() != '\\') m->temp += '\\';
}

void ReloadLocked() {
    g_machine = LoadMachine();
    g_loaded = true;
    FinishLoad(&g_machine);
}

}  // namespace

std::recursive_mutex& MachineLock() { return g_lock; }

Machine& GetMachine() {
    std::lock_guard<std::recursive_mutex> lock(g_lock);
    if (!g_loaded) ReloadLocked();
    return g_machine;
}

bool SaveServices() {
    std::lock_guard<std::recursive_mutex> lock(g_lock);
    Machine& m = GetMachine();
    std::string path = m.prefix + "/machine.ini";
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    std::string line;
    bool inServices = false, written = false;
    auto writeServices = [&] {
        for (const auto& [name, state] : m.services) out << name << " = " << state << "\n";
        written = true;
    };
    while (std::getline(in, line)) {
        std::string t = TrimBlanks(line);
        if (!t.empty() && t[0] == '[') {
            inServices = LowerAscii(t).rfind("[services]", 0) == 0;
            out << line << "\n";
            if (inServices) writeServices();
            continue;
        }
        // The old entries are replaced; comments and blank lines of the section stay.
        if (inServices && !t.empty() && t[0] != ';' && t[0] != '#' &&
            t.find('=') != std::string::npos) {
            continue;
        }
        out << line << "\n";
    }
    in.close();
    if (!written) {
        out << "[services]\n";
        writeServices();
    }
    std::string tmp = path + ".tmp";
    if (!WriteWholeFile(tmp, out.str())) {
        ::unlink(tmp.c_str());
        return Fail(kErrorWriteProtect);
    }
    if (::rename(tmp.c_str(), path.c_str()) != 0) {
        FailErrno();
        ::unlink(tmp.c_str());
        return false;
    }
    return true;
}

char AttachImageDrive(std::shared_ptr<ImageVolume> volume) {
    if (!volume) return 0;
    std::lock_guard<std::recursive_mutex> lock(g_lock);
    Machine& m = GetMachine();
    for (char letter = 'D'; letter <= 'Z'; ++letter) {
        if (m.drives.count(letter) != 0) continue;
        Drive d;
        d.letter = letter;
        d.type = kDriveCdRom;
        d.label = volume->Label();
        d.image = std::move(volume);
        m.drives[letter] = std::move(d);
        return letter;
    }
    return 0;
}

void DetachImageDrive(char letter) {
    letter = ToUpperAscii(letter);
    std::lock_guard<std::recursive_mutex> lock(g_lock);
    Machine& m = GetMachine();
    auto it = m.drives.find(letter);
    // Only an image drive goes away; a letter reused by machine.ini after a reload stays.
    if (it != m.drives.end() && it->second.image) m.drives.erase(it);
}

bool StatHost(const std::string& host, bool readOnlyMedium, FindData* out) {
    struct stat st;
    if (::stat(host.c_str(), &st) != 0 && ::lstat(host.c_str(), &st) != 0) return FailErrno();
    size_t slash = host.find_last_of('/');
    FindDataFromStat(WindowsName(slash == std::string::npos ? host : host.substr(slash + 1)), st,
                     readOnlyMedium, out);
    return true;
}

void FindDataFromStat(const std::string& name, const struct stat& st, bool readOnlyMedium,
                      FindData* out) {
    out->name = name;
    uint32_t attributes = 0;
    if (S_ISDIR(st.st_mode)) {
        attributes |= kAttrDirectory;
        out->size = 0;
    } else {
        out->size = static_cast<uint64_t>(st.st_size);
    }
    if ((st.st_mode & S_IWUSR) == 0 || readOnlyMedium) attributes |= kAttrReadOnly;
    if (attributes == 0) attributes = kAttrNormal;
    out->attributes = attributes;
    out->lastWriteTime = FileTimeFromUnix(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    out->lastAccessTime = FileTimeFromUnix(st.st_atim.tv_sec, st.st_atim.tv_nsec);
    // The host keeps no creation time in struct stat; the status change time is the closest.
    FileTime change = FileTimeFromUnix(st.st_ctim.tv_sec, st.st_ctim.tv_nsec);
    out->creationTime = change < out->lastWriteTime ? change : out->lastWriteTime;
}

bool ListHostDirectory(const std::string& host, std::vector<std::string>* names) {
    DIR* dir = ::opendir(host.c_str());
    if (dir == nullptr) return FailErrno();
    names->clear();
    errno = 0;
    while (struct dirent* e = ::readdir(dir)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
        names->emplace_back(e->d_name);
    }
    ::closedir(dir);
    return true;
}

bool MakeHostDirectories(const std::string& host) {
    if (host.empty()) return Fail(kErrorPathNotFound);
    struct stat st;
    if (::stat(host.c_str(), &st) == 0) {
        return S_ISDIR(st.st_mode) ? true : Fail(kErrorAlreadyExists);
    }
    size_t slash = host.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakeHostDirectories(host.substr(0, slash))) {
        return false;
    }
    if (::mkdir(host.c_str(), 0777) != 0 && errno != EEXIST) return FailErrno();
    return true;
}

namespace {
std::atomic<uint64_t> g_hostChanges{0};
}  // namespace

void NoteHostChange() { g_hostChanges.fetch_add(1, std::memory_order_release); }

uint64_t HostChangeCount() { return g_hostChanges.load(std::memory_order_acquire); }

}  // namespace platform::posix

namespace platform {

void ReloadMachine() {
    // The description is read again on its next use, so that restoring an environment without
    // a prefix does not create the default one until something needs the machine.
    std::lock_guard<std::recursive_mutex> lock(posix::MachineLock());
    posix::g_loaded = false;
}

}  // namespace platform
