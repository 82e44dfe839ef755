// The data edition flag and how an installation's edition is decided.
#include "system/edition.h"

#include "platform/ascii.h"
#include "platform/fs.h"
#include "system/medium_marker.h"
#include "system/registry_settings.h"

namespace zefi {

EditionFlag SlovakEdition;

EditionFlag& EditionFlag::operator=(int32_t slovak) {
    m_slovak.store(slovak != 0 ? 1 : 0, std::memory_order_relaxed);
    return *this;
}

void SettleEdition(int32_t slovakEdition) {
    SlovakEdition.m_slovak.store(slovakEdition != 0 ? 1 : 0, std::memory_order_relaxed);
}

namespace {

// A directory in the comparable form: long form where it exists, no trailing backslash, ASCII
// letters folded (Windows compares names without case).
std::string Comparable(const std::string& directory) {
    std::string path = directory;
    std::string longPath;
    if (platform::GetLongPathName(path, &longPath)) path = longPath;
    while (path.size() > 3 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
    return platform::LowerAscii(path);
}

// Whether destination is the directory the registry value InstallDir names.
bool IsInstallDir(const std::string& destination) {
    const std::string installDir = ReadInstallDir();
    return !installDir.empty() && !destination.empty() &&
           Comparable(installDir) == Comparable(destination);
}

}  // namespace

int32_t DetermineEdition(const std::string& sourceDirectory, const std::string& destination,
                         bool downloadMode) {
    // The record belongs to the installation in InstallDir; another installation elsewhere,
    // a test one in another edition for example, says nothing about it.
    if (downloadMode) return IsInstallDir(destination) && ReadEdition() == 1 ? 1 : 0;
    if (FindEditionMarker(sourceDirectory, 1) != MarkerScan::kFound) return 0;
    return FindEditionMarker(sourceDirectory, 0) == MarkerScan::kFound ? 0 : 1;
}

}  // namespace zefi
