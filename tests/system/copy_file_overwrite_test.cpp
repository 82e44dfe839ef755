// Tests of copying over an existing, possibly read-only target.
#include "system/copy_file_overwrite.h"

#include <gtest/gtest.h>

#include "platform/errors.h"
#include "platform/fs.h"
#include "support/temp_prefix.h"

namespace {

class CopyFileOverwrite : public testsupport::PrefixTest {};

TEST_F(CopyFileOverwrite, CopiesToANewTarget) {
    m_prefix->WriteHostFile("drive_c/src/a.cfg", "new");
    ASSERT_TRUE(zefi::CopyFileOverwrite("C:\\src\\a.cfg", "C:\\a.cfg"));
    EXPECT_EQ(m_prefix->ReadHostFile("drive_c/a.cfg"), "new");
}

TEST_F(CopyFileOverwrite, ReplacesAReadOnlyTarget) {
    m_prefix->WriteHostFile("drive_c/src/a.cfg", "new");
    m_prefix->WriteHostFile("drive_c/a.cfg", "old");
    ASSERT_TRUE(platform::SetFileAttributes("C:\\a.cfg", platform::kAttrReadOnly));
    ASSERT_TRUE(zefi::CopyFileOverwrite("C:\\src\\a.cfg", "C:\\a.cfg"));
    EXPECT_EQ(m_prefix->ReadHostFile("drive_c/a.cfg"), "new");
    EXPECT_EQ(platform::GetFileAttributes("C:\\a.cfg") & platform::kAttrReadOnly, 0u);
}

TEST_F(CopyFileOverwrite, MissingSourceFailsAndKeepsTheTarget) {
    m_prefix->WriteHostFile("drive_c/a.cfg", "old");
    EXPECT_FALSE(zefi::CopyFileOverwrite("C:\\missing.cfg", "C:\\a.cfg"));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorFileNotFound);
    EXPECT_EQ(m_prefix->ReadHostFile("drive_c/a.cfg"), "old");
}

TEST_F(CopyFileOverwrite, ReplacesThroughATemporaryFileThatGoesAway) {
    m_prefix->WriteHostFile("drive_c/src/a.cfg", "new");
    m_prefix->WriteHostFile("drive_c/a.cfg", "old");
    // A read-only temporary file that a broken-off run left behind does not stand in the way.
    m_prefix->WriteHostFile("drive_c/a.cfg.~zf", "stale");
    ASSERT_TRUE(platform::SetFileAttributes("C:\\a.cfg.~zf", platform::kAttrReadOnly));
    ASSERT_TRUE(zefi::CopyFileOverwrite("C:\\src\\a.cfg", "C:\\a.cfg"));
    EXPECT_EQ(m_prefix->ReadHostFile("drive_c/a.cfg"), "new");
    EXPECT_EQ(platform::GetFileAttributes("C:\\a.cfg.~zf"), platform::kInvalidFileAttributes);
}

TEST_F(CopyFileOverwrite, ReplacementNameStaysWithinThePathLimit) {
    EXPECT_EQ(zefi::ReplacementName("C:\\ZEFI\\zefi6.cfg"), "C:\\ZEFI\\zefi6.cfg.~zf");
    EXPECT_EQ(zefi::ReplacementName("C:\\" + std::string(255, 'a')), "");
    EXPECT_EQ(zefi::ReplacementName("C:\\" + std::string(252, 'a')).size(), 259u);
}

}  // namespace
