// Tests that a drive backed by an image volume serves every read from the volume and refuses
// every write with error 19, using a small in-memory volume.
#include <algorithm>
#include <cstring>
#include <map>
#include <string>

#include "platform/errors.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "platform/posix/vfs.h"
#include "platform/stream.h"
#include "support/temp_prefix.h"

namespace {

using namespace platform;
using testsupport::PrefixTest;

// A volume held in memory: entries keyed by their lower-case inner path.
class MemoryVolume : public posix::ImageVolume {
  public:
    void AddDir(const std::string& path) { m_entries[Lower(path)] = {path, true, ""}; }
    void AddFile(const std::string& path, const std::string& data) {
        m_entries[Lower(path)] = {path, false, data};
    }
    std::string Label() const override { return "RIDEZEZ07"; }
    bool Stat(const std::string& inner, FindData* out) override {
        auto it = m_entries.find(Lower(inner));
        if (it == m_entries.end()) return false;
        Fill(it->second, out);
        return true;
    }
    bool List(const std::string& innerDir, std::vector<FindData>* out) override {
        std::string dir = Lower(innerDir);
        if (!dir.empty() && (m_entries.count(dir) == 0 || !m_entries[dir].dir)) return false;
        out->clear();
        for (const auto& [key, e] : m_entries) {
            size_t slash = key.find_last_of('/');
            std::string parent = slash == std::string::npos ? "" : key.substr(0, slash);
            if (parent != dir) continue;
            FindData fd;
            Fill(e, &fd);
            out->push_back(fd);
        }
        return true;
    }
    int64_t ReadAt(const std::string& inner, uint64_t offset, void* buffer,
                   uint64_t size) override {
        ++m_reads;
        auto it = m_entries.find(Lower(inner));
        if (it == m_entries.end() || it->second.dir) return -1;
        const std::string& data = it->second.data;
        if (offset >= data.size()) return 0;
        uint64_t n = std::min<uint64_t>(size, data.size() - offset);
        std::memcpy(buffer, data.data() + offset, n);
        return static_cast<int64_t>(n);
    }
    int m_reads = 0;

  private:
    struct Entry {
        std::string path;
        bool dir = false;
        std::string data;
    };
    static std::string Lower(std::string s) {
        std::transform(s.begin(), s.end(), s.begin(),
                       [](unsigned char c) { return std::tolower(c); });
        return s;
    }
    static void Fill(const Entry& e, FindData* out) {
        size_t slash = e.path.find_last_of('/');
        out->name = slash == std::string::npos ? e.path : e.path.substr(slash + 1);
        out->attributes = kAttrReadOnly | (e.dir ? uint32_t{kAttrDirectory} : 0u);
        out->size = e.data.size();
        out->lastWriteTime = out->creationTime = out->lastAccessTime = 131000000000000000ull;
    }
    std::map<std::string, Entry> m_entries;
};

class ImageDrive : public PrefixTest {
  protected:
    void SetUp() override {
        PrefixTest::SetUp();
        m_volume = std::make_shared<MemoryVolume>();
        m_volume->AddFile("SETUP.EXE", "program");
        m_volume->AddFile("cd.cfg", "[STARTW]\r\nA=1\r\n");
        m_volume->AddDir("Data");
        m_volume->AddFile("Data/Part1.DAT", std::string(10000, 'p'));
        m_letter = posix::AttachImageDrive(m_volume);
        ASSERT_NE(m_letter, 0);
    }
    void TearDown() override {
        posix::DetachImageDrive(m_letter);
        PrefixTest::TearDown();
    }
    std::string Path(const std::string& rest) { return std::string(1, m_letter) + ":\\" + rest; }

