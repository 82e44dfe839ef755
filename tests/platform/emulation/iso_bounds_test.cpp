// Tests of ISO images whose directory records point outside the image: the attach refuses them
// with "file corrupt" instead of letting libiso9660 allocate and read what a record claims.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/errors.h"
#include "platform/posix/iso_volume.h"
#include "platform/vdisk.h"
#include "support/iso_image.h"
#include "support/temp_prefix.h"

namespace {

constexpr size_t kBlock = 2048;
constexpr size_t kRootRecord = 156;  // offset of the root record in a volume descriptor
constexpr uint32_t kHugeLength = 3000000000u;

uint32_t Le32(const std::string& data, size_t at) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<uint8_t>(data[at + i]);
    return value;
}

// Writes a both-endian 32-bit field (little-endian half first) as mkisofs does.
void SetBoth32(std::string* data, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        (*data)[at + i] = static_cast<char>(value >> (8 * i));
        (*data)[at + 7 - i] = static_cast<char>(value >> (8 * i));
    }
}

// Offset of the root record of the first volume descriptor of the type (1 primary, 2 Joliet).
size_t RootRecordOf(const std::string& image, int type) {
    for (size_t block = 16; (block + 1) * kBlock <= image.size(); ++block) {
        int found = static_cast<uint8_t>(image[block * kBlock]);
        if (found == 255) break;
        if (found == type) return block * kBlock + kRootRecord;
    }
    ADD_FAILURE() << "no volume descriptor of type " << type;
    return 0;
}

// Offset of the record named name in the directory whose record is at dirRecord.
size_t RecordIn(const std::string& image, size_t dirRecord, const std::string& name) {
    size_t start = Le32(image, dirRecord + 2) * kBlock;
    size_t end = start + Le32(image, dirRecord + 10);
    for (size_t at = start; at < end && at < image.size();) {
        size_t length = static_cast<uint8_t>(image[at]);
        if (length == 0) {
            at = (at / kBlock + 1) * kBlock;
            continue;
        }
        size_t nameLength = static_cast<uint8_t>(image[at + 32]);
        if (image.compare(at + 33, nameLength, name) == 0) return at;
        at += length;
    }
    ADD_FAILURE() << "no record " << name;
    return 0;
}

class IsoBoundsTest : public testsupport::PrefixTest {
  protected:
    void SetUp() override {
        PrefixTest::SetUp();
        m_prefix->WriteHostFile("src/zeficz.txt", "ZEFICZ1\r\n");
        m_prefix->WriteHostFile("src/SUB/DEEPER/DATA.BIN", std::string(5000, 'd'));
    }

    std::string Image(const std::string& options) {
        std::string log;
        EXPECT_TRUE(testsupport::MakeIsoImage(m_prefix->Host("src"), "RIDEZEZ01",
                                              m_prefix->Host("good.iso"), options, &log))
            << log;
        return m_prefix->ReadHostFile("good.iso");
    }

    // Writes the image as drive_c/bad.iso and opens it as a volume; returns the error code.
    uint32_t OpenError(const std::string& image) {
        m_prefix->WriteHostFile("drive_c/bad.iso", image);
        uint32_t error = 0;
        auto volume = platform::posix::OpenIsoVolume(m_prefix->Host("drive_c/bad.iso"), &error);
        EXPECT_EQ(volume == nullptr, error != 0);
        return error;
    }
};

TEST_F(IsoBoundsTest, UntouchedImagesOpen) {
    EXPECT_EQ(OpenError(Image("-J -R")), 0u);
    EXPECT_EQ(OpenError(Image("--norock -J")), 0u);
    EXPECT_EQ(OpenError(Image("--norock")), 0u);
}

TEST_F(IsoBoundsTest, RootLongerThanTheImageIsRefusedByTheAttach) {
    std::string image = Image("-J -R");
    SetBoth32(&image, RootRecordOf(image, 1) + 10, kHugeLength);
    EXPECT_EQ(OpenError(image), platform::kErrorFileCorrupt);

    // Through the virtual disk the attach fails with the same code and leaves no drive.
    uint32_t drivesBefore = platform::GetLogicalDrives();
    platform::VirtualDisk disk;
    ASSERT_EQ(disk.Open("C:\\bad.iso"), 0u);
    EXPECT_EQ(disk.Attach(), platform::kErrorFileCorrupt);
    EXPECT_FALSE(disk.IsAttached());
    EXPECT_EQ(platform::GetLogicalDrives(), drivesBefore);
}

TEST_F(IsoBoundsTest, JolietRootOutsideTheImageIsRefused) {
    std::string image = Image("--norock -J");
    SetBoth32(&image, RootRecordOf(image, 2) + 2, static_cast<uint32_t>(image.size() / kBlock));
    EXPECT_EQ(OpenError(image), platform::kErrorFileCorrupt);
}

TEST_F(IsoBoundsTest, SubdirectoryRecordsPastTheEndAreRefusedFileRecordsAreNot) {
    const std::string good = Image("-J -R");
    size_t sub = RecordIn(good, RootRecordOf(good, 1), "SUB");

    std::string longDirectory = good;
    SetBoth32(&longDirectory, sub + 10, kHugeLength);
    EXPECT_EQ(OpenError(longDirectory), platform::kErrorFileCorrupt);

    // A file two levels down whose data would run past the end allocates nothing when listed:
    // the image attaches, and reading the file fails at the first block that is not there.
    size_t deeper = RecordIn(good, sub, "DEEPER");
    size_t file = RecordIn(good, deeper, "DATA.BIN;1");
    std::string longFile = good;
    SetBoth32(&longFile, file + 10, static_cast<uint32_t>(good.size()));
    EXPECT_EQ(OpenError(longFile), 0u);
}

TEST_F(IsoBoundsTest, DirectoryThatContainsItselfIsRefused) {
    std::string image = Image("-J -R");
    size_t root = RootRecordOf(image, 1);
    size_t sub = RecordIn(image, root, "SUB");
    // SUB now lists the root again: an endless tree.
    SetBoth32(&image, sub + 2, Le32(image, root + 2));
    SetBoth32(&image, sub + 10, Le32(image, root + 10));
    EXPECT_EQ(OpenError(image), platform::kErrorFileCorrupt);
}

}  // namespace
