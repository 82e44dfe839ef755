// The disk check's access to the downloaded images: finding and attaching the image that holds
// a disk.
#include "download/disk_images.h"

#include "platform/fs.h"

namespace zefi {

ImageListDiskSource::ImageListDiskSource(ImageHandle& handle, ImageList list,
                                         const std::string& folder, int32_t slovakEdition)
    : m_handle(handle), m_list(list), m_folder(folder), m_slovakEdition(slovakEdition) {}

bool ImageListDiskSource::HasAttachedImage() const { return m_handle && m_list; }

void ImageListDiskSource::CloseAttachedImage() { m_handle.reset(); }

bool ImageListDiskSource::AttachEntry(ImageRecord* entry, std::string* root) {
    int32_t status = 0;
    m_handle = AttachImage(m_folder, entry, kAttachKeep, m_slovakEdition, &status);
    if (!m_handle) return false;
    if (!m_handle->GetDriveRoot(root)) *root = entry->driveRoot;
    if (root->empty()) {
        m_handle.reset();
        return false;
    }
    return true;
}

DiskImageResult ImageListDiskSource::AttachImageHolding(const std::string& diskName,
                                                        std::string* root) {
    root->clear();
    if (!m_list) return DiskImageResult::kNotFound;
    if (ImageRecord* entry = FindImageByPath(m_list, diskName))
        return AttachEntry(entry, root) ? DiskImageResult::kAttached
                                        : DiskImageResult::kAttachFailed;

    for (ImageRecord* entry = m_list; entry->diskNumber != 0; ++entry) {
        std::string candidate;
        if (!AttachEntry(entry, &candidate)) continue;
        std::string path = candidate;
        if (path.back() != '\\') path += '\\';
        path += diskName;
        if (platform::GetFileAttributes(path) != platform::kInvalidFileAttributes) {
            *root = candidate;
            return DiskImageResult::kAttached;
        }
        m_handle.reset();
    }
    return DiskImageResult::kNotFound;
}

}  // namespace zefi
