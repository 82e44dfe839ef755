// Tests of case-insensitive lookup through cached directory listings: changes made by other
// processes and by this one are seen at once, and a replaced directory is listed afresh.
#include "platform/posix/dir_cache.h"

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "platform/errors.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "support/temp_prefix.h"

namespace {

using namespace platform;
using testsupport::PrefixTest;
namespace stdfs = std::filesystem;

class DirCache : public PrefixTest {
  protected:
    std::string Host(const std::string& relative) { return m_prefix->Host("drive_c/" + relative); }
    // Runs a shell command in drive C:'s host directory, as another process.
    void Shell(const std::string& command) {
        std::string line = "cd '" + Host("") + "' && " + command;
        ASSERT_EQ(std::system(line.c_str()), 0) << line;
    }
    // The long name of a path, or "" when it does not exist.
    static std::string LongName(const std::string& path) {
        std::string out;
        return GetLongPathName(path, &out) ? out : "";
    }
};

TEST_F(DirCache, SeesEntriesAddedRemovedAndRenamedByOtherProcesses) {
    Shell("mkdir -p dir && touch dir/Keep.txt");
    // The first miss lists the directory.
    EXPECT_EQ(LongName("C:\\DIR\\NEW.TXT"), "");
    EXPECT_EQ(GetLastError(), kErrorFileNotFound);

    Shell("touch dir/New.Txt");
    EXPECT_EQ(LongName("C:\\dir\\new.txt"), "C:\\dir\\New.Txt");

    Shell("mv dir/New.Txt dir/NEW.txt");
    EXPECT_EQ(LongName("C:\\dir\\new.txt"), "C:\\dir\\NEW.txt");

    Shell("rm dir/NEW.txt");
    EXPECT_EQ(LongName("C:\\dir\\new.txt"), "");
    EXPECT_EQ(LongName("C:\\dir\\keep.TXT"), "C:\\dir\\Keep.txt");
}

TEST_F(DirCache, SecondSpellingIsFoundWhenTheFirstGoes) {
    Shell("mkdir -p d && touch d/ab d/AB");
    std::string first = LongName("C:\\d\\Ab");
    ASSERT_TRUE(first == "C:\\d\\ab" || first == "C:\\d\\AB") << first;
    std::string other = first == "C:\\d\\ab" ? "AB" : "ab";
    Shell("rm d/" + first.substr(5));
    EXPECT_EQ(LongName("C:\\d\\Ab"), "C:\\d\\" + other);
}

TEST_F(DirCache, ReplacedDirectoryIsListedAgain) {
    Shell("mkdir -p data && touch data/Old.txt");
    EXPECT_EQ(LongName("C:\\data\\old.txt"), "C:\\data\\Old.txt");
    // The directory is renamed away and another one takes its name: the listing of the old one
    // must not answer for the new one.
    Shell("mv data gone && mkdir data && touch data/Fresh.txt");
    EXPECT_EQ(LongName("C:\\data\\old.txt"), "");
    EXPECT_EQ(LongName("C:\\data\\FRESH.TXT"), "C:\\data\\Fresh.txt");
    // Through a renamed parent the same holds.
    Shell("mkdir -p top/sub && touch top/sub/One.txt");
    EXPECT_EQ(LongName("C:\\top\\sub\\one.txt"), "C:\\top\\sub\\One.txt");
    Shell("mv top top2 && mkdir -p top/sub && touch top/sub/Two.txt");
    EXPECT_EQ(LongName("C:\\top\\sub\\one.txt"), "");
    EXPECT_EQ(LongName("C:\\top\\sub\\TWO.txt"), "C:\\top\\sub\\Two.txt");
}

TEST_F(DirCache, FilesCreatedHereAreFoundInAnyCase) {
    ASSERT_TRUE(CreateDirectory("C:\\many"));
    for (int i = 0; i < 300; ++i) {
        std::string name = "C:\\many\\File" + std::to_string(i) + ".Dat";
        // Each create looks the new name up first, a miss in a listing that keeps changing.
        File f;
        ASSERT_TRUE(f.Open(name, File::kWrite, File::kShareNone, File::kCreateNew)) << name;
        ASSERT_TRUE(f.Close());
    }
    for (int i = 0; i < 300; i += 37) {
        std::string lower = "C:\\MANY\\file" + std::to_string(i) + ".dat";
        EXPECT_EQ(LongName(lower), "C:\\many\\File" + std::to_string(i) + ".Dat");
    }
    ASSERT_TRUE(DeleteFile("c:\\many\\FILE7.DAT"));
    EXPECT_EQ(LongName("C:\\many\\file7.dat"), "");
    ASSERT_TRUE(MoveFile("C:\\many\\file8.dat", "C:\\many\\Moved8.DAT", false));
    EXPECT_EQ(LongName("C:\\many\\moved8.dat"), "C:\\many\\Moved8.DAT");
    EXPECT_EQ(LongName("C:\\many\\file8.dat"), "");
}

TEST_F(DirCache, ClearedCacheAnswersTheSame) {
    Shell("mkdir -p c && touch c/Mixed.Name");
    EXPECT_EQ(posix::FindNoCase(Host("c"), "mixed.name"), "Mixed.Name");
    posix::ClearDirectoryCache();
    EXPECT_EQ(posix::FindNoCase(Host("c"), "MIXED.NAME"), "Mixed.Name");
    std::string found = "x";
    EXPECT_FALSE(posix::FindNoCase(Host("c/Mixed.Name"), "a", &found));
    EXPECT_TRUE(posix::FindNoCase(Host("c"), "absent", &found));
    EXPECT_EQ(found, "");
}

// Free space of a root is reused between blocks of a copy, but never across a write of ours.
TEST(RootFreeSpace, FallsAsSoonAsDataIsWritten) {
    std::string base = "/dev/shm";
    if (!stdfs::is_directory(base)) base = stdfs::temp_directory_path().string();
    stdfs::path root = stdfs::path(base) / ("zefi-free-" + std::to_string(std::random_device{}()));
    stdfs::create_directories(root);
    {
        testsupport::TempPrefix prefix("[drives]\nC = " + root.string() + ", fixed\n");
        uint64_t before = 0, after = 0;
        ASSERT_TRUE(GetDiskFreeSpaceEx("C:\\", &before, nullptr, nullptr));
        File f;
        ASSERT_TRUE(f.Open("C:\\big.dat", File::kWrite, File::kShareNone, File::kCreateAlways));
        std::string block(1 << 20, 'z');
        for (int i = 0; i < 32; ++i) {
            uint32_t written = 0;
            ASSERT_TRUE(f.Write(block.data(), static_cast<uint32_t>(block.size()), &written));
        }
        ASSERT_TRUE(f.Close());
        ASSERT_TRUE(GetDiskFreeSpaceEx("C:\\", &after, nullptr, nullptr));
        // Other processes share the host volume; half the data written is the margin.
        EXPECT_LT(after + (16u << 20), before);
    }
    stdfs::remove_all(root);
}

}  // namespace
