// Tests of read-only ISO attach: virtual disks, image-backed drives and the ISO 9660 volume,
// on real images made with xorriso.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/errors.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "platform/posix/iso_volume.h"
#include "platform/stream.h"
#include "platform/vdisk.h"
#include "support/iso_image.h"
#include "support/temp_prefix.h"

namespace {

using platform::FindData;
using platform::VirtualDisk;

// 2021-03-04 05:06:07 UTC and a few seconds later, as FILETIMEs.
constexpr platform::FileTime kSecond = 10000000ull;
constexpr platform::FileTime kBaseTime = (1614834367ull + 11644473600ull) * kSecond;

std::string NoiseBytes(size_t size, unsigned start) {
    std::string data(size, '\0');
    uint32_t state = start;
    for (char& c : data) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 16);
    }
    return data;
}

class IsoTest : public testsupport::PrefixTest {
  protected:
    void SetUp() override {
        PrefixTest::SetUp();
        m_big = NoiseBytes(150000, 7);
        Write("src/ReadMe.TXT", "line one\r\nline two\r\n", 0);
        Write("src/zeficz.txt", "ZEFICZ1\r\n", 1);
        Write("src/Empty.dat", "", 2);
        Write("src/Sub/Big.bin", m_big, 3);
        Write("src/Sub/Deeper/" + LongName(), "x", 4);
        SetTime("C:\\src\\Sub\\Deeper", 5);
        SetTime("C:\\src\\Sub", 6);
    }

    static std::string LongName() {
        return "A name with blanks that is much longer than the sixty-four characters Joliet "
               "keeps.txt";
    }

    void Write(const std::string& relative, const std::string& content, int seconds) {
        m_prefix->WriteHostFile("drive_c/" + relative, content);
        std::string windows = "C:\\" + relative;
        std::replace(windows.begin(), windows.end(), '/', '\\');
        SetTime(windows, seconds);
    }

    static void SetTime(const std::string& path, int seconds) {
        ASSERT_TRUE(platform::SetFileLastWriteTime(path, kBaseTime + seconds * kSecond)) << path;
    }

    // Builds C:\<name>.iso from C:\src and returns its Windows path.
    std::string Image(const std::string& name, const std::string& label,
                      const std::string& options = "-J -R") {
        std::string log;
        EXPECT_TRUE(testsupport::MakeIsoImage(m_prefix->Host("drive_c/src"), label,
                                              m_prefix->Host("drive_c/" + name + ".iso"), options,
                                              &log))
            << log;
        return "C:\\" + name + ".iso";
    }

    static void Attach(VirtualDisk& disk, const std::string& path) {
        ASSERT_EQ(disk.Open(path), 0u);
        ASSERT_EQ(disk.Attach(), 0u);
    }

    static std::vector<FindData> Find(const std::string& pattern) {
        std::vector<FindData> found;
        platform::FindHandle search;
        FindData data;
        if (!search.First(pattern, &data)) return found;
        do {
            found.push_back(data);
        } while (search.Next(&data));
        return found;
    }

    static std::set<std::string> Names(const std::vector<FindData>& entries) {
        std::set<std::string> names;
        for (const FindData& entry : entries) names.insert(entry.name);
        return names;
    }

    std::string m_big;
};

