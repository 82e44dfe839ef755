// A temporary emulated machine for one test, on the host's temporary directory.
#include "support/temp_prefix.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/fs.h"
#include "platform/machine.h"

namespace testsupport {

namespace {

namespace fs = std::filesystem;

// Makes every directory of the tree writable again, so that entries a test marked read-only
// can be removed.
void MakeWritable(const fs::path& root) {
    std::error_code ec;
    fs::permissions(root, fs::perms::owner_all, fs::perm_options::add, ec);
    for (auto it = fs::recursive_directory_iterator(root, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        std::error_code ignored;
        if (it->is_symlink(ignored)) continue;
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
}

}  // namespace

TempPrefix::TempPrefix(const std::string& machineIni) {
    const char* tmp = std::getenv("TMPDIR");
    std::string base = (tmp != nullptr && *tmp != '\0') ? tmp : "/tmp";
    std::string templ = base + "/zefiprefix.XXXXXX";
    std::vector<char> buf(templ.begin(), templ.end());
    buf.push_back('\0');
    if (::mkdtemp(buf.data()) == nullptr) {
        ADD_FAILURE() << "cannot create a temporary prefix under " << base;
        return;
    }
    char real[PATH_MAX];
    m_path = ::realpath(buf.data(), real) != nullptr ? real : buf.data();

    const char* old = std::getenv("ZEFISETUP_PREFIX");
    m_hadPrefix = old != nullptr;
    if (old != nullptr) m_oldPrefix = old;
    char cwd[PATH_MAX];
    if (::getcwd(cwd, sizeof cwd) != nullptr) m_oldCwd = cwd;

    if (!machineIni.empty()) WriteHostFile("machine.ini", machineIni);
    ::setenv("ZEFISETUP_PREFIX", m_path.c_str(), 1);
    platform::ReloadMachine();
    // Load it now, so that the defaults are on disk before the test looks at the prefix.
    platform::GetLogicalDrives();
}

TempPrefix::~TempPrefix() {
    if (m_path.empty()) return;
    // A test that changed the current directory may have left the host process inside the
    // prefix; go back before removing it.
    if (!m_oldCwd.empty() && ::chdir(m_oldCwd.c_str()) != 0 && ::chdir("/") != 0) {
        ADD_FAILURE() << "cannot leave the prefix";
    }
    if (m_hadPrefix) {
        ::setenv("ZEFISETUP_PREFIX", m_oldPrefix.c_str(), 1);
    } else {
        ::unsetenv("ZEFISETUP_PREFIX");
    }
    {
        MakeWritable(m_path);
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }
    platform::ReloadMachine();
}

bool IsEmulatedMachine() { return true; }

bool AttachExampleMedium(TempPrefix& prefix, std::string* why) {
    prefix.WriteHostFile("machine.ini", "[drives]\nC = drive_c, fixed\nD = " ZEFISETUP_SOURCE_DIR
                                        "/examples/medium, cdrom, RIDEZEZ01\n");
    platform::ReloadMachine();
    if (platform::GetDriveType("D:\\") == platform::kDriveCdRom) return true;
    *why = "the example medium could not be mapped as drive D:";
    return false;
}

std::string TempPrefix::Host(const std::string& relative) const {
    if (relative.empty()) return m_path;
    return m_path + "/" + relative;
}

}  // namespace testsupport
