// Allocation, walks and field helpers of the image list.
#include "download/image_list.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

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

namespace {

bool EqualNoCase(const char* a, const std::string& b) {
    size_t length = std::strlen(a);
    if (length != b.size()) return false;
    for (size_t i = 0; i < length; ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

}  // namespace

ImageRecord* FindImageByPath(ImageList list, const std::string& path) {
    if (list == nullptr) return nullptr;
    for (ImageRecord* entry = list; entry->diskNumber != 0; ++entry) {
        if (EqualNoCase(entry->imagePath, path)) return entry;
    }
    return nullptr;
}

void SetImageText(char (&field)[kImageTextSize], const std::string& text) {
    size_t length = std::min(text.size(), kImageTextSize - 1);
    std::memcpy(field, text.data(), length);
    field[length] = '\0';
}

}  // namespace zefi
