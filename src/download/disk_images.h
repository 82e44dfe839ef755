// The downloaded disk images as the script engine's disk check sees them: the attached image,
// the image list, the folder the images lie in and the edition.
#pragma once

#include <string>

#include "download/attach_image.h"
#include "download/image_list.h"
#include "script/disk_image_source.h"

namespace zefi {

// Borrows the copy run's image handle and image list for the length of the run. When the disk
// check attaches another image, its handle replaces the borrowed one, so the owner of the handle
// (the copy dialog) holds and later closes whatever is attached. Used by the copy worker thread.
class ImageListDiskSource : public DiskImageSource {
  public:
    // handle and list must outlive the object; folder is the directory of the image files;
    // slovakEdition selects the edition's marker files (0 Czech, 1 Slovak).
    ImageListDiskSource(ImageHandle& handle, ImageList list, const std::string& folder,
                        int32_t slovakEdition);

    bool HasAttachedImage() const override;
    void CloseAttachedImage() override;
    // Looks for the disk in the entries before the first one whose diskNumber is 0: first an
    // entry whose imagePath equals diskName without regard to case, else the first entry whose
    // volume, once attached, holds diskName at its root (the entries tried on the way are
    // detached again). The image found stays attached in keep mode.
    DiskImageResult AttachImageHolding(const std::string& diskName, std::string* root) override;

  private:
    // Attaches entry in keep mode into m_handle and gives its root; false when it fails.
    bool AttachEntry(ImageRecord* entry, std::string* root);

    ImageHandle& m_handle;
    ImageList m_list;
    std::string m_folder;
    int32_t m_slovakEdition;
};

}  // namespace zefi
