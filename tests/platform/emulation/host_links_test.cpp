// Tests of how host symbolic links look through searches and file information: a link shows
// its target, a dangling link shows itself, whichever way the entry is reached.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "platform/errors.h"
#include "platform/fs.h"
#include "support/temp_prefix.h"

namespace {

class HostLinks : public testsupport::PrefixTest {
  protected:
    void SetUp() override {
        PrefixTest::SetUp();
        m_prefix->WriteHostFile("drive_c/dir/target.txt", "twelve bytes");
        m_prefix->WriteHostFile("drive_c/dir/sub/inner.txt", "x");
        Link("target.txt", "dir/link.txt");
        Link("sub", "dir/sublink");
        Link("missing.txt", "dir/dangling.txt");
    }
    void Link(const std::string& target, const std::string& relative) {
        ASSERT_EQ(::symlink(target.c_str(), m_prefix->Host("drive_c/" + relative).c_str()), 0);
    }
    // The entry a search for exactly name finds in C:\dir.
    static bool Search(const std::string& name, platform::FindData* out) {
        platform::FindHandle find;
        return find.First("C:\\dir\\" + name, out);
    }
};

TEST_F(HostLinks, LinkToAFileShowsTheTargetBothWays) {
    platform::FindData info, found;
    ASSERT_TRUE(platform::GetFileInfo("C:\\dir\\link.txt", &info));
    ASSERT_TRUE(Search("link.txt", &found));
    for (const platform::FindData* d : {&info, &found}) {
        EXPECT_EQ(d->name, "link.txt");
        EXPECT_EQ(d->size, 12u);
        EXPECT_EQ(d->attributes & platform::kAttrDirectory, 0u);
    }
    platform::FindData target;
    ASSERT_TRUE(platform::GetFileInfo("C:\\dir\\target.txt", &target));
    EXPECT_EQ(info.lastWriteTime, target.lastWriteTime);
    EXPECT_EQ(found.lastWriteTime, target.lastWriteTime);
}

TEST_F(HostLinks, LinkToADirectoryIsADirectoryAndCanBeEntered) {
    platform::FindData info, found, inner;
    ASSERT_TRUE(platform::GetFileInfo("C:\\DIR\\SUBLINK", &info));
    EXPECT_NE(info.attributes & platform::kAttrDirectory, 0u);
    EXPECT_EQ(info.size, 0u);
    ASSERT_TRUE(Search("sublink", &found));
    EXPECT_NE(found.attributes & platform::kAttrDirectory, 0u);
    ASSERT_TRUE(platform::GetFileInfo("C:\\dir\\sublink\\inner.txt", &inner));
    EXPECT_EQ(inner.size, 1u);
}

TEST_F(HostLinks, DanglingLinkShowsItselfAndCannotBeEntered) {
    platform::FindData info, found;
    ASSERT_TRUE(platform::GetFileInfo("C:\\dir\\dangling.txt", &info));
    ASSERT_TRUE(Search("dangling.txt", &found));
    // The link's own status: a file whose size is the length of the text it holds.
    EXPECT_EQ(info.attributes & platform::kAttrDirectory, 0u);
    EXPECT_EQ(info.size, std::string("missing.txt").size());
    EXPECT_EQ(found.size, info.size);
    EXPECT_FALSE(platform::GetFileInfo("C:\\dir\\dangling.txt\\x", &info));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorPathNotFound);
}

TEST_F(HostLinks, ChangesAfterOneLookupShowInTheNext) {
    platform::FindData before, after;
    ASSERT_TRUE(platform::GetFileInfo("C:\\dir\\Link.TXT", &before));
    m_prefix->WriteHostFile("drive_c/dir/target.txt", "now twenty-one bytes.");
    ASSERT_TRUE(platform::GetFileInfo("C:\\dir\\Link.TXT", &after));
    EXPECT_EQ(before.size, 12u);
    EXPECT_EQ(after.size, 21u);
    EXPECT_EQ(after.name, "link.txt");
}

}  // namespace
