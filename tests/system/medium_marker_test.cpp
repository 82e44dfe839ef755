// Tests of the edition marker files of a medium and of the product volume label.
#include "system/medium_marker.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/temp_prefix.h"

namespace {

using zefi::FindEditionMarker;
using zefi::MarkerScan;

class MediumMarker : public testsupport::PrefixTest {
  protected:
    void SetUp() override {
        testsupport::PrefixTest::SetUp();
        std::filesystem::create_directories(m_prefix->Host("drive_c/DVD"));
    }
    void Marker(const std::string& name, const std::string& text) {
        m_prefix->WriteHostFile("drive_c/DVD/" + name, text);
    }
    // The disk number of the Czech marker in C:\DVD, -1 when there is none.
    int32_t CzechDisk() {
        int32_t disk = -1;
        if (FindEditionMarker("C:\\DVD", 0, &disk) != MarkerScan::kFound) return -1;
        return disk;
    }
};

TEST_F(MediumMarker, SearchTellsNoFileNoMarkerFoundAndFailedSearchApart) {
    EXPECT_EQ(FindEditionMarker("C:\\DVD", 0), MarkerScan::kNoFile);
    Marker("zeficz1", "ZEFISK1");
    EXPECT_EQ(FindEditionMarker("C:\\DVD\\", 0), MarkerScan::kNoMarker);
    Marker("zeficz2", "ZEFICZ2");
    EXPECT_EQ(FindEditionMarker("C:\\DVD\\", 0), MarkerScan::kFound);
    // The Slovak edition looks for its own name and text only.
    EXPECT_EQ(FindEditionMarker("C:\\DVD", 1), MarkerScan::kNoFile);
    Marker("ZEFISK.TXT", "zefisk 1");
    EXPECT_EQ(FindEditionMarker("C:\\DVD", 1), MarkerScan::kFound);
    // A folder that does not exist is not "no file matches".
    EXPECT_EQ(FindEditionMarker("C:\\MISSING", 0), MarkerScan::kSearchFailed);
}

TEST_F(MediumMarker, DiskNumberFollowsTheMarkerInTheTrimmedUpperCaseText) {
    Marker("zeficz.txt", " zeficz 3 ");
    EXPECT_EQ(CzechDisk(), 3);
    Marker("zeficz.txt", "xx ZEFICZ12 yy");
    EXPECT_EQ(CzechDisk(), 12);
    // Text mode makes the line end one byte: seven bytes, no digits.
    Marker("zeficz.txt", "ZEFICZ\r\n");
    EXPECT_EQ(CzechDisk(), 0);
    Marker("zeficz.txt", "ZEFICZ-4");
    EXPECT_EQ(CzechDisk(), -4);
    Marker("zeficz.txt", "ZEFICZ99999999999");
    EXPECT_EQ(CzechDisk(), INT32_MAX);
}

TEST_F(MediumMarker, OnlySevenOrMoreOfTheFirst259BytesBeforeANulCount) {
    Marker("zeficz.txt", "ZEFICZ");
    EXPECT_EQ(FindEditionMarker("C:\\DVD", 0), MarkerScan::kNoMarker);
    Marker("zeficz.txt", std::string(253, ' ') + "ZEFICZ7");
    EXPECT_EQ(CzechDisk(), 0);
    Marker("zeficz.txt", std::string(252, ' ') + "ZEFICZ7");
    EXPECT_EQ(CzechDisk(), 7);
    Marker("zeficz.txt", std::string("1234567\0ZEFICZ1", 15));
    EXPECT_EQ(FindEditionMarker("C:\\DVD", 0), MarkerScan::kNoMarker);
}

TEST_F(MediumMarker, DirectoriesNamedLikeAMarkerAreSkipped) {
    std::filesystem::create_directories(m_prefix->Host("drive_c/DVD/zeficz.dir"));
    Marker("zeficz.dir/inner", "ZEFICZ1");
    EXPECT_EQ(FindEditionMarker("C:\\DVD", 0), MarkerScan::kNoMarker);
}

TEST_F(MediumMarker, ProductVolumeLabelBeginsWithRidezez) {
    if (!testsupport::IsEmulatedMachine()) {
        GTEST_SKIP() << "drives with a label come from the emulated machine's machine.ini";
    }
    m_prefix.reset();
    m_prefix = std::make_unique<testsupport::TempPrefix>(
        "[drives]\nC = drive_c, fixed\nD = dvd, cdrom, RIDEZEZ2\nE = other, cdrom, ridezez1\n");
    std::filesystem::create_directories(m_prefix->Host("dvd"));
    std::filesystem::create_directories(m_prefix->Host("other"));
    EXPECT_TRUE(zefi::IsProductVolume("D:\\"));
    EXPECT_FALSE(zefi::IsProductVolume("E:\\"));
    EXPECT_FALSE(zefi::IsProductVolume("Q:\\"));
    EXPECT_FALSE(zefi::IsProductVolume(""));
}

}  // namespace
