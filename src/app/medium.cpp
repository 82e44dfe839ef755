// The check whether the program was started from an installation medium.
#include "app/medium.h"

#include <string>

#include "platform/fs.h"
#include "system/edition.h"

namespace zefi {

namespace {

constexpr size_t kMaxPath = 260;

// The root of the volume that holds a directory: "X:\" or "\\server\share\".
std::string VolumeRoot(const std::string& directory) {
    if (directory.size() >= 2 && directory[1] == ':') return directory.substr(0, 2) + "\\";
    if (directory.rfind("\\\\", 0) == 0) {
        size_t server = directory.find('\\', 2);
        if (server == std::string::npos) return directory + "\\";
        size_t share = directory.find('\\', server + 1);
        return (share == std::string::npos ? directory : directory.substr(0, share)) + "\\";
    }
    return directory;
}

}  // namespace

bool IsInstallationMedium(int32_t* downloadMode) {
    std::string current;
    if (!platform::GetCurrentDirectory(&current) || current.size() >= kMaxPath) return false;

    std::string label;
    if (platform::GetVolumeLabel(VolumeRoot(current), &label) && label.rfind("RIDEZEZ", 0) == 0) {
        return true;
    }

    if (ScanMediumMarker(current, "zeficz", "ZEFICZ") != MarkerScan::kNone) return true;
    if (ScanMediumMarker(current, "zefisk", "ZEFISK") != MarkerScan::kNone) return true;
    *downloadMode = 1;
    return false;
}

}  // namespace zefi
