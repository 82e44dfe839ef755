// The installation DVD as the program meets it on every backend: drive D: of type CD-ROM with
// the volume label "RIDEZEZ01", its files found and read, nothing written to it.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/errors.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "support/temp_prefix.h"

namespace {

using namespace platform;

class MediumDrive : public testsupport::PrefixTest {
  protected:
    void SetUp() override {
        PrefixTest::SetUp();
        std::string why;
        if (!testsupport::AttachExampleMedium(*m_prefix, &why)) GTEST_SKIP() << why;
    }
};

TEST_F(MediumDrive, IsACdRomWithTheMediumsLabel) {
    EXPECT_EQ(GetDriveType("D:\\"), kDriveCdRom);
    EXPECT_NE(GetLogicalDrives() & (1u << 3), 0u);
    std::string label;
    ASSERT_TRUE(GetVolumeLabel("D:\\", &label));
    EXPECT_EQ(label, "RIDEZEZ01");
}

TEST_F(MediumDrive, FilesAreFoundWithoutRegardToCaseAndRead) {
    FindData fd;
    FindHandle find;
    std::set<std::string> names;
    ASSERT_TRUE(find.First("D:\\*.cfg", &fd));
    do {
        names.insert(fd.name);
    } while (find.Next(&fd));
    EXPECT_EQ(names, (std::set<std::string>{"cd.cfg", "cds.cfg"}));

    File f;
    ASSERT_TRUE(f.Open("D:\\CD.CFG", File::kRead, File::kShareRead, File::kOpenExisting));
    char buf[64] = {};
    uint32_t got = 0;
    ASSERT_TRUE(f.Read(buf, sizeof buf, &got));
    EXPECT_EQ(std::string(buf, got).rfind("; Instalacni skript ZEFI", 0), 0u);
    EXPECT_NE(GetFileAttributes("D:\\program") & kAttrDirectory, 0u);
    EXPECT_EQ(GetFileAttributes("D:\\missing.cfg"), kInvalidFileAttributes);
    EXPECT_EQ(GetLastError(), kErrorFileNotFound);
}

TEST_F(MediumDrive, NothingIsWrittenToIt) {
    EXPECT_FALSE(DeleteFile("D:\\cd.cfg"));
    EXPECT_FALSE(CopyFile("D:\\cds.cfg", "D:\\cd.cfg", false));
    File f;
    EXPECT_FALSE(f.Open("D:\\cd.cfg", File::kWrite, File::kShareNone, File::kOpenExisting));
    // Its files carry the read-only attribute, and so do their copies.
    EXPECT_NE(GetFileAttributes("D:\\cd.cfg") & kAttrReadOnly, 0u);
    ASSERT_TRUE(CopyFile("D:\\cd.cfg", "C:\\cd.cfg", false));
    EXPECT_NE(GetFileAttributes("C:\\cd.cfg") & kAttrReadOnly, 0u);
    ASSERT_TRUE(SetFileAttributes("C:\\cd.cfg", kAttrNormal));
}

}  // namespace
