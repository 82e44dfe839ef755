// The interface through which the disk check reaches the downloaded disk images, which live in a
// layer above the script engine.
#pragma once

#include <string>

namespace zefi {

// Outcomes of DiskImageSource::AttachImageHolding.
enum class DiskImageResult {
    kAttached,      // an image holding the disk is attached; its root was returned
    kNotFound,      // no image of the list holds the disk; nothing is attached
    kAttachFailed,  // the image that holds the disk could not be attached (a message was shown)
};

// The disk images of a download run: the attached image, the image list, the folder the images
// lie in and the edition. Implemented over ImageList and AttachImage in the download layer; the
// copy run hands one to the InstallContext. Used by the copy worker thread only.
class DiskImageSource {
  public:
    virtual ~DiskImageSource() = default;

    // Whether an image is attached and a list of images is known: only then does the disk check
    // look for a missing disk among the images instead of asking the user for it.
    virtual bool HasAttachedImage() const = 0;

    // Detaches the attached image (closes its handle). Nothing happens when none is attached.
    virtual void CloseAttachedImage() = 0;

    // Finds the image that holds the disk called diskName (the group's CD value: an image path,
    // or a file or directory name at the root of the disk) and attaches it in keep mode, so that
    // it stays attached until it is closed. On kAttached *root is the root of its volume
    // ("E:\"). Message boxes of the attach step are shown on the calling thread.
    virtual DiskImageResult AttachImageHolding(const std::string& diskName, std::string* root) = 0;
};

}  // namespace zefi
