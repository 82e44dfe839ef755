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
#include <fstream>
#include <mutex>
#include <string>

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

std::string Trim(const std::string& s) {
    const size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return "";
    const size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

std::string Lower(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return s;
}

// A value without its comment: ";" at the start or after a blank begins one, so that paths
// holding ";" stay whole.
std::string StripComment(const std::string& value) {
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == ';' && (i == 0 || value[i - 1] == ' ' || value[i - 1] == '\t')) {
            return Trim(value.substr(0, i));
        }
    }
    return Trim(value);
}

// Reads the [shell] section anew on every call, so that a test that rewrites machine.ini sees
// its change at once.
ShellConfig LoadShellConfig() {
    std::string prefix;
    {
        std::lock_guard<std::recursive_mutex> lock(posix::MachineLock());
        prefix = posix::GetMachine().prefix;
    }
    ShellConfig config;
    std::ifstream in(prefix + "/machine.ini", std::ios::binary);
    std::string line, section;
    while (std::getline(in, line)) {
        const std::string t = Trim(line);
        if (t.empty() || t[0] == ';' || t[0] == '#') continue;
        if (t[0] == '[') {
            const size_t end = t.find(']');
            section =
                Lower(Trim(t.substr(1, end == std::string::npos ? std::string::npos : end - 1)));
            continue;
        }
        const size_t eq = t.find('=');
        if (section != "shell" || eq == std::string::npos) continue;
        const std::string key = Lower(Trim(t.substr(0, eq)));
        const std::string value = StripComment(t.substr(eq + 1));
        if (key == "special_folders") {
            const std::string v = Lower(value);
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
