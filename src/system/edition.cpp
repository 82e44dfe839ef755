// The data edition flag and the medium marker files.
#include "system/edition.h"

#include <cctype>
#include <cstring>

#include "platform/errors.h"
#include "platform/fs.h"
#include "platform/stream.h"
#include "system/registry_settings.h"

namespace zefi {

int32_t SlovakEdition = 0;

namespace {

// Reads the start of a marker file as text and checks it for the marker.
bool MarkerFileQualifies(const std::string& path, const std::string& markerText) {
    platform::Stream file;
    if (!file.Open(path, "r")) return false;
    char buffer[260] = {};
    size_t got = file.Read(buffer, 259);
    file.Close();
    if (got <= 6) return false;
    // The content is taken as a C string: it ends at the first zero byte.
    std::string text(buffer, std::strlen(buffer));
    size_t begin = 0;
    while (begin < text.size() && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
    size_t end = text.size();
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    text = text.substr(begin, end - begin);
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text.find(markerText) != std::string::npos;
}

// A directory in the comparable form: long form where it exists, no trailing backslash, ASCII
// letters folded (Windows compares names without case).
std::string Comparable(const std::string& directory) {
    std::string path = directory;
    std::string longPath;
    if (platform::GetLongPathName(path, &longPath)) path = longPath;
    while (path.size() > 3 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
    for (char& c : path) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return path;
}

// Whether destination is the directory the registry value InstallDir names.
bool IsInstallDir(const std::string& destination) {
    const std::string installDir = ReadInstallDir();
    return !installDir.empty() && !destination.empty() &&
           Comparable(installDir) == Comparable(destination);
}

}  // namespace

MarkerScan ScanMediumMarker(const std::string& directory, const std::string& namePrefix,
                            const std::string& markerText) {
    std::string dir = directory;
    if (!dir.empty() && dir.back() != '\\' && dir.back() != '/' && dir.back() != ':') dir += '\\';

    platform::FindHandle find;
    platform::FindData entry;
    if (!find.First(dir + namePrefix + "*", &entry)) {
        return platform::GetLastError() == platform::kErrorFileNotFound ? MarkerScan::kNone
                                                                        : MarkerScan::kSearchFailed;
    }
    do {
        if (entry.attributes & platform::kAttrDirectory) continue;
        if (MarkerFileQualifies(dir + entry.name, markerText)) return MarkerScan::kFound;
    } while (find.Next(&entry));
    return MarkerScan::kNone;
}

int32_t DetermineEdition(const std::string& sourceDirectory, const std::string& destination,
                         bool downloadMode) {
    // The record belongs to the installation in InstallDir; another installation elsewhere,
    // a test one in another edition for example, says nothing about it.
    if (downloadMode) return IsInstallDir(destination) && ReadEdition() == 1 ? 1 : 0;
    if (ScanMediumMarker(sourceDirectory, "zefisk", "ZEFISK") != MarkerScan::kFound) return 0;
    return ScanMediumMarker(sourceDirectory, "zeficz", "ZEFICZ") == MarkerScan::kFound ? 0 : 1;
}

}  // namespace zefi