TEST_F(IsoTest, AttachGivesTheFirstFreeLetterFromDAsACdRomWithTheImageLabel) {
    std::string first = Image("first", "RIDEZEZ1");
    std::string second = Image("second", "OTHER");
    VirtualDisk a;
    VirtualDisk b;
    Attach(a, first);
    Attach(b, second);
    std::string rootA;
    std::string rootB;
    ASSERT_TRUE(a.GetDriveRoot(&rootA));
    ASSERT_TRUE(b.GetDriveRoot(&rootB));
    EXPECT_EQ(rootA, "D:\\");
    EXPECT_EQ(rootB, "E:\\");
    EXPECT_EQ(platform::GetDriveType("D:\\"), platform::kDriveCdRom);
    std::string label;
    ASSERT_TRUE(platform::GetVolumeLabel("D:\\", &label));
    EXPECT_EQ(label, "RIDEZEZ1");
    ASSERT_TRUE(platform::GetVolumeLabel("E:\\", &label));
    EXPECT_EQ(label, "OTHER");
    EXPECT_NE(platform::GetLogicalDrives() & (1u << 3), 0u);

    a.Close();
    EXPECT_FALSE(a.IsAttached());
    EXPECT_FALSE(a.GetDriveRoot(&rootA));
    EXPECT_EQ(platform::GetDriveType("D:\\"), platform::kDriveNoRootDir);
    EXPECT_EQ(platform::GetLogicalDrives() & (1u << 3), 0u);
    EXPECT_EQ(platform::GetDriveType("E:\\"), platform::kDriveCdRom);

    // The freed letter is the next one given out; destroying a handle detaches too.
    {
        VirtualDisk c;
        Attach(c, first);
        ASSERT_TRUE(c.GetDriveRoot(&rootA));
        EXPECT_EQ(rootA, "D:\\");
    }
    EXPECT_EQ(platform::GetDriveType("D:\\"), platform::kDriveNoRootDir);
}

TEST_F(IsoTest, OpenAndAttachFailWithTheSystemCodes) {
    VirtualDisk disk;
    EXPECT_EQ(disk.Attach(), platform::kErrorInvalidHandle);
    EXPECT_EQ(disk.Open("C:\\missing.iso"), platform::kErrorFileNotFound);
    EXPECT_EQ(platform::GetLastError(), platform::kErrorFileNotFound);
    EXPECT_EQ(disk.Open("C:\\nowhere\\missing.iso"), platform::kErrorPathNotFound);
    EXPECT_EQ(disk.Open("C:\\src"), platform::kErrorAccessDenied);
    EXPECT_FALSE(disk.IsOpen());

    // A file that holds no ISO 9660 volume opens but does not attach, and leaves no drive.
    m_prefix->WriteHostFile("drive_c/noise.iso", NoiseBytes(100000, 3));
    uint32_t drivesBefore = platform::GetLogicalDrives();
    ASSERT_EQ(disk.Open("C:\\noise.iso"), 0u);
    EXPECT_EQ(disk.Attach(), platform::kErrorUnrecognizedVolume);
    EXPECT_FALSE(disk.IsAttached());
    m_prefix->WriteHostFile("drive_c/empty.iso", "");
    ASSERT_EQ(disk.Open("C:\\empty.iso"), 0u);
    EXPECT_EQ(disk.Attach(), platform::kErrorUnrecognizedVolume);
    EXPECT_EQ(platform::GetLogicalDrives(), drivesBefore);
}

TEST(IsoAttachRights, AttachNeedsAdministratorRights) {
    testsupport::TempPrefix prefix("[system]\nadmin = 0\n[drives]\nC = drive_c, fixed\n");
    prefix.WriteHostFile("drive_c/src/a.txt", "a");
    ASSERT_TRUE(testsupport::MakeIsoImage(prefix.Host("drive_c/src"), "RIDEZEZ1",
                                          prefix.Host("drive_c/a.iso")));
    VirtualDisk disk;
    ASSERT_EQ(disk.Open("C:\\a.iso"), 0u);
    EXPECT_EQ(disk.Attach(), platform::kErrorPrivilegeNotHeld);
    EXPECT_EQ(platform::GetDriveType("D:\\"), platform::kDriveNoRootDir);
}

