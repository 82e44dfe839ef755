// Tests of AttachImage on real ISO images made with xorriso: every status, the fields it fills,
// what stays attached, and the messages it shows.
#include "download/attach_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "platform/errors.h"
#include "platform/fs.h"
#include "support/iso_image.h"
#include "support/temp_prefix.h"
#include "system/csystem.h"
#include "system/log.h"
#include "ui/scripted_host.h"

namespace {

using Files = std::map<std::string, std::string>;  // relative name -> content

constexpr int32_t kCzech = 0;
constexpr int32_t kSlovak = 1;
constexpr uint32_t kDriveD = 1u << 3;

class AttachImageTest : public testsupport::PrefixTest {
  protected:
    void SetUp() override {
        PrefixTest::SetUp();
        m_host = std::make_unique<ui::ScriptedHost>("", m_messages);
        m_scoped = std::make_unique<ui::ScopedHost>(*m_host);
        m_list.reset(zefi::CreateImageList(1));
        m_entry = m_list.get();
        zefi::SetImageText(m_entry->digest, "0123456789abcdef0123456789abcdef");
    }

    void TearDown() override {
        m_scoped.reset();
        PrefixTest::TearDown();
    }

    // Writes C:\images\<name> as an ISO image of files with the volume label, and names the
    // entry after it.
    void MakeDisk(const std::string& name, const std::string& label, const Files& files) {
        std::string source = "sources/" + name;
        for (const auto& [file, content] : files)
            m_prefix->WriteHostFile(source + "/" + file, content);
        std::string log;
        ASSERT_TRUE(testsupport::MakeIsoImage(
            m_prefix->Host(source), label, m_prefix->Host("drive_c/images/" + name), "-J -R", &log))
            << log;
        zefi::SetImageText(m_entry->name, name);
    }

    zefi::ImageHandle Attach(int32_t mode, int32_t edition, int32_t* status) {
        *status = 99;
        return zefi::AttachImage("C:\\images", m_entry, mode, edition, status);
    }

    void ExpectEntryUntouched() {
        EXPECT_STREQ(m_entry->imagePath, "");
        EXPECT_STREQ(m_entry->driveRoot, "");
        EXPECT_EQ(m_entry->diskNumber, 0);
    }

    std::string Messages() const { return m_messages.str(); }

