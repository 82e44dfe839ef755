// The product volume label and the edition marker files of an installation medium.
#include "system/medium_marker.h"

#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/ascii.h"
#include "platform/errors.h"
#include "platform/fs.h"
#include "platform/stream.h"

namespace zefi {

namespace {

constexpr char kProductLabel[] = "RIDEZEZ";
// Only the start of a marker file counts.
constexpr size_t kMarkerBytes = 259;
// A file that gives fewer bytes is no marker.
constexpr size_t kMinimumMarkerBytes = 7;

// The marker text of one file: its first bytes read in text mode, up to the first NUL,
// trimmed at both ends and upper-cased. False when the file cannot be opened or is too short.
bool ReadMarkerText(const std::string& path, std::string* text) {
    platform::Stream file;
    if (!file.Open(path, "r")) return false;
    char buffer[kMarkerBytes];
    const size_t got = file.Read(buffer, sizeof buffer);
    file.Close();
    if (got < kMinimumMarkerBytes) return false;
    const void* nul = std::memchr(buffer, '\0', got);
    const size_t length = nul ? static_cast<size_t>(static_cast<const char*>(nul) - buffer) : got;
    *text = platform::UpperAscii(platform::TrimBlanks(std::string_view(buffer, length)));
    return true;
}

// atoi of the text: leading white space, a sign and decimal digits; 0 without digits. Values
// beyond the 32-bit range are held at its ends instead of overflowing.
int32_t DiskNumberOf(const char* text) {
    const long long value = std::strtoll(text, nullptr, 10);
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

}  // namespace

bool IsProductVolume(const std::string& root) {
    // An empty root would be taken for the current drive's.
    if (root.empty()) return false;
    std::string label;
    if (!platform::GetVolumeLabel(root, &label)) return false;
    return label.compare(0, sizeof kProductLabel - 1, kProductLabel) == 0;
}

MarkerScan FindEditionMarker(const std::string& directory, int32_t slovakEdition,
                             int32_t* diskNumber) {
    const std::string namePrefix = slovakEdition != 0 ? "zefisk" : "zeficz";
    const std::string marker = slovakEdition != 0 ? "ZEFISK" : "ZEFICZ";
    std::string dir = directory;
    if (!dir.empty() && dir.back() != '\\' && dir.back() != '/' && dir.back() != ':') dir += '\\';

    platform::FindHandle find;
    platform::FindData entry;
    if (!find.First(dir + namePrefix + "*", &entry)) {
        return platform::GetLastError() == platform::kErrorFileNotFound ? MarkerScan::kNoFile
                                                                        : MarkerScan::kSearchFailed;
    }
    do {
        if (entry.attributes & platform::kAttrDirectory) continue;
        std::string text;
        if (!ReadMarkerText(dir + entry.name, &text)) continue;
        const size_t position = text.find(marker);
        if (position == std::string::npos) continue;
        if (diskNumber) *diskNumber = DiskNumberOf(text.c_str() + position + marker.size());
        return MarkerScan::kFound;
    } while (find.Next(&entry));
    return MarkerScan::kNoMarker;
}

}  // namespace zefi
