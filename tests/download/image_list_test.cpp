// Tests of the image list: layout, terminator, walks and field helpers.
#include "download/image_list.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

namespace {

using zefi::ImageRecord;

TEST(ImageList, RecordsKeepTheirFixedLayout) {
    EXPECT_EQ(offsetof(ImageRecord, digest), 0u);
    EXPECT_EQ(offsetof(ImageRecord, name), 260u);
    EXPECT_EQ(offsetof(ImageRecord, imagePath), 520u);
    EXPECT_EQ(offsetof(ImageRecord, driveRoot), 780u);
    EXPECT_EQ(offsetof(ImageRecord, diskNumber), 1040u);
    EXPECT_EQ(offsetof(ImageRecord, verified), 1044u);
    EXPECT_EQ(sizeof(ImageRecord), 1048u);
}

TEST(ImageList, NewListsAreZeroFilledWithATerminator) {
    zefi::ImageListPtr empty(zefi::CreateImageList(0));
    ASSERT_TRUE(empty);
    EXPECT_EQ(zefi::CountImages(empty.get()), 0u);
    EXPECT_EQ(zefi::FindImageByPath(empty.get(), ""), nullptr);

    zefi::ImageListPtr list(zefi::CreateImageList(3));
    ASSERT_TRUE(list);
    const auto* bytes = reinterpret_cast<const unsigned char*>(list.get());
    size_t nonZero = 0;
    for (size_t i = 0; i < 4 * sizeof(ImageRecord); ++i) nonZero += bytes[i] != 0;
    EXPECT_EQ(nonZero, 0u);
    EXPECT_EQ(zefi::CountImages(nullptr), 0u);
    EXPECT_EQ(zefi::CreateImageList(static_cast<size_t>(-1) / 2), nullptr);
}

TEST(ImageList, WalkEndsAtTheFirstEmptyDigest) {
    zefi::ImageListPtr list(zefi::CreateImageList(4));
    zefi::SetImageText(list.get()[0].digest, "0123456789abcdef0123456789abcdef");
    zefi::SetImageText(list.get()[1].digest, "fedcba9876543210fedcba9876543210");
    EXPECT_EQ(zefi::CountImages(list.get()), 2u);
    // An entry with a digest after an empty one is not part of the list.
    zefi::SetImageText(list.get()[3].digest, "00000000000000000000000000000000");
    EXPECT_EQ(zefi::CountImages(list.get()), 2u);
}

TEST(ImageList, DiskWalkFindsThePathWithoutCaseAndEndsAtDiskNumberZero) {
    zefi::ImageListPtr list(zefi::CreateImageList(3));
    ImageRecord* entries = list.get();
    for (int i = 0; i < 3; ++i) zefi::SetImageText(entries[i].digest, "d");
    zefi::SetImageText(entries[0].imagePath, "C:\\ZEFI\\disk1.iso");
    entries[0].diskNumber = 1;
    zefi::SetImageText(entries[1].imagePath, "C:\\ZEFI\\disk2.iso");
    entries[1].diskNumber = 2;
    zefi::SetImageText(entries[2].imagePath, "C:\\ZEFI\\disk3.iso");
    entries[2].diskNumber = 0;

    EXPECT_EQ(zefi::FindImageByPath(entries, "c:\\zefi\\DISK2.ISO"), &entries[1]);
    EXPECT_EQ(zefi::FindImageByPath(entries, "C:\\ZEFI\\disk1.iso"), &entries[0]);
    EXPECT_EQ(zefi::FindImageByPath(entries, "C:\\ZEFI\\disk1"), nullptr);
    // The third entry lies beyond an entry with disk number 0: the walk never sees it.
    EXPECT_EQ(zefi::FindImageByPath(entries, "C:\\ZEFI\\disk3.iso"), nullptr);
    EXPECT_EQ(zefi::FindImageByPath(nullptr, "C:\\ZEFI\\disk1.iso"), nullptr);
}

TEST(ImageList, TextFieldsAreCutTo259Bytes) {
    zefi::ImageListPtr list(zefi::CreateImageList(1));
    ImageRecord& entry = list.get()[0];
    std::memset(entry.name, 'x', sizeof entry.name);
    zefi::SetImageText(entry.name, std::string(400, 'a'));
    EXPECT_EQ(std::strlen(entry.name), 259u);
    EXPECT_EQ(entry.name[259], '\0');
    EXPECT_EQ(entry.imagePath[0], '\0');  // the next field is untouched
    zefi::SetImageText(entry.name, "disk1.iso");
    EXPECT_STREQ(entry.name, "disk1.iso");
}

}  // namespace
