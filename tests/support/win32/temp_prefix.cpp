// The machine of a test on Windows is the real one. Under Wine every run of a test executable
// gets a fresh Wine prefix, so drive C: is that prefix's drive_c and "drive_c/..." of a test
// names C:\...; what a test leaves on C:, in the programs folders, the temporary folder and
// under the program's registry key is removed at its end, so the next test starts clean.
#include "support/temp_prefix.h"

#include <shlobj.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <system_error>
#include <vector>

#include "platform/machine.h"

namespace testsupport {

namespace {

namespace fs = std::filesystem;

std::string TempFolder() {
    char buf[MAX_PATH + 1];
    DWORD n = ::GetTempPathA(sizeof buf, buf);
    std::string dir = (n > 0 && n < sizeof buf) ? std::string(buf, n) : std::string("C:\\");
    if (dir.back() != '\\') dir += '\\';
    return dir;
}

std::string SpecialFolder(int csidl) {
    char buf[MAX_PATH + 1];
    if (!::SHGetSpecialFolderPathA(nullptr, buf, csidl, TRUE)) return "";
    return buf;
}

// The folders whose new entries a test may leave behind.
std::vector<std::string> WatchedFolders() {
    std::vector<std::string> folders{"C:\\", TempFolder()};
    for (int csidl : {CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS}) {
        std::string f = SpecialFolder(csidl);
        if (!f.empty()) folders.push_back(f);
    }
    return folders;
}

std::set<std::string> Entries(const std::string& folder) {
    std::set<std::string> names;
    std::error_code ec;
    for (auto it = fs::directory_iterator(folder, ec); !ec && it != fs::directory_iterator();
         it.increment(ec)) {
        names.insert(it->path().filename().string());
    }
    return names;
}

// Clears read-only on the whole tree, so that what a test marked read-only can be removed.
void RemoveTree(const fs::path& root) {
    std::error_code ec;
    if (fs::is_directory(root, ec)) {
        for (auto it = fs::recursive_directory_iterator(root, ec);
             !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
            ::SetFileAttributesA(it->path().string().c_str(), FILE_ATTRIBUTE_NORMAL);
        }
    }
    ::SetFileAttributesA(root.string().c_str(), FILE_ATTRIBUTE_NORMAL);
    fs::remove_all(root, ec);
}

// The program's key in both registry views, and the per-user one.
void RemoveProgramKeys() {
    const char* key = "SOFTWARE\\Zefi Publishing";
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
        HKEY parent;
        if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_ALL_ACCESS | view, &parent) ==
            ERROR_SUCCESS) {
            ::RegDeleteTreeA(parent, "Zefi Publishing");
            ::RegCloseKey(parent);
        }
    }
    ::RegDeleteTreeA(HKEY_CURRENT_USER, key);
}

struct Snapshot {
    std::vector<std::pair<std::string, std::set<std::string>>> folders;
};

std::string ToBackslashes(std::string s) {
    std::replace(s.begin(), s.end(), '/', '\\');
    return s;
}

}  // namespace

bool IsEmulatedMachine() { return false; }

bool AttachExampleMedium(TempPrefix&, std::string* why) {
    // The runner maps a read-only copy of the medium as a CD-ROM drive D: of the Wine prefix
    // (a dosdevices link, the drive type under HKLM\Software\Wine\Drives, the label in the
    // folder's .windows-label) and says so through ZEFISETUP_TEST_MEDIUM.
    const char* drive = std::getenv("ZEFISETUP_TEST_MEDIUM");
    if (drive == nullptr || std::string(drive) != "D:\\") {
        *why = "no example medium in drive D: (ZEFISETUP_TEST_MEDIUM is set by the test runner)";
        return false;
    }
    if (::GetDriveTypeA("D:\\") != DRIVE_CDROM) {
        *why = "drive D: is not a CD-ROM drive";
        return false;
    }
    return true;
}

TempPrefix::TempPrefix(const std::string& machineIni) {
    if (!machineIni.empty()) {
        ADD_FAILURE() << "machine.ini describes the emulated machine only; this test belongs "
                         "to the emulation's own tests";
    }
    char buf[MAX_PATH + 1];
    if (::GetCurrentDirectoryA(sizeof buf, buf) > 0) m_oldCwd = buf;
    RemoveProgramKeys();
    auto snapshot = std::make_shared<Snapshot>();
    for (const std::string& f : WatchedFolders()) snapshot->folders.emplace_back(f, Entries(f));
    m_snapshot = snapshot;
    // The test's own scratch folder, for files that live outside the machine's drives.
    std::string base = TempFolder();
    for (unsigned n = ::GetCurrentProcessId(), i = 0; i < 1000; ++i) {
        std::string candidate = base + "zefiprefix." + std::to_string(n) + "." + std::to_string(i);
        if (::CreateDirectoryA(candidate.c_str(), nullptr)) {
            m_path = candidate;
            break;
        }
    }
    if (m_path.empty()) ADD_FAILURE() << "cannot create a scratch folder under " << base;
    platform::ReloadMachine();
}

TempPrefix::~TempPrefix() {
    if (!m_oldCwd.empty()) ::SetCurrentDirectoryA(m_oldCwd.c_str());
    if (auto* snapshot = static_cast<Snapshot*>(m_snapshot.get())) {
        for (const auto& [folder, before] : snapshot->folders) {
            for (const std::string& name : Entries(folder)) {
                if (before.count(name) == 0) RemoveTree(fs::path(folder) / name);
            }
        }
    }
    if (!m_path.empty()) RemoveTree(m_path);
    RemoveProgramKeys();
    platform::ReloadMachine();
}

std::string TempPrefix::Host(const std::string& relative) const {
    if (relative == "drive_c") return "C:\\";
    if (relative.rfind("drive_c/", 0) == 0) return "C:\\" + ToBackslashes(relative.substr(8));
    if (relative.empty()) return m_path;
    return m_path + "\\" + ToBackslashes(relative);
}

}  // namespace testsupport
