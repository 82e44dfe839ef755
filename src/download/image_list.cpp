// Allocation, walks and field helpers of the image list.
#include "download/image_list.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/ascii.h"

namespace zefi {

ImageList CreateImageList(size_t count) {
    if (count >= static_cast<size_t>(-1) / sizeof(ImageRecord) - 1) return nullptr;
    // calloc gives the zero fill that makes the record after the last one the terminator.
    return static_cast<ImageList>(std::calloc(count + 1, sizeof(ImageRecord)));
}

void FreeImageList(ImageList list) { std::free(list); }

size_t CountImages(const ImageRecord* list) {
    size_t count = 0;
    if (list == nullptr) return 0;
    while (list[count].digest[0] != '\0') ++count;
    return count;
}

namespace {}  // namespace

ImageRecord* FindImageByPath(ImageList list, const std::string& path) {
    if (list == nullptr) return nullptr;
    for (ImageRecord* entry = list; entry->diskNumber != 0; ++entry) {
        if (platform::EqualsNoCase(entry->imagePath, path)) return entry;
    }
    return nullptr;
}

void SetImageText(char (&field)[kImageTextSize], const std::string& text) {
    size_t length = std::min(text.size(), kImageTextSize - 1);
    std::memcpy(field, text.data(), length);
    field[length] = '\0';
}

}  // namespace zefi
