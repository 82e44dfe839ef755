// The image list: the downloaded disk images as one zero-filled C-heap array of fixed-size
// records, ended by a record with an empty digest.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace zefi {

constexpr size_t kImageTextSize = 260;

// One entry of the image list. The layout is fixed: four NUL-terminated 260-byte texts and two
// signed 32-bit numbers, in this order.
struct ImageRecord {
    char digest[kImageTextSize];     // MD5 digest from the package list; empty ends the list
    char name[kImageTextSize];       // file name in the destination and last part of the URL
    char imagePath[kImageTextSize];  // full local path, set when the marker file was found
    char driveRoot[kImageTextSize];  // root of the attached volume ("E:\"), keep mode only
    int32_t diskNumber;              // number after the edition marker; 0 ends the disk walk
    int32_t verified;                // 1 when the digest and the attach check passed
};

static_assert(sizeof(ImageRecord) == 4 * kImageTextSize + 2 * sizeof(int32_t),
              "ImageRecord must keep its packed layout");

// A list is a pointer to its first record; ownership moves with the pointer.
using ImageList = ImageRecord*;

// Allocates a list for count entries plus the terminator, zero-filled, in one malloc block.
// Returns nullptr when the memory cannot be had (or count is absurdly large).
ImageList CreateImageList(size_t count);
// Frees a whole list (nullptr is allowed).
void FreeImageList(ImageList list);

// The number of entries before the first one whose digest is empty (0 for nullptr).
size_t CountImages(const ImageRecord* list);

// The disk check's walk: from the first entry, while the entry's diskNumber is not 0, the first
// entry whose imagePath equals path without regard to case. nullptr when the walk reaches an
// entry with diskNumber 0 (the terminator at the latest) or list is nullptr.
ImageRecord* FindImageByPath(ImageList list, const std::string& path);

// Copies text into one of the record's fields, cut to 259 bytes and NUL-terminated.
void SetImageText(char (&field)[kImageTextSize], const std::string& text);

// Owner of a list for code that holds one across returns: frees it on destruction.
struct ImageListDeleter {
    void operator()(ImageRecord* list) const { FreeImageList(list); }
};
using ImageListPtr = std::unique_ptr<ImageRecord, ImageListDeleter>;

}  // namespace zefi
