// CShortcuts: programs folder lookup with its fallbacks, and shortcut files over the platform's
// shell links.
#include "system/shortcuts.h"

#include "platform/errors.h"
#include "platform/shell.h"

namespace zefi {

namespace {

// Paths go to the shell through a UTF-16 buffer of this many characters (terminating zero
// included); a longer path cannot be passed at all.
constexpr size_t kWidePathBuffer = 260;
// Buffer of the shell folders registry values, in bytes.
constexpr size_t kRegistryValueBuffer = 255;
// Buffer of the target path read back from a shortcut.
constexpr size_t kTargetBuffer = 260;

bool FitsWideBuffer(const std::string& path) { return path.size() < kWidePathBuffer; }

}  // namespace

CShortcuts::CShortcuts() { m_comInitialized = platform::ComInitialize(); }

CShortcuts::~CShortcuts() {
    if (m_comInitialized) platform::ComUninitialize();
}

std::string CShortcuts::GetProgramsFolder() {
    if (platform::HasSpecialFolderPath()) {
        std::string folder;
        if (platform::GetSpecialFolderPath(platform::kCsidlCommonPrograms, &folder, false)) {
            return folder;
        }
        // A shell that only has a stub of the function says so; such a system keeps its
        // folders in the registry. Any other failure means there is no all-users folder.
        if (platform::GetLastError() != platform::kErrorCallNotImplemented) {
            if (platform::GetSpecialFolderPath(platform::kCsidlPrograms, &folder, false)) {
                return folder;
            }
            return "";
        }
    }

    std::string value;
    {
        platform::RegKey key;
        if (key.Open(m_machineRoot, m_shellFoldersKey, platform::kKeyAllAccess) ==
                platform::kErrorSuccess &&
            key.QueryString(m_commonValueName, &value, kRegistryValueBuffer) ==
                platform::kErrorSuccess) {
            return value;
        }
    }
    {
        platform::RegKey key;
        if (key.Open(m_userRoot, m_shellFoldersKey, platform::kKeyAllAccess) ==
                platform::kErrorSuccess &&
            key.QueryString(m_userValueName, &value, kRegistryValueBuffer) ==
                platform::kErrorSuccess) {
            return value;
        }
    }
    return "";
}

bool CShortcuts::CreateShortcut(const std::string& shortcutPath, const std::string& targetPath,
                                const std::string& workingDirectory,
                                const std::string& description) {
    platform::ShellLink link;
    if (!link.Create()) return false;
    bool ok = link.SetPath(targetPath);
    ok = link.SetWorkingDirectory(workingDirectory) && ok;
    ok = link.SetDescription(description) && ok;
    // A path that does not fit the wide buffer cannot be named to the shell; saving it under a
    // cut name would write a file nobody asked for.
    if (FitsWideBuffer(shortcutPath)) {
        ok = link.Save(shortcutPath) && ok;
    } else {
        ok = false;
    }
    link.Release();
    return ok;
}

std::string CShortcuts::GetShortcutTarget(const std::string& shortcutPath) {
    platform::ShellLink link;
    if (!link.Create()) return "";
    std::string target;
    if (!FitsWideBuffer(shortcutPath) || !link.Load(shortcutPath) ||
        !link.GetPath(&target, true, kTargetBuffer)) {
        target.clear();
    }
    link.Release();
    return target;
}

}  // namespace zefi