TEST_F(IsoTest, FindShowsRockRidgeNamesSizesAndTimesOfTheSourceFiles) {
    VirtualDisk disk;
    Attach(disk, Image("rr", "RIDEZEZ1"));

    std::vector<FindData> root = Find("D:\\*");
    EXPECT_EQ(Names(root), (std::set<std::string>{"ReadMe.TXT", "zeficz.txt", "Empty.dat", "Sub"}));
    std::vector<FindData> sub = Find("D:\\Sub\\*.*");
    EXPECT_EQ(Names(sub), (std::set<std::string>{".", "..", "Big.bin", "Deeper"}));
    EXPECT_EQ(Names(Find("D:\\Sub\\Deeper\\*")), (std::set<std::string>{".", "..", LongName()}));
    EXPECT_EQ(Names(Find("D:\\z*")), (std::set<std::string>{"zeficz.txt"}));
    EXPECT_TRUE(Find("D:\\nothing*").empty());
    EXPECT_EQ(platform::GetLastError(), platform::kErrorFileNotFound);

    const char* files[] = {"ReadMe.TXT",   "zeficz.txt", "Empty.dat",
                           "Sub\\Big.bin", "Sub",        "Sub\\Deeper"};
    for (const char* file : files) {
        FindData source;
        FindData image;
        ASSERT_TRUE(platform::GetFileInfo(std::string("C:\\src\\") + file, &source)) << file;
        ASSERT_TRUE(platform::GetFileInfo(std::string("D:\\") + file, &image)) << file;
        EXPECT_EQ(image.name, source.name) << file;
        EXPECT_EQ(image.lastWriteTime, source.lastWriteTime) << file;
        bool directory = (source.attributes & platform::kAttrDirectory) != 0;
        EXPECT_EQ(image.attributes & platform::kAttrDirectory,
                  directory ? uint32_t{platform::kAttrDirectory} : 0u)
            << file;
        EXPECT_NE(image.attributes & platform::kAttrReadOnly, 0u) << file;
        if (!directory) {
            EXPECT_EQ(image.size, source.size) << file;
        }
    }
}

TEST_F(IsoTest, NamesMatchWithoutRegardToCase) {
    VirtualDisk disk;
    Attach(disk, Image("case", "RIDEZEZ1"));
    FindData info;
    ASSERT_TRUE(platform::GetFileInfo("d:\\sUB\\BIG.BIN", &info));
    EXPECT_EQ(info.name, "Big.bin");
    EXPECT_EQ(info.size, m_big.size());
    EXPECT_NE(platform::GetFileAttributes("D:/sub/deeper") & platform::kAttrDirectory, 0u);
    EXPECT_EQ(platform::GetFileAttributes("D:\\Sub\\none.bin"), platform::kInvalidFileAttributes);
    EXPECT_EQ(platform::GetLastError(), platform::kErrorFileNotFound);
    EXPECT_EQ(platform::GetFileAttributes("D:\\None\\a.bin"), platform::kInvalidFileAttributes);
    EXPECT_EQ(platform::GetLastError(), platform::kErrorPathNotFound);
    // A file is no directory to look into.
    EXPECT_EQ(platform::GetFileAttributes("D:\\ReadMe.TXT\\x"), platform::kInvalidFileAttributes);
}

TEST_F(IsoTest, FilesReadBackByteForByte) {
    VirtualDisk disk;
    Attach(disk, Image("read", "RIDEZEZ1"));

    platform::File file;
    ASSERT_TRUE(file.Open("D:\\SUB\\big.bin", platform::File::kRead, platform::File::kShareRead,
                          platform::File::kOpenExisting));
    uint64_t size = 0;
    ASSERT_TRUE(file.GetSize(&size));
    EXPECT_EQ(size, m_big.size());
    platform::FileTime time = 0;
    ASSERT_TRUE(file.GetLastWriteTime(&time));
    EXPECT_EQ(time, kBaseTime + 3 * kSecond);
    std::string data;
    char buffer[7001];
    uint32_t got = 0;
    do {
        ASSERT_TRUE(file.Read(buffer, sizeof buffer, &got));
        data.append(buffer, got);
    } while (got != 0);
    EXPECT_TRUE(data == m_big);
    file.Close();

    ASSERT_TRUE(file.Open("D:\\Empty.dat", platform::File::kRead, platform::File::kShareRead,
                          platform::File::kOpenExisting));
    ASSERT_TRUE(file.Read(buffer, sizeof buffer, &got));
    EXPECT_EQ(got, 0u);
    file.Close();

    // Text mode reads the CR LF line ends as on any drive.
    platform::Stream text;
    ASSERT_TRUE(text.Open("D:\\readme.txt", "r"));
    char line[64];
    ASSERT_NE(text.Gets(line, sizeof line), nullptr);
    EXPECT_STREQ(line, "line one\n");
    ASSERT_NE(text.Gets(line, sizeof line), nullptr);
    EXPECT_STREQ(line, "line two\n");
    EXPECT_EQ(text.Gets(line, sizeof line), nullptr);
}

