// CShortcuts: the Start menu programs folder, creating a shortcut and reading a shortcut's
// target, for the program group of an installation and the lookup of an earlier one.
#pragma once

#include <string>

#include "platform/registry.h"

namespace zefi {

// Names the install driver uses with CShortcuts.
inline constexpr const char* kProgramGroupName = "Zefi pro Windows";
inline constexpr const char* kProductShortcutName = "Zefi.lnk";
inline constexpr const char* kProductProgramName = "Zefiwin.exe";
inline constexpr const char* kOldUpdateShortcutLnk = "Aktualizace Zefi.lnk";
inline constexpr const char* kOldUpdateShortcutPif = "Aktualizace Zefi.pif";

// Lives for one step of the install driver on the thread that uses it: construction initialises
// the component library for that thread, destruction uninitialises it. None of the operations
// shows a message; nothing is cached between calls.
class CShortcuts {
  public:
    CShortcuts();
    ~CShortcuts();
    CShortcuts(const CShortcuts&) = delete;
    CShortcuts& operator=(const CShortcuts&) = delete;

    // The Start menu programs folder: the all-users one, else the current user's one; on a
    // shell without the special-folder function, the "Common Programs" then the "Programs"
    // value of the shell folders key. "" when none is found.
    std::string GetProgramsFolder();

    // Writes the shortcut file shortcutPath to targetPath with the working directory and
    // description. The shortcut's folder must exist. True only when setting the target, the
    // working directory and the description and saving the file all succeeded; a failed step
    // does not stop the following ones.
    bool CreateShortcut(const std::string& shortcutPath, const std::string& targetPath,
                        const std::string& workingDirectory, const std::string& description);

    // The target of shortcut file shortcutPath in short (8.3) form; "" when the file cannot be
    // loaded as a shortcut or has no target path.
    std::string GetShortcutTarget(const std::string& shortcutPath);

  private:
    platform::Hive m_userRoot = platform::Hive::CurrentUser;
    platform::Hive m_machineRoot = platform::Hive::LocalMachine;
    std::string m_shellFoldersKey =
        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    std::string m_userValueName = "Programs";
    std::string m_commonValueName = "Common Programs";
    bool m_comInitialized = false;
};

}  // namespace zefi
