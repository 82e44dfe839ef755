// Special folders of the emulated machine's shell: the all-users and the user's Start menu
// programs folders, from the [shell] section of machine.ini or the Windows defaults.
//
// machine.ini may describe the shell (every key optional):
//   [shell]
//   special_folders = yes       ; yes: the function exists; missing: SHELL32 does not export
//                               ; it; stub: it exists but fails with ERROR_CALL_NOT_IMPLEMENTED
//   common_programs = C:\ProgramData\Microsoft\Windows\Start Menu\Programs
//   programs = C:\users\<user>\Start Menu\Programs
//   user = name                 ; default: $USER, else "user"
// An empty common_programs or programs value means that the folder cannot be determined.
#include "platform/shell.h"

#include <cstdlib>
#include <mutex>
#include <string>

#include "platform/ascii.h"
#include "platform/errors.h"
#include "platform/fs.h"
#include "platform/posix/vfs.h"

namespace platform {

namespace {

struct ShellConfig {
    enum class Function { Present, Missing, Stub } function = Function::Present;
    bool hasCommon = false, hasUser = false;  // the key was given
    std::string common, user;                 // the given paths
    std::string userName;
};

// Reads the [shell] section anew on every call, so that a test that rewrites machine.ini sees
// its change at once.
ShellConfig LoadShellConfig() {
    std::string prefix;
    {
        std::lock_guard<std::recursive_mutex> lock(posix::MachineLock());
        prefix = posix::GetMachine().prefix;
    }
    ShellConfig config;
    for (const posix::IniEntry& entry : posix::ReadMachineIni(prefix + "/machine.ini")) {
        if (entry.section != "shell") continue;
        const std::string key = LowerAscii(entry.key);
        const std::string& value = entry.value;
        if (key == "special_folders") {
            const std::string v = LowerAscii(value);
            if (v == "missing" || v == "no" || v == "0") {
                config.function = ShellConfig::Function::Missing;
            } else if (v == "stub") {
                config.function = ShellConfig::Function::Stub;
            } else {
                config.function = ShellConfig::Function::Present;
            }
        } else if (key == "common_programs") {
            config.hasCommon = true;
            config.common = value;
        } else if (key == "programs") {
            config.hasUser = true;
            config.user = value;
        } else if (key == "user") {
            config.userName = value;
        }
    }
    if (config.userName.empty()) {
        const char* user = std::getenv("USER");
        config.userName = (user != nullptr && *user != '\0') ? user : "user";
    }
    return config;
}

// Creates directory and its missing parents. True when it exists afterwards.
bool EnsureDirectory(const std::string& directory) {
    const uint32_t attributes = GetFileAttributes(directory);
    if (attributes != kInvalidFileAttributes) {
        if (attributes & kAttrDirectory) return true;
        SetLastError(kErrorAlreadyExists);
        return false;
    }
    const size_t slash = directory.find_last_of('\\');
    // "X:\name": the parent is the root, which exists whenever the drive does.
    if (slash != std::string::npos && slash > 2 && !EnsureDirectory(directory.substr(0, slash))) {
        return false;
    }
    return CreateDirectory(directory) || GetFileAttributes(directory) != kInvalidFileAttributes;
}

}  // namespace

bool HasSpecialFolderPath() { return LoadShellConfig().function != ShellConfig::Function::Missing; }

bool GetSpecialFolderPath(int csidl, std::string* out, bool /*create*/) {
    const ShellConfig config = LoadShellConfig();
    if (config.function == ShellConfig::Function::Stub) {
        SetLastError(kErrorCallNotImplemented);
        return false;
    }
    std::string path;
    if (csidl == kCsidlCommonPrograms) {
        path = config.hasCommon ? config.common
                                : "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs";
    } else if (csidl == kCsidlPrograms) {
        path = config.hasUser ? config.user
                              : "C:\\users\\" + config.userName + "\\Start Menu\\Programs";
    } else {
        SetLastError(kErrorInvalidParameter);
        return false;
    }
    if (path.empty()) {
        SetLastError(kErrorFileNotFound);
        return false;
    }
    path = GetFullPathName(path);
    if (path.size() > 3 && path.back() == '\\') path.pop_back();
    // A Windows machine has its programs folders from the start; here they appear the first
    // time someone asks for them.
    if (!EnsureDirectory(path)) return false;
    *out = path;
    return true;
}

}  // namespace platform