TEST_F(IsoTest, EveryWriteFailsWithWriteProtect) {
    VirtualDisk disk;
    Attach(disk, Image("write", "RIDEZEZ1"));
    platform::File file;
    EXPECT_FALSE(file.Open("D:\\ReadMe.TXT", platform::File::kWrite, platform::File::kShareNone,
                           platform::File::kOpenExisting));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorWriteProtect);
    EXPECT_FALSE(file.Open("D:\\New.txt", platform::File::kWrite, platform::File::kShareNone,
                           platform::File::kCreateAlways));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorWriteProtect);
    EXPECT_FALSE(platform::CreateDirectory("D:\\NewDir"));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorWriteProtect);
    EXPECT_FALSE(platform::DeleteFile("D:\\ReadMe.TXT"));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorWriteProtect);
    EXPECT_FALSE(platform::SetFileAttributes("D:\\ReadMe.TXT", platform::kAttrNormal));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorWriteProtect);
    EXPECT_FALSE(platform::CopyFile("C:\\src\\ReadMe.TXT", "D:\\Copy.txt", false));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorWriteProtect);
    // Reading from the image into a host drive works and keeps the time.
    ASSERT_TRUE(platform::CopyFile("D:\\Sub\\Big.bin", "C:\\Big.bin", false));
    EXPECT_EQ(m_prefix->ReadHostFile("drive_c/Big.bin"), m_big);
    FindData copied;
    ASSERT_TRUE(platform::GetFileInfo("C:\\Big.bin", &copied));
    EXPECT_EQ(copied.lastWriteTime, kBaseTime + 3 * kSecond);
}

TEST_F(IsoTest, JolietImagesKeepCaseAndPlainImagesLoseTheVersion) {
    VirtualDisk joliet;
    Attach(joliet, Image("joliet", "JOLIET", "--norock -J"));
    EXPECT_EQ(Names(Find("D:\\*")),
              (std::set<std::string>{"ReadMe.TXT", "zeficz.txt", "Empty.dat", "Sub"}));
    FindData info;
    ASSERT_TRUE(platform::GetFileInfo("D:\\sub\\big.bin", &info));
    EXPECT_EQ(info.name, "Big.bin");
    EXPECT_EQ(info.lastWriteTime, kBaseTime + 3 * kSecond);

    VirtualDisk plain;
    Attach(plain, Image("plain", "PLAIN", "--norock"));
    EXPECT_EQ(Names(Find("E:\\*")),
              (std::set<std::string>{"README.TXT", "ZEFICZ.TXT", "EMPTY.DAT", "SUB"}));
    ASSERT_TRUE(platform::GetFileInfo("E:\\Sub\\Big.bin", &info));
    EXPECT_EQ(info.name, "BIG.BIN");
    EXPECT_EQ(info.size, m_big.size());
    EXPECT_EQ(info.lastWriteTime, kBaseTime + 3 * kSecond);
    platform::Stream text;
    ASSERT_TRUE(text.Open("E:\\zeficz.txt", "r"));
    char line[64];
    ASSERT_NE(text.Gets(line, sizeof line), nullptr);
    EXPECT_STREQ(line, "ZEFICZ1\n");
}

