// Tests of the copy engine's second ways: the copy by hand that takes over when the system copy
// of a small file fails, and the lookup of a destination file whose name the snapshot of the
// destination directory does not answer for.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "csystem_fixture.h"
#include "platform/fs.h"

namespace {

using systemtest::CSystemTest;
using systemtest::kNewTime;
using systemtest::kOldTime;

TEST_F(CSystemTest, FailedSystemCopyIsRescuedByTheCopyByHand) {
    // The system copy over an existing file writes the temporary file beside it first. Here that
    // name leads to a device that takes data but cannot be cut to length: the system copy fails
    // (and removes the link, as it removes any partial copy). The copy by hand must still bring
    // the file: data, time, no temporary file left.
    Write("src/small.cfg", Bytes(5000));
    ASSERT_TRUE(platform::SetFileLastWriteTime("C:\\src\\small.cfg", kOldTime));
    Write("dst/small.cfg", "old");
    ASSERT_EQ(::symlink("/dev/null", m_prefix->Host("drive_c/dst/small.cfg.~zf").c_str()), 0);

    const size_t before = LogSize();
    ASSERT_TRUE(m_system->CopyFile("C:\\src\\small.cfg", "C:\\dst\\small.cfg", 5000));

    const std::vector<std::string> lines = LogFrom(before);
    ASSERT_EQ(lines.size(), 2u) << testing::PrintToString(lines);
    EXPECT_EQ(lines[0].rfind("Calling Windows function CopyFile(): failed with ", 0), 0u)
        << lines[0];
    EXPECT_EQ(lines[1], "Copying by hand...");
    EXPECT_EQ(Read("dst/small.cfg"), Bytes(5000));
    EXPECT_EQ(Info("C:\\dst\\small.cfg").lastWriteTime, kOldTime);
    EXPECT_EQ(platform::GetFileAttributes("C:\\dst\\small.cfg") & platform::kAttrReadOnly, 0u);
    EXPECT_FALSE(HostExists("dst/small.cfg.~zf"));
    ASSERT_FALSE(m_sink.bytesDone.empty());
    EXPECT_EQ(m_sink.bytesDone.back(), 5000u);
}

TEST_F(CSystemTest, NewerOnlyLooksUpNamesTooLongForTheSnapshot) {
    // One search of the destination answers for the short names; a path of 200 characters or
    // more is looked up alone. Either way an unchanged copy is skipped and a changed one copied.
    const std::string dir = "dst\\" + std::string(120, 'd') + "\\";
    const std::string longSame = std::string(90, 's') + ".dat";
    const std::string longChanged = std::string(90, 'c') + ".dat";
    const std::string hostDir = "dst/" + std::string(120, 'd') + "/";
    ASSERT_GE(3 + dir.size() + longSame.size(), 200u);
    ASSERT_LT(3 + dir.size() + longSame.size(), 260u);
    for (const std::string& name : {std::string("short.dat"), longSame, longChanged}) {
        Write("src/" + name, "new data");
        ASSERT_TRUE(platform::SetFileLastWriteTime("C:\\src\\" + name, kNewTime));
        Write(hostDir + name, "old data");
        ASSERT_TRUE(platform::SetFileLastWriteTime("C:\\" + dir + name,
                                                   name == longChanged ? kOldTime : kNewTime));
    }

    ASSERT_TRUE(m_system->CopyFiles("C:\\src\\", "C:\\" + dir, "*.dat", true));

    EXPECT_EQ(Read(hostDir + "short.dat"), "old data");
    EXPECT_EQ(Read(hostDir + longSame), "old data");
    EXPECT_EQ(Read(hostDir + longChanged), "new data");
    const std::string t = Times(kNewTime);
    EXPECT_TRUE(LogHas("dstfile: C:\\" + dir + "short.dat, size: 8, time: " + t + "...skipped"));
    EXPECT_TRUE(LogHas("dstfile: C:\\" + dir + longSame + ", size: 8, time: " + t + "...skipped"));
    EXPECT_TRUE(LogHas("dstfile: C:\\" + dir + longChanged + ", size: 8, time: " + Times(kOldTime) +
                       "Calling Windows function CopyFile(): success."));
}

}  // namespace
