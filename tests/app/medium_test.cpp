// Tests of the installation-medium check: volume label, marker files, download mode.
#include "app/medium.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/fs.h"
#include "support/temp_prefix.h"

namespace {

// A machine with a fixed disk C: and a CD-ROM D: labelled as the test asks, the current
// directory on the folder C:\MEDIUM.
class InstallationMedium : public ::testing::Test {
  protected:
    void Start(const std::string& dvdLabel) {
        m_prefix.reset();
        m_prefix = std::make_unique<testsupport::TempPrefix>(
            "[drives]\nC = drive_c, fixed\nD = dvd, cdrom, " + dvdLabel + "\n");
        std::filesystem::create_directories(m_prefix->Host("drive_c/MEDIUM"));
        std::filesystem::create_directories(m_prefix->Host("dvd"));
        ASSERT_TRUE(platform::GetCurrentDirectory(&m_saved));
        ASSERT_TRUE(platform::SetCurrentDirectory("C:\\MEDIUM"));
    }
    void TearDown() override {
        if (!m_saved.empty()) platform::SetCurrentDirectory(m_saved);
        m_prefix.reset();
    }
    void Marker(const std::string& name, const std::string& text) {
        m_prefix->WriteHostFile("drive_c/MEDIUM/" + name, text);
    }
    // Runs the check; *downloadMode starts at 0.
    bool Check(int32_t* downloadMode) {
        *downloadMode = 0;
        return zefi::IsInstallationMedium(downloadMode);
    }

    std::unique_ptr<testsupport::TempPrefix> m_prefix;
    std::string m_saved;
};

TEST_F(InstallationMedium, LabelPrefixMakesAMedium) {
    Start("RIDEZEZ01");
    ASSERT_TRUE(platform::SetCurrentDirectory("D:\\"));
    int32_t downloadMode;
    EXPECT_TRUE(Check(&downloadMode));
    EXPECT_EQ(downloadMode, 0);
}

TEST_F(InstallationMedium, LabelMustBeginWithPrefixInUpperCase) {
    for (const char* label : {"ridezez01", "XRIDEZEZ", "RIDEZE"}) {
        Start(label);
        ASSERT_TRUE(platform::SetCurrentDirectory("D:\\"));
        int32_t downloadMode;
        EXPECT_FALSE(Check(&downloadMode)) << label;
        EXPECT_EQ(downloadMode, 1) << label;
        platform::SetCurrentDirectory(m_saved);
    }
}

TEST_F(InstallationMedium, EmptyFolderIsDownloadMode) {
    Start("DATA");
    int32_t downloadMode;
    EXPECT_FALSE(Check(&downloadMode));
    EXPECT_EQ(downloadMode, 1);
}

TEST_F(InstallationMedium, CzechMarkerFileMakesAMedium) {
    Start("DATA");
    Marker("zeficz1", "ZEFICZ1");
    int32_t downloadMode;
    EXPECT_TRUE(Check(&downloadMode));
    EXPECT_EQ(downloadMode, 0);
}

TEST_F(InstallationMedium, SlovakMarkerFileMakesAMedium) {
    Start("DATA");
    Marker("ZEFISK.TXT", "  zefisk 2\r\n");
    int32_t downloadMode;
    EXPECT_TRUE(Check(&downloadMode));
    EXPECT_EQ(downloadMode, 0);
}

TEST_F(InstallationMedium, MarkerOfSixBytesOrLessDoesNotCount) {
    Start("DATA");
    Marker("zeficz1", "ZEFICZ");
    Marker("zefisk1", "ZEFISK");
    int32_t downloadMode;
    EXPECT_FALSE(Check(&downloadMode));
    EXPECT_EQ(downloadMode, 1);
}

TEST_F(InstallationMedium, MarkerTextIsTrimmedAndCaseIgnored) {
    Start("DATA");
    Marker("zeficz9", "\n\t zeficz \n");
    int32_t downloadMode;
    EXPECT_TRUE(Check(&downloadMode));
}

TEST_F(InstallationMedium, MarkerMustHoldItsOwnText) {
    Start("DATA");
    // The Slovak name with the Czech text and the other way round qualify for neither.
    Marker("zeficz1", "ZEFISK1");
    Marker("zefisk1", "ZEFICZ1");
    Marker("zeficz2", "something else entirely");
    int32_t downloadMode;
    EXPECT_FALSE(Check(&downloadMode));
    EXPECT_EQ(downloadMode, 1);
}

TEST_F(InstallationMedium, OnlyTheFirst259BytesAreRead) {
    Start("DATA");
    Marker("zeficz1", std::string(259, 'x') + "ZEFICZ");
    int32_t downloadMode;
    EXPECT_FALSE(Check(&downloadMode));
    Marker("zeficz1", std::string(253, 'x') + "ZEFICZ");
    EXPECT_TRUE(Check(&downloadMode));
}

TEST_F(InstallationMedium, DirectoryNamedLikeAMarkerIsIgnored) {
    Start("DATA");
    std::filesystem::create_directories(m_prefix->Host("drive_c/MEDIUM/zeficz1"));
    m_prefix->WriteHostFile("drive_c/MEDIUM/zeficz1/inner", "ZEFICZ1");
    int32_t downloadMode;
    EXPECT_FALSE(Check(&downloadMode));
    EXPECT_EQ(downloadMode, 1);
}

TEST_F(InstallationMedium, LaterMarkerQualifiesAfterAnUnfitOne) {
    Start("DATA");
    Marker("zeficz1", "nothing");
    Marker("zeficz2", "ZEFICZ2");
    int32_t downloadMode;
    EXPECT_TRUE(Check(&downloadMode));
}

}  // namespace
