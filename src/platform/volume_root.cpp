// The volume root of a Windows path, the same for every backend.
#include "platform/volume_root.h"

#include "platform/fs.h"

namespace platform {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsNetworkPath(const std::string& path) {
    return path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]);
}

bool HasDrive(const std::string& path) { return path.size() >= 2 && path[1] == ':'; }

// The position of the first separator at or after from; npos when there is none.
size_t SeparatorFrom(const std::string& path, size_t from) {
    return path.find_first_of("\\/", from);
}

// The root of a path that names its drive or share; empty for any other path.
std::string RootOfQualified(const std::string& path) {
    if (HasDrive(path)) return path.substr(0, 2) + '\\';
    if (!IsNetworkPath(path)) return std::string();
    const size_t serverEnd = SeparatorFrom(path, 2);
    // A server name and a share name must follow: "\\server" and "\\server\" name no volume.
    if (serverEnd == std::string::npos || serverEnd == 2 || serverEnd + 1 >= path.size() ||
        IsSeparator(path[serverEnd + 1])) {
        return std::string();
    }
    const size_t shareEnd = SeparatorFrom(path, serverEnd + 1);
    return (shareEnd == std::string::npos ? path : path.substr(0, shareEnd)) + '\\';
}

}  // namespace

std::string VolumeRoot(const std::string& path) {
    if (HasDrive(path) || IsNetworkPath(path)) return RootOfQualified(path);
    if (path.empty()) return std::string();
    return RootOfQualified(GetFullPathName(path));
}

}  // namespace platform
