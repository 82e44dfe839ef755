// The check whether the program was started from an installation medium.
#include "app/medium.h"

#include <string>

#include "platform/fs.h"
#include "platform/volume_root.h"
#include "system/medium_marker.h"

namespace zefi {

namespace {

constexpr size_t kMaxPath = 260;

// A marker search that could not even start counts as a medium: the program then runs from
// where it is rather than fetching a medium it may already be on.
bool MarkerSaysMedium(const std::string& directory, int32_t slovakEdition) {
    const MarkerScan scan = FindEditionMarker(directory, slovakEdition);
    return scan == MarkerScan::kFound || scan == MarkerScan::kSearchFailed;
}

}  // namespace

bool IsInstallationMedium(int32_t* downloadMode) {
    std::string current;
    if (!platform::GetCurrentDirectory(&current) || current.size() >= kMaxPath) return false;

    if (IsProductVolume(platform::VolumeRoot(current))) return true;
    if (MarkerSaysMedium(current, 0) || MarkerSaysMedium(current, 1)) return true;
    *downloadMode = 1;
    return false;
}

}  // namespace zefi