    std::shared_ptr<MemoryVolume> m_volume;
    char m_letter = 0;
};

TEST_F(ImageDrive, TakesFirstFreeLetterAsCdRomWithItsLabel) {
    EXPECT_EQ(m_letter, 'D');
    EXPECT_EQ(GetDriveType("D:\\"), kDriveCdRom);
    std::string label;
    ASSERT_TRUE(GetVolumeLabel("d:\\", &label));
    EXPECT_EQ(label, "RIDEZEZ07");
    EXPECT_TRUE(GetLogicalDrives() & (1u << 3));
    auto second = std::make_shared<MemoryVolume>();
    char next = posix::AttachImageDrive(second);
    EXPECT_EQ(next, 'E');
    posix::DetachImageDrive(next);
    EXPECT_EQ(GetDriveType("E:\\"), kDriveNoRootDir);
}

TEST_F(ImageDrive, ReadsComeFromTheVolume) {
    FindData fd;
    ASSERT_TRUE(GetFileInfo(Path("data\\part1.dat"), &fd));
    EXPECT_EQ(fd.name, "Part1.DAT");
    EXPECT_EQ(fd.size, 10000u);
    EXPECT_EQ(fd.lastWriteTime, 131000000000000000ull);
    EXPECT_NE(GetFileAttributes(Path("DATA")) & kAttrDirectory, 0u);
    EXPECT_NE(GetFileAttributes(Path("setup.exe")) & kAttrReadOnly, 0u);
    EXPECT_EQ(GetFileAttributes(Path("nothing")), kInvalidFileAttributes);
    EXPECT_EQ(GetLastError(), kErrorFileNotFound);
    std::string longName;
    ASSERT_TRUE(GetLongPathName(Path("data\\part1.dat"), &longName));
    EXPECT_EQ(longName, Path("Data\\Part1.DAT"));

    FindHandle h;
    ASSERT_TRUE(h.First(Path("*.*"), &fd));
    std::string names = fd.name;
    while (h.Next(&fd)) names += " " + fd.name;
    EXPECT_EQ(names, "cd.cfg Data SETUP.EXE");
    ASSERT_TRUE(h.First(Path("data\\*.dat"), &fd));
    EXPECT_EQ(fd.name, "Part1.DAT");

    File f;
    ASSERT_TRUE(
        f.Open(Path("Data\\part1.dat"), File::kRead, File::kShareRead, File::kOpenExisting));
    std::string back;
    char buf[4096];
    uint32_t got = 0;
    do {
        ASSERT_TRUE(f.Read(buf, sizeof buf, &got));
        back.append(buf, got);
    } while (got == sizeof buf);
    EXPECT_EQ(back, std::string(10000, 'p'));
    uint64_t size = 0;
    ASSERT_TRUE(f.GetSize(&size));
    EXPECT_EQ(size, 10000u);

    Stream s;
    ASSERT_TRUE(s.Open(Path("CD.CFG"), "r"));
    char line[64];
    ASSERT_NE(s.Gets(line, sizeof line), nullptr);
    EXPECT_STREQ(line, "[STARTW]\n");

    uint64_t freeBytes = 1, total = 1, totalFree = 1;
    ASSERT_TRUE(GetDiskFreeSpaceEx(Path(""), &freeBytes, &total, &totalFree));
    EXPECT_EQ(freeBytes, 0u);
    EXPECT_GT(m_volume->m_reads, 0);
}

TEST_F(ImageDrive, CopyFromImageKeepsDataTimeAndReadOnly) {
    ASSERT_TRUE(CopyFile(Path("setup.exe"), "C:\\setup.exe", false));
    EXPECT_EQ(m_prefix->ReadHostFile("drive_c/setup.exe"), "program");
    FindData fd;
    ASSERT_TRUE(GetFileInfo("C:\\setup.exe", &fd));
    EXPECT_EQ(fd.lastWriteTime, 131000000000000000ull);
    EXPECT_NE(fd.attributes & kAttrReadOnly, 0u);
    ASSERT_TRUE(SetCurrentDirectory(Path("Data")));
    std::string cwd;
    ASSERT_TRUE(GetCurrentDirectory(&cwd));
    EXPECT_EQ(cwd, Path("Data"));
    EXPECT_NE(GetFileAttributes("part1.dat"), kInvalidFileAttributes);
    ASSERT_TRUE(SetCurrentDirectory("C:\\"));
}

TEST_F(ImageDrive, EveryWriteFailsWithWriteProtect) {
    auto expect19 = [](bool result, const char* what) {
        EXPECT_FALSE(result) << what;
        EXPECT_EQ(GetLastError(), kErrorWriteProtect) << what;
    };
    m_prefix->WriteHostFile("drive_c/local.txt", "x");
    expect19(CopyFile("C:\\local.txt", Path("local.txt"), false), "copy onto image");
    expect19(DeleteFile(Path("cd.cfg")), "delete");
    expect19(CreateDirectory(Path("NewDir")), "mkdir");
    expect19(RemoveDirectory(Path("Data")), "rmdir");
    expect19(SetFileAttributes(Path("cd.cfg"), kAttrNormal), "attributes");
    expect19(SetFileLastWriteTime(Path("cd.cfg"), 1), "time");
    expect19(MoveFile(Path("cd.cfg"), Path("x.cfg"), false), "move");
    File f;
    expect19(f.Open(Path("cd.cfg"), File::kWrite, 0, File::kOpenExisting), "write open");
    expect19(f.Open(Path("new.bin"), File::kWrite, 0, File::kCreateAlways), "create");
    Stream s;
    expect19(s.Open(Path("cd.cfg"), "a"), "append");
    expect19(s.Open(Path("cd.cfg"), "r+"), "update");
    expect19(s.Open(Path("new.txt"), "w"), "stream create");
}

TEST_F(ImageDrive, DetachRemovesTheDrive) {
    posix::DetachImageDrive(m_letter);
    EXPECT_EQ(GetDriveType(Path("")), kDriveNoRootDir);
    EXPECT_EQ(GetFileAttributes(Path("cd.cfg")), kInvalidFileAttributes);
    EXPECT_EQ(GetLastError(), kErrorPathNotFound);
}

}  // namespace
