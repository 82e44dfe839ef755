// Tests of names with letters beyond ASCII on the emulated machine: the program's Windows names
// are Windows-1250 bytes, the host's names UTF-8, and every path, listing, image and registry
// value converts between them; and of the display conversions of the dialog hosts.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/fs.h"
#include "platform/machine.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "platform/vdisk.h"
#include "support/iso_image.h"
#include "support/temp_prefix.h"

namespace {

using namespace platform;

// "Účetní" and "Žluťoučký kůň" in Windows-1250 and in UTF-8.
const std::string kAccountsAnsi =
    "\xDA\xE8"
    "etn\xED";
const std::string kAccountsUtf8 =
    "\xC3\x9A\xC4\x8D"
    "etn\xC3\xAD";
const std::string kHorseAnsi = "\x8Elu\x9Do\xFA\xE8k\xFD k\xF9\xF2";
const std::string kHorseUtf8 = "\xC5\xBDlu\xC5\xA5o\xC3\xBA\xC4\x8Dk\xC3\xBD k\xC5\xAF\xC5\x88";

TEST(DisplayText, CodePageAndUtf8ConvertBothWays) {
    EXPECT_EQ(AnsiToDisplay(kHorseAnsi), kHorseUtf8);
    std::string ansi = "untouched";
    ASSERT_TRUE(DisplayToAnsi(kHorseUtf8, &ansi));
    EXPECT_EQ(ansi, kHorseAnsi);
    ASSERT_TRUE(DisplayToAnsi("C:\\ZEFI", &ansi));
    EXPECT_EQ(ansi, "C:\\ZEFI");
    // Every character Windows-1250 has comes back as its byte.
    for (int b = 0x80; b < 0x100; ++b) {
        const std::string one(1, static_cast<char>(b));
        const std::string shown = AnsiToDisplay(one);
        if (shown == "?") continue;  // a byte the code page leaves undefined
        ASSERT_TRUE(DisplayToAnsi(shown, &ansi)) << b;
        EXPECT_EQ(ansi, one) << b;
    }
    EXPECT_EQ(AnsiToDisplay("a\x81z"), "a?z");
}

TEST(DisplayText, RefusesWhatTheCodePageCannotHold) {
    std::string ansi = "untouched";
    SetLastError(0);
    // A Cyrillic letter, a Chinese one, an emoji, and bytes that are not UTF-8.
    for (const std::string& text :
         {std::string("C:\\\xD0\x96"), std::string("\xE4\xB8\xAD"), std::string("\xF0\x9F\x98\x80"),
          std::string("a\xE8z"), std::string("\xC0\xAF")}) {
        EXPECT_FALSE(DisplayToAnsi(text, &ansi)) << text;
        EXPECT_EQ(GetLastError(), kErrorNoUnicodeTranslation);
        EXPECT_EQ(ansi, "untouched");
    }
}

class Names : public testsupport::PrefixTest {};

TEST_F(Names, ACodePageNameIsAUtf8NameOnTheHost) {
    const std::string dir = "C:\\" + kAccountsAnsi + "\\ZEFI";
    ASSERT_TRUE(CreateDirectory("C:\\" + kAccountsAnsi));
    ASSERT_TRUE(CreateDirectory(dir));
    EXPECT_TRUE(
        std::filesystem::is_directory(m_prefix->Host("drive_c/" + kAccountsUtf8 + "/ZEFI")));

    // A file the host made under its UTF-8 name is found by its Windows name and listed so.
    m_prefix->WriteHostFile("drive_c/" + kAccountsUtf8 + "/ZEFI/" + kHorseUtf8 + ".txt", "abc");
    FindData fd;
    ASSERT_TRUE(GetFileInfo(dir + "\\" + kHorseAnsi + ".txt", &fd));
    EXPECT_EQ(fd.name, kHorseAnsi + ".txt");
    EXPECT_EQ(fd.size, 3u);

    FindHandle search;
    ASSERT_TRUE(search.First(dir + "\\*.txt", &fd));
    EXPECT_EQ(fd.name, kHorseAnsi + ".txt");
    ASSERT_TRUE(search.First("C:\\*", &fd));
    std::vector<std::string> names;
    do {
        names.push_back(fd.name);
    } while (search.Next(&fd));
    EXPECT_NE(std::find(names.begin(), names.end(), kAccountsAnsi), names.end());

    std::string longName;
    ASSERT_TRUE(GetLongPathName("c:\\" + kAccountsAnsi + "\\zefi", &longName));
    EXPECT_EQ(longName, dir);
}

TEST_F(Names, TheCurrentDirectoryIsShownInTheCodePage) {
    ASSERT_TRUE(CreateDirectory("C:\\" + kAccountsAnsi));
    ASSERT_TRUE(SetCurrentDirectory("C:\\" + kAccountsAnsi));
    std::string cwd;
    ASSERT_TRUE(GetCurrentDirectory(&cwd));
    EXPECT_EQ(cwd, "C:\\" + kAccountsAnsi);
}

TEST_F(Names, AHostNameWithoutACodePageFormIsListedWithAQuestionMark) {
    m_prefix->WriteHostFile("drive_c/d/\xD0\x96.txt", "x");
    FindHandle search;
    FindData fd;
    ASSERT_TRUE(search.First("C:\\d\\*.txt", &fd));
    EXPECT_EQ(fd.name, "?.txt");
}

TEST_F(Names, RegistryFileIsUtf8AndValuesAreCodePageText) {
    const std::string dir = "C:\\" + kAccountsAnsi + "\\ZEFI";
    {
        RegKey key;
        ASSERT_EQ(key.Create(Hive::LocalMachine, "SOFTWARE\\Zefi Publishing\\ZEFI", kKeyAllAccess),
                  0u);
        ASSERT_EQ(key.SetString("InstallDir", dir), 0u);
    }
    const std::string file = m_prefix->ReadHostFile("system.reg");
    EXPECT_NE(file.find("\"InstallDir\"=\"C:\\\\" + kAccountsUtf8 + "\\\\ZEFI\""),
              std::string::npos)
        << file;
    ReloadMachine();
    RegKey key;
    ASSERT_EQ(key.Open(Hive::LocalMachine, "SOFTWARE\\Zefi Publishing\\ZEFI", kKeyRead), 0u);
    std::string value;
    ASSERT_EQ(key.QueryString("InstallDir", &value), 0u);
    EXPECT_EQ(value, dir);
}

TEST_F(Names, ImageNamesAreCodePageNames) {
    m_prefix->WriteHostFile("drive_c/src/" + kAccountsUtf8 + "/" + kHorseUtf8 + ".txt", "kun");
    std::string log;
    ASSERT_TRUE(testsupport::MakeIsoImage(m_prefix->Host("drive_c/src"), "RIDEZEZ1",
                                          m_prefix->Host("drive_c/names.iso"), "-J -R", &log))
        << log;
    VirtualDisk disk;
    ASSERT_EQ(disk.Open("C:\\names.iso"), 0u);
    ASSERT_EQ(disk.Attach(), 0u);
    FindData fd;
    ASSERT_TRUE(GetFileInfo("D:\\" + kAccountsAnsi + "\\" + kHorseAnsi + ".txt", &fd));
    EXPECT_EQ(fd.name, kHorseAnsi + ".txt");
    EXPECT_EQ(fd.size, 3u);
    FindHandle search;
    ASSERT_TRUE(search.First("D:\\*", &fd));
    EXPECT_EQ(fd.name, kAccountsAnsi);
}

}  // namespace
