// AttachImage: the attach, the volume and marker search, and the record update.
#include "download/attach_image.h"

#include <vector>

#include "platform/errors.h"
#include "platform/fs.h"
#include "system/medium_marker.h"
#include "ui/message_box.h"

namespace zefi {
namespace {

constexpr uint32_t kMessageNotZefiDisk = 163;
constexpr uint32_t kMessageBadDiskMarker = 164;

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

// Looks for the edition's marker file on the product volume at root; fills the entry when it
// is found. Returns the status of the search.
int32_t SearchMarker(const std::string& root, const std::string& imagePath, ImageRecord* entry,
                     bool keep, int32_t slovakEdition) {
    int32_t diskNumber = 0;
    switch (FindEditionMarker(root, slovakEdition, &diskNumber)) {
        case MarkerScan::kFound:
            SetImageText(entry->imagePath, imagePath);
            entry->diskNumber = diskNumber;
            if (keep) SetImageText(entry->driveRoot, root);
            return kAttachFound;
        case MarkerScan::kNoMarker:
            ui::MessageBox(kMessageNotZefiDisk, ui::Buttons::Ok, ui::Icon::Error);
            return kAttachNoMarker;
        case MarkerScan::kNoFile:
        case MarkerScan::kSearchFailed:
            break;
    }
    ui::MessageBox(kMessageBadDiskMarker, ui::Buttons::Ok, ui::Icon::Error);
    return kAttachNoMarkerFile;
}

}  // namespace

ImageHandle AttachImage(const std::string& directory, ImageRecord* entry, int32_t mode,
                        int32_t slovakEdition, int32_t* status) {
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
        *status = SearchMarker(root, imagePath, entry, keep, slovakEdition);
        break;
    }

    if (!keep) return nullptr;  // the handle goes, and the image with it
    return disk;
}

}  // namespace zefi
