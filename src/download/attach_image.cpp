// AttachImage: the attach, the volume and marker search, and the record update.
#include "download/attach_image.h"

#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/errors.h"
#include "platform/fs.h"
#include "platform/stream.h"
#include "ui/message_box.h"

namespace zefi {
namespace {

constexpr uint32_t kMessageNotZefiDisk = 163;
constexpr uint32_t kMessageBadDiskMarker = 164;
constexpr size_t kMarkerBytes = 259;
constexpr char kProductLabel[] = "RIDEZEZ";

void ShowSystemError(uint32_t code) {
    ui::MessageBox(platform::FormatErrorMessage(code), ui::Buttons::Ok, ui::Icon::Error);
}

// The drive roots to examine for the product volume. Where the attached image's own root is
// known only that one is looked at, so that another product disk in a drive (a DVD left in
// the drive while a downloaded image is checked) is never taken for the image; otherwise every
// drive root in letter order, as GetLogicalDriveStrings lists them.
std::vector<std::string> CandidateRoots(const platform::VirtualDisk& disk) {
    std::string own;
    if (disk.GetDriveRoot(&own)) return {own};
    std::vector<std::string> roots;
    uint32_t drives = platform::GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
        if (drives & (1u << i)) roots.push_back(std::string(1, static_cast<char>('A' + i)) + ":\\");
    }
    return roots;
}

bool IsProductVolume(const std::string& root) {
    std::string label;
    if (!platform::GetVolumeLabel(root, &label)) return false;
    return label.compare(0, sizeof kProductLabel - 1, kProductLabel) == 0;
}

// The marker text of one file: at most 259 bytes read in text mode, up to the first NUL,
// trimmed at both ends and upper-cased. False when the file cannot be opened or gives fewer
// than 7 bytes.
bool ReadMarkerText(const std::string& path, std::string* text) {
    platform::Stream file;
    if (!file.Open(path, "r")) return false;
    char buffer[kMarkerBytes];
    size_t got = file.Read(buffer, sizeof buffer);
    file.Close();
    if (got < 7) return false;
    const void* nul = std::memchr(buffer, '\0', got);
    size_t length = nul ? static_cast<size_t>(static_cast<const char*>(nul) - buffer) : got;
    std::string marker(buffer, length);
    size_t begin = 0;
    size_t end = marker.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(marker[begin]))) ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(marker[end - 1]))) --end;
    marker = marker.substr(begin, end - begin);
    for (char& c : marker) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    *text = std::move(marker);
    return true;
}

// atoi of the text: leading white space, a sign and decimal digits; 0 without digits. Values
// beyond the 32-bit range are held at its ends instead of overflowing.
int32_t DiskNumberOf(const char* text) {
    long long value = std::strtoll(text, nullptr, 10);
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

// Looks for the edition's marker file on the product volume at root; fills the entry when it
// is found. Returns the status of the search.
int32_t SearchMarker(const std::string& root, const std::string& imagePath, ImageRecord* entry,
                     bool keep, bool czech) {
    const std::string filePattern = czech ? "zeficz*" : "zefisk*";
    const std::string edition = czech ? "ZEFICZ" : "ZEFISK";
    // The root ends with a backslash already; the doubled separator is accepted by the system.
    platform::FindHandle search;
    platform::FindData found;
    if (!search.First(root + "\\" + filePattern, &found)) {
        ui::MessageBox(kMessageBadDiskMarker, ui::Buttons::Ok, ui::Icon::Error);
        return kAttachNoMarkerFile;
    }
    do {
        if (found.attributes & platform::kAttrDirectory) continue;
        std::string text;
        if (!ReadMarkerText(root + "\\" + found.name, &text)) continue;
        size_t position = text.find(edition);
        if (position == std::string::npos) continue;
        SetImageText(entry->imagePath, imagePath);
        entry->diskNumber = DiskNumberOf(text.c_str() + position + edition.size());
        if (keep) SetImageText(entry->driveRoot, root);
        search.Close();
        return kAttachFound;
    } while (search.Next(&found));
    search.Close();
    ui::MessageBox(kMessageNotZefiDisk, ui::Buttons::Ok, ui::Icon::Error);
    return kAttachNoMarker;
}

}  // namespace

ImageHandle AttachImage(const std::string& directory, ImageRecord* entry, int32_t mode,
                        int32_t czech, int32_t* status) {
    *status = kAttachFound;
    const std::string imagePath = directory + "\\" + entry->name;

    auto disk = std::make_unique<platform::VirtualDisk>();
    uint32_t error = disk->Open(imagePath);
    if (error != 0) {
        ShowSystemError(error);
        *status = kAttachOpenFailed;
        return nullptr;
    }
    error = disk->Attach();
    if (error != 0) {
        ShowSystemError(error);
        *status = kAttachAttachFailed;
        return nullptr;
    }

    const bool keep = mode == kAttachKeep;
    for (const std::string& root : CandidateRoots(*disk)) {
        if (!IsProductVolume(root)) continue;
        // Only the first product volume counts.
        *status = SearchMarker(root, imagePath, entry, keep, czech != 0);
        break;
    }

    if (!keep) return nullptr;  // the handle goes, and the image with it
    return disk;
}

}  // namespace zefi
