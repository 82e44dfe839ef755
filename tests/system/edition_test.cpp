// Tests of the choice of the data edition.
#include "system/edition.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_prefix.h"
#include "system/registry_settings.h"

namespace {

class Edition : public testsupport::PrefixTest {
  protected:
    void SetUp() override {
        testsupport::PrefixTest::SetUp();
        std::filesystem::create_directories(m_prefix->Host("drive_c/DVD"));
    }
};

TEST_F(Edition, CzechWhenNothingSaysOtherwise) {
    EXPECT_EQ(zefi::DetermineEdition("C:\\DVD\\", "C:\\ZEFI", false), 0);
    EXPECT_EQ(zefi::DetermineEdition("C:\\DVD\\", "C:\\ZEFI", true), 0);
}

TEST_F(Edition, SlovakMarkerAloneMakesSlovak) {
    m_prefix->WriteHostFile("drive_c/DVD/zefisk1", "ZEFISK1");
    EXPECT_EQ(zefi::DetermineEdition("C:\\DVD\\", "C:\\ZEFI", false), 1);
    m_prefix->WriteHostFile("drive_c/DVD/zeficz1", "ZEFICZ1");
    EXPECT_EQ(zefi::DetermineEdition("C:\\DVD\\", "C:\\ZEFI", false), 0);
}

TEST_F(Edition, DownloadModeUsesTheRecordedEdition) {
    m_prefix->WriteHostFile("drive_c/DVD/zefisk1", "ZEFISK1");
    EXPECT_EQ(zefi::DetermineEdition("C:\\DVD\\", "C:\\ZEFI", true), 0);
    ASSERT_TRUE(zefi::WriteEdition(1));
    // The record belongs to the installation InstallDir names, in whatever spelling.
    EXPECT_EQ(zefi::DetermineEdition("C:\\", "C:\\ZEFI", true), 0);
    std::filesystem::create_directories(m_prefix->Host("drive_c/ZEFI"));
    ASSERT_TRUE(zefi::WriteInstallDir("C:\\ZEFI"));
    EXPECT_EQ(zefi::DetermineEdition("C:\\", "C:\\ZEFI", true), 1);
    EXPECT_EQ(zefi::DetermineEdition("C:\\", "c:\\zefi\\", true), 1);
    EXPECT_EQ(zefi::DetermineEdition("C:\\", "C:\\TEST", true), 0);
    EXPECT_EQ(zefi::DetermineEdition("C:\\", "C:\\ZEFI2", true), 0);
}

}  // namespace
