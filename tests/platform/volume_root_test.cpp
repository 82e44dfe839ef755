// Tests of the volume root of a Windows path: what the volume calls are asked about for it.
#include "platform/volume_root.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/fs.h"
#include "support/temp_prefix.h"

namespace {

using platform::VolumeRoot;

TEST(VolumeRoot, DrivePathsGiveTheDriveRootWithItsBackslash) {
    EXPECT_EQ(VolumeRoot("D:\\x"), "D:\\");
    EXPECT_EQ(VolumeRoot("D:\\x\\y\\z.dat"), "D:\\");
    EXPECT_EQ(VolumeRoot("D:\\"), "D:\\");
    EXPECT_EQ(VolumeRoot("D:"), "D:\\");
    EXPECT_EQ(VolumeRoot("d:x"), "d:\\");
    EXPECT_EQ(VolumeRoot("D:/x/y"), "D:\\");
}

TEST(VolumeRoot, NetworkPathsGiveTheShareRootWithItsBackslash) {
    EXPECT_EQ(VolumeRoot("\\\\server\\share\\dir\\f.dat"), "\\\\server\\share\\");
    EXPECT_EQ(VolumeRoot("\\\\server\\share\\"), "\\\\server\\share\\");
    EXPECT_EQ(VolumeRoot("\\\\server\\share"), "\\\\server\\share\\");
    EXPECT_EQ(VolumeRoot("//server/share/dir"), "//server/share\\");
    // Without a server and a share name there is no volume.
    EXPECT_EQ(VolumeRoot("\\\\server"), "");
    EXPECT_EQ(VolumeRoot("\\\\server\\"), "");
    EXPECT_EQ(VolumeRoot("\\\\server\\\\share"), "");
    EXPECT_EQ(VolumeRoot("\\\\\\share"), "");
    EXPECT_EQ(VolumeRoot("\\\\"), "");
    EXPECT_EQ(VolumeRoot(""), "");
}

class VolumeRootOfRelativePath : public testsupport::PrefixTest {};

TEST_F(VolumeRootOfRelativePath, IsTheCurrentDirectorysRoot) {
    std::string current;
    ASSERT_TRUE(platform::GetCurrentDirectory(&current));
    const std::string root = VolumeRoot(current);
    ASSERT_EQ(root.size(), 3u) << current;
    EXPECT_EQ(root.substr(1), ":\\");
    EXPECT_EQ(VolumeRoot("f.dat"), root);
    EXPECT_EQ(VolumeRoot("sub\\f.dat"), root);
    EXPECT_EQ(VolumeRoot("..\\f.dat"), root);
    EXPECT_EQ(VolumeRoot("\\top\\f.dat"), root);
}

}  // namespace
