// Tests that CTextFile's reading operations report a read error instead of a shortened result,
// on a configuration file of a damaged disc image whose first bytes read and the rest fail.
#include <gtest/gtest.h>

#include <string>

#include "platform/errors.h"
#include "platform/vdisk.h"
#include "support/iso_image.h"
#include "support/temp_prefix.h"
#include "system/text_file.h"

namespace {

using zefi::CTextFile;

class CTextFileReadErrors : public testsupport::PrefixTest {
  protected:
    // C:\damaged.iso holding zefi6.cfg (content), cut keep bytes into the file, attached.
    // Returns the file's path on the image's drive.
    std::string Damaged(const std::string& content, uint64_t keep) {
        m_prefix->WriteHostFile("image/zefi6.cfg", content);
        std::string log;
        EXPECT_TRUE(testsupport::MakeDamagedIsoImage(m_prefix->Host("image"),
                                                     m_prefix->Host("drive_c/damaged.iso"),
                                                     content.substr(0, 40), keep, &log))
            << log;
        EXPECT_EQ(m_disk.Open("C:\\damaged.iso"), 0u);
        EXPECT_EQ(m_disk.Attach(), 0u);
        std::string root;
        EXPECT_TRUE(m_disk.GetDriveRoot(&root));
        return root + "zefi6.cfg";
    }
    void TearDown() override {
        m_disk.Close();
        PrefixTest::TearDown();
    }
    platform::VirtualDisk m_disk;
};

// A configuration whose "&" block begins in the first block of its data and goes on long past
// the second one.
std::string Configuration() {
    std::string text = "VERZE=6.2 (2026)\r\nREM first line\r\n";
    for (int i = 0; text.size() < 12000; ++i)
        text += "&P" + std::to_string(i) + "=C:\\ZEFI\\DATA\\PART" + std::to_string(i) + "\r\n";
    return text + "LATE=value after the block\r\nCD \\ZEFI\r\nzefiwin.exe -fdata\\x.cfg\r\n";
}

TEST_F(CTextFileReadErrors, AmpersandBlockCutByAReadErrorIsAFailure) {
    CTextFile file(Damaged(Configuration(), 2048));
    EXPECT_EQ(file.GetAmpersandBlock(), "");
    EXPECT_TRUE(file.ReadFailed());
    EXPECT_EQ(file.GetLastError(), platform::kErrorIoDevice);
}

TEST_F(CTextFileReadErrors, EveryReadingOperationReportsTheError) {
    CTextFile file(Damaged(Configuration(), 2048));
    // What lies before the damage reads whole.
    EXPECT_EQ(file.ReadKeyLine("VERZE"), "6.2 (2026)");
    EXPECT_FALSE(file.ReadFailed());
    EXPECT_EQ(file.GetRemLine(), "REM first line\n");
    EXPECT_FALSE(file.ReadFailed());
    // What lies behind it, or is not in the file at all, cannot be told.
    EXPECT_EQ(file.ReadKey("LATE"), "");
    EXPECT_TRUE(file.ReadFailed());
    EXPECT_EQ(file.ReadKeyLine("NONE"), "");
    EXPECT_TRUE(file.ReadFailed());
    EXPECT_EQ(file.FindStartPath(), "");
    EXPECT_TRUE(file.ReadFailed());
    // A file that cannot be opened is no read error: it simply holds nothing.
    CTextFile missing("C:\\missing.cfg");
    EXPECT_EQ(missing.GetAmpersandBlock(), "");
    EXPECT_FALSE(missing.ReadFailed());
}

TEST_F(CTextFileReadErrors, WholeFileOfTheSameImageReadsWithoutError) {
    // The same file on an undamaged image: the damage, not the size, makes the failure.
    m_prefix->WriteHostFile("image/zefi6.cfg", Configuration());
    ASSERT_TRUE(testsupport::MakeIsoImage(m_prefix->Host("image"), "RIDEZEZ01",
                                          m_prefix->Host("drive_c/whole.iso")));
    ASSERT_EQ(m_disk.Open("C:\\whole.iso"), 0u);
    ASSERT_EQ(m_disk.Attach(), 0u);
    std::string root;
    ASSERT_TRUE(m_disk.GetDriveRoot(&root));
    CTextFile file(root + "zefi6.cfg");
    EXPECT_EQ(file.ReadKey("LATE"), "value");
    EXPECT_FALSE(file.ReadFailed());
    std::string block = file.GetAmpersandBlock();
    EXPECT_FALSE(file.ReadFailed());
    std::string expected = Configuration();
    expected = expected.substr(expected.find('&'), expected.find("LATE") - expected.find('&'));
    for (size_t at = expected.find("\r\n"); at != std::string::npos; at = expected.find("\r\n", at))
        expected.erase(at, 1);
    EXPECT_EQ(block, expected);
}

}  // namespace