    std::ostringstream m_messages;
    std::unique_ptr<ui::ScriptedHost> m_host;
    std::unique_ptr<ui::ScopedHost> m_scoped;
    zefi::ImageListPtr m_list;
    zefi::ImageRecord* m_entry = nullptr;
};

TEST_F(AttachImageTest, CheckModeRecordsTheDiskAndLeavesNoDriveBehind) {
    MakeDisk("disk1.iso", "RIDEZEZ1", {{"zeficz.txt", "ZEFICZ1\r\n"}, {"data.txt", "data"}});
    uint32_t drivesBefore = platform::GetLogicalDrives();
    int32_t status = 0;
    zefi::ImageHandle handle = Attach(zefi::kAttachCheck, kCzech, &status);
    EXPECT_EQ(status, zefi::kAttachFound);
    EXPECT_EQ(handle, nullptr);
    EXPECT_STREQ(m_entry->imagePath, "C:\\images\\disk1.iso");
    EXPECT_EQ(m_entry->diskNumber, 1);
    EXPECT_STREQ(m_entry->driveRoot, "");  // the drive root is kept in keep mode only
    EXPECT_EQ(platform::GetLogicalDrives(), drivesBefore);
    EXPECT_EQ(platform::GetDriveType("D:\\"), platform::kDriveNoRootDir);
    EXPECT_EQ(Messages(), "");
}

TEST_F(AttachImageTest, KeepModeStaysAttachedUntilTheHandleCloses) {
    MakeDisk("disk2.iso", "RIDEZEZ2", {{"ZEFICZ.TXT", "ZEFICZ2\n"}, {"sub/part.dat", "part"}});
    int32_t status = 0;
    zefi::ImageHandle handle = Attach(zefi::kAttachKeep, kCzech, &status);
    EXPECT_EQ(status, zefi::kAttachFound);
    ASSERT_NE(handle, nullptr);
    EXPECT_STREQ(m_entry->imagePath, "C:\\images\\disk2.iso");
    EXPECT_EQ(m_entry->diskNumber, 2);
    EXPECT_STREQ(m_entry->driveRoot, "D:\\");
    EXPECT_EQ(platform::GetDriveType(m_entry->driveRoot), platform::kDriveCdRom);
    platform::FindData part;
    EXPECT_TRUE(platform::GetFileInfo(std::string(m_entry->driveRoot) + "sub\\part.dat", &part));
    EXPECT_EQ(part.size, 4u);

    handle.reset();
    EXPECT_EQ(platform::GetDriveType("D:\\"), platform::kDriveNoRootDir);
    EXPECT_EQ(platform::GetLogicalDrives() & kDriveD, 0u);
    EXPECT_EQ(Messages(), "");
}

TEST_F(AttachImageTest, SlovakRunReadsTheSlovakMarker) {
    MakeDisk("sk3.iso", "RIDEZEZ", {{"zefisk", "ZEFISK3"}, {"zeficz.txt", "ZEFICZ1"}});
    int32_t status = 0;
    zefi::ImageHandle handle = Attach(zefi::kAttachKeep, kSlovak, &status);
    EXPECT_EQ(status, zefi::kAttachFound);
    EXPECT_NE(handle, nullptr);
    EXPECT_EQ(m_entry->diskNumber, 3);
    EXPECT_STREQ(m_entry->driveRoot, "D:\\");
}

TEST_F(AttachImageTest, CzechRunOnASlovakDiskFindsNoMarkerFile) {
    MakeDisk("sk.iso", "RIDEZEZ1", {{"zefisk.txt", "ZEFISK1"}});
    int32_t status = 0;
    zefi::ImageHandle handle = Attach(zefi::kAttachCheck, kCzech, &status);
    EXPECT_EQ(status, zefi::kAttachNoMarkerFile);
    EXPECT_EQ(handle, nullptr);
    ExpectEntryUntouched();
    EXPECT_EQ(Messages(), "message 164: Chyba označení disku ZEFI. -> ok\n");
    EXPECT_EQ(platform::GetLogicalDrives() & kDriveD, 0u);
}

TEST_F(AttachImageTest, KeepModeHandsOutTheHandleEvenWithoutAMarker) {
    MakeDisk("nomarker.iso", "RIDEZEZ1", {{"readme.txt", "no marker here"}});
    int32_t status = 0;
    zefi::ImageHandle handle = Attach(zefi::kAttachKeep, kCzech, &status);
    EXPECT_EQ(status, zefi::kAttachNoMarkerFile);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(platform::GetDriveType("D:\\"), platform::kDriveCdRom);
    ExpectEntryUntouched();
    handle.reset();
    EXPECT_EQ(platform::GetDriveType("D:\\"), platform::kDriveNoRootDir);
}

TEST_F(AttachImageTest, MarkerTextIsTrimmedAndUpperCased) {
    MakeDisk("blanks.iso", "RIDEZEZ1", {{"zeficz.txt", " zeficz 3 "}});
    int32_t status = 0;
    Attach(zefi::kAttachCheck, kCzech, &status);
    EXPECT_EQ(status, zefi::kAttachFound);
    EXPECT_EQ(m_entry->diskNumber, 3);
    EXPECT_STREQ(m_entry->imagePath, "C:\\images\\blanks.iso");
}

TEST_F(AttachImageTest, MarkerWithoutANumberGivesDiskZero) {
    MakeDisk("zero.iso", "RIDEZEZ1", {{"zeficz.txt", "ZEFICZ\r\n"}});
    m_entry->diskNumber = 7;
    int32_t status = 0;
    Attach(zefi::kAttachCheck, kCzech, &status);
    EXPECT_EQ(status, zefi::kAttachFound);
    EXPECT_EQ(m_entry->diskNumber, 0);
    EXPECT_STREQ(m_entry->imagePath, "C:\\images\\zero.iso");
}

TEST_F(AttachImageTest, MarkerFilesWithoutTheMarkerGiveStatusTwo) {
    // A directory, a file too short to read, and text without the marker; the Slovak marker
    // does not count for a Czech run.
    MakeDisk("wrong.iso", "RIDEZEZ1",
             {{"zeficzdir/inner.txt", "ZEFICZ1"},
              {"zeficz.a", "ZEF1"},
              {"zeficz.b", "this is not the right disk, ZEFISK1"}});
    int32_t status = 0;
    zefi::ImageHandle handle = Attach(zefi::kAttachCheck, kCzech, &status);
    EXPECT_EQ(status, zefi::kAttachNoMarker);
    EXPECT_EQ(handle, nullptr);
    ExpectEntryUntouched();
    EXPECT_EQ(Messages(), "message 163: Stažený soubor není disk pro ZEFI. -> ok\n");
    EXPECT_EQ(platform::GetLogicalDrives() & kDriveD, 0u);
}

TEST_F(AttachImageTest, OnlyTheFirst259BytesOfAMarkerFileCount) {
    MakeDisk("late.iso", "RIDEZEZ1", {{"zeficz.txt", std::string(259, ' ') + "ZEFICZ1"}});
    int32_t status = 0;
    Attach(zefi::kAttachCheck, kCzech, &status);
    EXPECT_EQ(status, zefi::kAttachNoMarker);
    ExpectEntryUntouched();
}

TEST_F(AttachImageTest, LaterMarkerFileHoldingTheMarkerIsFound) {
    MakeDisk("second.iso", "RIDEZEZ1",
             {{"zeficz1.txt", "nothing useful"}, {"zeficz2.txt", "xx ZEFICZ12 yy"}});
    int32_t status = 0;
    Attach(zefi::kAttachCheck, kCzech, &status);
    EXPECT_EQ(status, zefi::kAttachFound);
    EXPECT_EQ(m_entry->diskNumber, 12);
    EXPECT_EQ(Messages(), "");
}

TEST_F(AttachImageTest, AnotherLabelIsAcceptedWithoutLooking) {
    MakeDisk("other.iso", "OTHERDISK", {{"zeficz.txt", "ZEFICZ1"}});
    int32_t status = 0;
    zefi::ImageHandle handle = Attach(zefi::kAttachKeep, kCzech, &status);
    EXPECT_EQ(status, zefi::kAttachFound);
    EXPECT_NE(handle, nullptr);
    ExpectEntryUntouched();
    EXPECT_EQ(Messages(), "");
}

TEST_F(AttachImageTest, MissingImageFailsToOpen) {
    m_prefix->WriteHostFile("drive_c/images/other.iso", "");
    zefi::SetImageText(m_entry->name, "missing.iso");
    int32_t status = 0;
    zefi::ImageHandle handle = Attach(zefi::kAttachKeep, kCzech, &status);
    EXPECT_EQ(status, zefi::kAttachOpenFailed);
    EXPECT_EQ(handle, nullptr);
    ExpectEntryUntouched();
    EXPECT_EQ(Messages(), "message 0: " + platform::FormatErrorMessage(2) + " -> ok\n");
}

TEST_F(AttachImageTest, FileThatIsNotAnImageFailsToAttach) {
    m_prefix->WriteHostFile("drive_c/images/broken.iso", std::string(70000, 'z'));
    zefi::SetImageText(m_entry->name, "broken.iso");
    int32_t status = 0;
    zefi::ImageHandle handle = Attach(zefi::kAttachKeep, kCzech, &status);
    EXPECT_EQ(status, zefi::kAttachAttachFailed);
    EXPECT_EQ(handle, nullptr);
    ExpectEntryUntouched();
    EXPECT_EQ(Messages(),
              "message 0: " + platform::FormatErrorMessage(platform::kErrorUnrecognizedVolume) +
                  " -> ok\n");
    EXPECT_EQ(platform::GetLogicalDrives() & kDriveD, 0u);
}

TEST(AttachImageRights, WithoutAdministratorRightsTheAttachFails) {
    testsupport::TempPrefix prefix("[system]\nadmin = 0\n[drives]\nC = drive_c, fixed\n");
    std::ostringstream messages;
    ui::ScriptedHost host("", messages);
    ui::ScopedHost scoped(host);
    prefix.WriteHostFile("sources/a/zeficz.txt", "ZEFICZ1");
    ASSERT_TRUE(testsupport::MakeIsoImage(prefix.Host("sources/a"), "RIDEZEZ1",
                                          prefix.Host("drive_c/a.iso")));
    zefi::ImageListPtr list(zefi::CreateImageList(1));
    zefi::SetImageText(list.get()->name, "a.iso");
    int32_t status = 0;
    zefi::ImageHandle handle =
        zefi::AttachImage("C:", list.get(), zefi::kAttachCheck, kCzech, &status);
    EXPECT_EQ(status, zefi::kAttachAttachFailed);
    EXPECT_EQ(handle, nullptr);
    EXPECT_EQ(messages.str(),
              "message 0: " + platform::FormatErrorMessage(platform::kErrorPrivilegeNotHeld) +
                  " -> ok\n");
}

// A product DVD in drive D: must not be taken for the downloaded image that is checked.
TEST(AttachImageWithDvd, LooksOnlyAtTheAttachedImage) {
    testsupport::TempPrefix prefix(
        "[system]\nadmin = 1\n[drives]\nC = drive_c, fixed\nD = dvd, cdrom, RIDEZEZ01\n");
    prefix.WriteHostFile("dvd/zeficz.txt", "ZEFICZ9");
    std::ostringstream messages;
    ui::ScriptedHost host("", messages);
    ui::ScopedHost scoped(host);
    prefix.WriteHostFile("sources/other/readme.txt", "other");
    ASSERT_TRUE(testsupport::MakeIsoImage(prefix.Host("sources/other"), "OTHER",
                                          prefix.Host("drive_c/other.iso")));
    prefix.WriteHostFile("sources/disk/zeficz.txt", "ZEFICZ1");
    ASSERT_TRUE(testsupport::MakeIsoImage(prefix.Host("sources/disk"), "RIDEZEZ1",
                                          prefix.Host("drive_c/disk.iso")));
    zefi::ImageListPtr list(zefi::CreateImageList(2));
    zefi::ImageRecord* entries = list.get();
    zefi::SetImageText(entries[0].name, "other.iso");
    zefi::SetImageText(entries[1].name, "disk.iso");

    int32_t status = 99;
    zefi::ImageHandle handle =
        zefi::AttachImage("C:", &entries[0], zefi::kAttachKeep, kCzech, &status);
    EXPECT_EQ(status, zefi::kAttachFound);
    EXPECT_STREQ(entries[0].imagePath, "");
    EXPECT_EQ(entries[0].diskNumber, 0);
    handle.reset();

    handle = zefi::AttachImage("C:", &entries[1], zefi::kAttachKeep, kCzech, &status);
    EXPECT_EQ(status, zefi::kAttachFound);
    EXPECT_EQ(entries[1].diskNumber, 1);
    EXPECT_STREQ(entries[1].driveRoot, "E:\\");
    EXPECT_STREQ(entries[1].imagePath, "C:\\disk.iso");
    EXPECT_EQ(messages.str(), "");
}

// Files of an attached image are copied exactly as the same files from a directory drive.
TEST(AttachedImageCopy, CopiesLikeADirectoryDrive) {
    testsupport::TempPrefix prefix(
        "[system]\nadmin = 1\n[drives]\nC = drive_c, fixed\nF = drive_c/sources/disk, cdrom, "
        "RIDEZEZ1\n");
    std::ostringstream messages;
    ui::ScriptedHost host("", messages);
    ui::ScopedHost scoped(host);
    std::string big(250000, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 31 + i / 4099);
    const Files files = {{"zeficz.txt", "ZEFICZ1\r\n"},
                         {"Setup.CFG", "[setup]\r\nkey=value\r\n"},
                         {"empty.dat", ""},
                         {"Big.Bin", big},
                         {"Edge.bin", big.substr(0, 100000)},
                         {"data/Part.dat", big.substr(7, 123457)},
                         {"data/index.idx", "index"}};
    int seconds = 0;
    for (const auto& [file, content] : files) {
        prefix.WriteHostFile("drive_c/sources/disk/" + file, content);
        // The same files through C:, since the directory drive F: is read-only like a DVD.
        std::string windows = "C:\\sources\\disk\\" + file;
        std::replace(windows.begin(), windows.end(), '/', '\\');
        // Whole seconds: the image keeps times to the second.
        ASSERT_TRUE(platform::SetFileLastWriteTime(
            windows, (1600000000ull + 11644473600ull + 3600 * ++seconds) * 10000000ull));
    }
    ASSERT_TRUE(testsupport::MakeIsoImage(prefix.Host("drive_c/sources/disk"), "RIDEZEZ1",
                                          prefix.Host("drive_c/images/disk.iso")));
    zefi::ImageListPtr list(zefi::CreateImageList(1));
    zefi::SetImageText(list.get()->name, "disk.iso");
    int32_t status = 99;
    zefi::ImageHandle handle =
        zefi::AttachImage("C:\\images", list.get(), zefi::kAttachKeep, kCzech, &status);
    ASSERT_EQ(status, zefi::kAttachFound);
    ASSERT_NE(handle, nullptr);
    const std::string imageRoot = list.get()->driveRoot;
    ASSERT_EQ(imageRoot, "D:\\");

    zefi::LogStream log;
    zefi::CSystem system(log);
    const char* patterns[] = {"*.*", "data\\*.dat", "data\\*.idx"};
    for (const char* pattern : patterns) {
        ASSERT_TRUE(system.CopyFiles(imageRoot, "C:\\FromImage\\", pattern, false)) << pattern;
        ASSERT_TRUE(system.CopyFiles("F:\\", "C:\\FromDir\\", pattern, false)) << pattern;
    }

    auto listing = [](const std::string& directory) {
        std::map<std::string, std::pair<uint64_t, platform::FileTime>> found;
        platform::FindHandle search;
        platform::FindData data;
        if (!search.First(directory + "*", &data)) return found;
        do {
            if (!(data.attributes & platform::kAttrDirectory)) {
                found[data.name] = {data.size, data.lastWriteTime};
            }
        } while (search.Next(&data));
        return found;
    };
    auto fromImage = listing("C:\\FromImage\\");
    auto fromDir = listing("C:\\FromDir\\");
    EXPECT_EQ(fromImage.size(), 5u);
    EXPECT_EQ(fromImage, fromDir);
    EXPECT_EQ(listing("C:\\FromImage\\data\\"), listing("C:\\FromDir\\data\\"));
    EXPECT_EQ(listing("C:\\FromImage\\data\\").size(), 2u);
    for (const auto& [file, content] : files) {
        std::string copied = prefix.ReadHostFile("drive_c/FromImage/" + file);
        EXPECT_TRUE(copied == content) << file;
    }
    EXPECT_EQ(messages.str(), "");
}

}  // namespace
