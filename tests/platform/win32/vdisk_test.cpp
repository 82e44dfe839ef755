// ISO images attached through the Virtual Disk API. The image is the example medium, made with
// xorriso by scripts/windows-tests.sh and named by ZEFISETUP_TEST_ISO (a Windows path). Wine 8
// has no Virtual Disk API: it answers with error 120, and the test says so and skips.
#include "platform/vdisk.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/errors.h"
#include "platform/fs.h"

namespace {

using platform::VirtualDisk;

constexpr uint32_t kErrorCallNotImplemented = 120;

TEST(VirtualDisk, AnIsoImageAttachesReadOnlyAndDetachesOnClose) {
    const char* iso = std::getenv("ZEFISETUP_TEST_ISO");
    if (iso == nullptr || *iso == '\0') GTEST_SKIP() << "ZEFISETUP_TEST_ISO names no ISO image";
    VirtualDisk disk;
    uint32_t rc = disk.Open(iso);
    if (rc == kErrorCallNotImplemented) {
        // What the program shows the user then: the system's own text for the code.
        EXPECT_FALSE(platform::FormatErrorMessage(rc).empty());
        GTEST_SKIP() << "this system has no Virtual Disk API (OpenVirtualDisk answers error 120, "
                        "as Wine 8 does): "
                     << platform::FormatErrorMessage(rc);
    }
    ASSERT_EQ(rc, 0u) << platform::FormatErrorMessage(rc);
    rc = disk.Attach();
    if (rc == kErrorCallNotImplemented) {
        GTEST_SKIP() << "AttachVirtualDisk answers error 120 (not implemented, as in Wine 8)";
    }
    ASSERT_EQ(rc, 0u) << platform::FormatErrorMessage(rc);
    std::string root;
    ASSERT_TRUE(disk.GetDriveRoot(&root));
    EXPECT_EQ(platform::GetDriveType(root), platform::kDriveCdRom);
    EXPECT_NE(platform::GetFileAttributes(root + "cd.cfg"), platform::kInvalidFileAttributes);
    EXPECT_FALSE(platform::CreateDirectory(root + "new"));
    disk.Close();
    EXPECT_EQ(platform::GetFileAttributes(root + "cd.cfg"), platform::kInvalidFileAttributes);
}

TEST(VirtualDisk, AMissingImageIsFileNotFound) {
    VirtualDisk disk;
    uint32_t rc = disk.Open("C:\\no such folder\\zefi.iso");
    if (rc == kErrorCallNotImplemented) {
        GTEST_SKIP() << "this system has no Virtual Disk API (error 120, as in Wine 8)";
    }
    EXPECT_TRUE(rc == platform::kErrorFileNotFound || rc == platform::kErrorPathNotFound) << rc;
    EXPECT_FALSE(disk.IsOpen());
}

}  // namespace
