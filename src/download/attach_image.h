// AttachImage: attaches a downloaded ISO image read-only, finds its product volume and edition
// marker, and records where the image is and which disk it holds.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "download/image_list.h"
#include "platform/vdisk.h"

namespace zefi {

// Modes of AttachImage.
enum : int32_t {
    kAttachKeep = 0,   // attach, look, stay attached: the caller gets the handle
    kAttachCheck = 1,  // attach, look, detach
};

// Statuses of AttachImage.
enum : int32_t {
    kAttachFound = 0,          // marker found, or no "RIDEZEZ" volume appeared at all
    kAttachNoMarkerFile = 1,   // the product volume has no "zeficz*" / "zefisk*" file
    kAttachNoMarker = 2,       // marker files exist but none holds the edition marker
    kAttachOpenFailed = -1,    // the image could not be opened
    kAttachAttachFailed = -2,  // the image could not be attached
};

// The handle of an attached image: destroying or resetting it detaches the image.
using ImageHandle = std::unique_ptr<platform::VirtualDisk>;

// Attaches directory + "\" + entry->name read-only and looks for the product volume (label
// beginning "RIDEZEZ") and, on it, the marker file of the edition (slovakEdition 0: "zeficz*"
// holding "ZEFICZ", else "zefisk*" holding "ZEFISK"; FindEditionMarker). When the marker is
// found, sets entry->imagePath, entry->diskNumber (the number after the marker, 0 without one)
// and, in keep mode, entry->driveRoot; otherwise leaves the entry as it was. *status receives
// one of the kAttach* statuses. Open and attach failures show the system's text for the error
// code, and statuses 1 and 2 show messages 164 and 163, in message boxes on the calling thread.
// Returns the attached image's handle in keep mode after a successful attach (whatever the
// marker search found); nullptr in check mode (nothing stays attached) and after a failure.
ImageHandle AttachImage(const std::string& directory, ImageRecord* entry, int32_t mode,
                        int32_t slovakEdition, int32_t* status);

}  // namespace zefi