// The image of C:\src opened as a volume, as an attach opens it.
class IsoVolumeTest : public IsoTest {
  protected:
    void SetUp() override {
        IsoTest::SetUp();
        Image("ranges", "RIDEZEZ1");
        uint32_t error = 99;
        m_volume = platform::posix::OpenIsoVolume(m_prefix->Host("drive_c/ranges.iso"), &error);
        ASSERT_TRUE(m_volume);
        EXPECT_EQ(error, 0u);
    }
    std::shared_ptr<platform::posix::ImageVolume> m_volume;
};

TEST_F(IsoVolumeTest, ReadsAnyRangeOfAFile) {
    EXPECT_EQ(m_volume->Label(), "RIDEZEZ1");
    struct Range {
        uint64_t offset;
        uint64_t size;
    };
    const Range ranges[] = {{0, 1},      {1, 2047},     {2047, 2},   {2048, 2048},  {4095, 10000},
                            {0, 150000}, {100, 150000}, {149999, 5}, {147456, 4096}};
    std::vector<char> buffer(160000);
    for (const Range& range : ranges) {
        int64_t got = m_volume->ReadAt("sub/BIG.bin", range.offset, buffer.data(), range.size);
        uint64_t expected = std::min<uint64_t>(range.size, m_big.size() - range.offset);
        ASSERT_EQ(got, static_cast<int64_t>(expected)) << range.offset;
        EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + got,
                               m_big.begin() + static_cast<long>(range.offset)))
            << range.offset << "+" << range.size;
    }
}

TEST_F(IsoVolumeTest, ReadsNothingPastTheEndAndFailsForDirectoriesAndMissingFiles) {
    std::vector<char> buffer(10);
    EXPECT_EQ(m_volume->ReadAt("Sub/Big.bin", 150000, buffer.data(), 10), 0);
    EXPECT_EQ(m_volume->ReadAt("Sub/Big.bin", 999999, buffer.data(), 10), 0);
    EXPECT_EQ(m_volume->ReadAt("Sub", 0, buffer.data(), 10), -1);
    EXPECT_EQ(m_volume->ReadAt("Sub/none", 0, buffer.data(), 10), -1);
}

TEST_F(IsoVolumeTest, ListsDirectoriesOnly) {
    FindData root;
    ASSERT_TRUE(m_volume->Stat("", &root));
    EXPECT_NE(root.attributes & platform::kAttrDirectory, 0u);
    std::vector<FindData> entries;
    EXPECT_FALSE(m_volume->List("ReadMe.TXT", &entries));
    EXPECT_FALSE(m_volume->List("None", &entries));
    ASSERT_TRUE(m_volume->List("SUB/deeper", &entries));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, LongName());
}

TEST_F(IsoVolumeTest, ThreadsReadingAtOnceEachGetTheirOwnBytes) {
    std::atomic<int> mismatches{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 4; ++t) {
        readers.emplace_back([&, t] {
            std::vector<char> own(3000);
            for (int i = 0; i < 200; ++i) {
                uint64_t offset = static_cast<uint64_t>((t * 997 + i * 613) % 147000);
                int64_t got = m_volume->ReadAt("Sub/Big.bin", offset, own.data(), own.size());
                if (got != 3000 || !std::equal(own.begin(), own.end(),
                                               m_big.begin() + static_cast<long>(offset))) {
                    ++mismatches;
                }
            }
        });
    }
    for (std::thread& reader : readers) reader.join();
    EXPECT_EQ(mismatches.load(), 0);
}

TEST_F(IsoTest, VolumeOpenReportsUnreadableAndForeignFiles) {
    uint32_t error = 0;
    EXPECT_FALSE(platform::posix::OpenIsoVolume(m_prefix->Host("none.iso"), &error));
    EXPECT_EQ(error, platform::kErrorFileNotFound);
    m_prefix->WriteHostFile("noise.iso", NoiseBytes(70000, 9));
    EXPECT_FALSE(platform::posix::OpenIsoVolume(m_prefix->Host("noise.iso"), &error));
    EXPECT_EQ(error, platform::kErrorUnrecognizedVolume);
}

}  // namespace
