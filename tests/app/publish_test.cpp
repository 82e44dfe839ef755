// End-to-end tests of scripts/publish.sh, run as a publisher runs it: the set it writes, that it
// is reproducible and signed, that it refuses faulty disks without touching the published set,
// and that the program installs from what it published.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "publish_fixture.h"
#include "support/http_server.h"

namespace {

namespace fs = std::filesystem;

using Publish = publishtest::PublishTest;

TEST_F(Publish, WritesASignedSetThatIsTheSameEveryTime) {
    const std::string out = RunSigned("set");
    ASSERT_EQ(m_status, 0) << out;
    const std::set<std::string> expected{"packages.txt",   "packages.txt.minisig", "sites.txt",
                                         "zefi1.iso",      "zefi1.iso.zsync",      "zefi2.iso",
                                         "zefi2.iso.zsync"};
    EXPECT_EQ(Files("set"), expected);
    EXPECT_EQ(m_prefix->ReadHostFile("set/sites.txt"),
              "cz https://media.zefi.cz/zefi/packages.txt\r\n");
    // The value for the DNS TXT record: the sites list's address in Base64.
    EXPECT_NE(out.find("\nzefisetup=aHR0cHM6Ly9tZWRpYS56ZWZpLmN6L3plZmkvc2l0ZXMudHh0\n"),
              std::string::npos)
        << out;
    EXPECT_EQ(Shell("xorriso -indev set/zefi2.iso -pvd_info 2>&1 | grep '^Volume Id'"),
              "Volume Id    : RIDEZEZ02\n");
    // Both images' digests and sizes are listed, as md5sum, sha256sum and the file system see
    // them; each .zsync file describes its image.
    EXPECT_EQ(
        Shell("cd set && tr -d '\\r' <packages.txt | grep -v ^sha256 | sed 's/ /  /' | "
              "md5sum -c --quiet && tr -d '\\r' <packages.txt | grep ^sha256 | "
              "while read -r _ sum size name; do echo \"$sum  $name\" | sha256sum -c "
              "--quiet && [ \"$(stat -c %s $name)\" = $size ] && grep -aq \"^Length: $size$\" "
              "$name.zsync && echo $name; done"),
        "zefi1.iso\nzefi2.iso\n");
    EXPECT_EQ(Shell("minisign -Vq -p keys/pub -m set/packages.txt && grep -c '^trusted comment: "
                    "serial=1 expires=....-..-..$' set/packages.txt.minisig"),
              "1\n");

    // Published again from the same folders, byte for byte the same set (the signature too,
    // unless the day of expiry moved on at midnight in between).
    ASSERT_EQ(m_status, 0);
    RunSigned("again");
    ASSERT_EQ(m_status, 0);
    EXPECT_EQ(Shell("diff -r -x '*.minisig' set again && { [ \"$(sed -n 3p set/*.minisig)\" != "
                    "\"$(sed -n 3p again/*.minisig)\" ] || cmp set/*.minisig again/*.minisig; } "
                    "&& echo same"),
              "same\n");
}

TEST_F(Publish, OffersTheSetToTheEditionsOfItsMarkersWithItsLimitationFile) {
    // Slovak markers on both disks too; disk 2 of the Slovak edition in lower case with blanks,
    // as the installer reads it.
    m_prefix->WriteHostFile("disk1/zefisk.id", "ZEFISK1\r\n");
    m_prefix->WriteHostFile("disk2/zefisk2.id", " zefisk 2 \r\n");
    m_prefix->WriteHostFile("limit.txt", "PROGRAM\\zefi6.cfg zefi2.iso\r\n");
    const std::string out = RunSigned("set", "--limit limit.txt");
    ASSERT_EQ(m_status, 0) << out;
    EXPECT_EQ(
        m_prefix->ReadHostFile("set/sites.txt"),
        "cz https://media.zefi.cz/zefi/packages.txt https://media.zefi.cz/zefi/limit.txt\r\n"
        "sk https://media.zefi.cz/zefi/packages.txt https://media.zefi.cz/zefi/limit.txt\r\n");
    EXPECT_EQ(m_prefix->ReadHostFile("set/limit.txt"), m_prefix->ReadHostFile("limit.txt"));

    // A Slovak marker of the wrong disk: refused, as a limitation file whose last line would
    // be ignored.
    m_prefix->WriteHostFile("disk2/zefisk2.id", "ZEFISK1\r\n");
    EXPECT_NE(RunSigned("set").find("disk 2 (disk2): its Slovak marker names disk 1"),
              std::string::npos);
    m_prefix->WriteHostFile("disk2/zefisk2.id", "ZEFISK2\r\n");
    m_prefix->WriteHostFile("limit.txt", "a.dat zefi2.iso");
    EXPECT_NE(RunSigned("set", "--limit limit.txt").find("last line has no line end"),
              std::string::npos);
    EXPECT_EQ(m_status, 1);
}

TEST_F(Publish, ReplacesASetWhole_WithTheNextSerial_AndLeavesItAloneOnFailure) {
    RunSigned("set");
    ASSERT_EQ(m_status, 0);
    const std::string firstList = m_prefix->ReadHostFile("set/packages.txt");
    m_prefix->WriteHostFile("disk2/ZDISK/NEW.DAT", "new data\r\n");
    RunSigned("set");
    ASSERT_EQ(m_status, 0);
    EXPECT_NE(m_prefix->ReadHostFile("set/packages.txt"), firstList);
    EXPECT_EQ(Shell("minisign -V -p keys/pub -m set/packages.txt | tail -n 1 | cut -c-26"),
              "Trusted comment: serial=2 \n");

    // A disk whose install script has faults, a disk without its marker, a lower serial, a
    // wrong key: nothing is published, the set stays as it was, and nothing is left beside it.
    const std::string published = Shell("cat set/* | md5sum");
    m_prefix->WriteHostFile("faulty/cd.cfg", "[STARTW]\nList=MISSING\n");
    m_prefix->WriteHostFile("faulty/cds.cfg", "[STARTW]\n");
    m_prefix->WriteHostFile("faulty/zeficz.id", "ZEFICZ1\r\n");
    EXPECT_NE(Run("--out set --base-url " + m_base + " faulty")
                  .find("faulty/cd.cfg:2: group 'MISSING' named in List does not exist\n"),
              std::string::npos);
    EXPECT_EQ(m_status, 1);
    fs::remove(Host("disk2/zeficz2.id"));
    EXPECT_NE(RunSigned("set").find("disk 2 (disk2) has no marker file"), std::string::npos);
    m_prefix->WriteHostFile("disk2/zeficz2.id", "ZEFICZ2\r\n");
    EXPECT_NE(RunSigned("set", "--serial 1").find("lower than the published serial 2"),
              std::string::npos);
    EXPECT_NE(Run("--out set --base-url " + m_base + " --key keys/pub disk1 disk2")
                  .find("could not sign"),
              std::string::npos);
    EXPECT_EQ(m_status, 1);
    EXPECT_EQ(Shell("cat set/* | md5sum"), published);
    EXPECT_EQ(Shell("ls -A | grep -c publish"), "0\n");
    // A folder that holds no set is never replaced.
    m_prefix->WriteHostFile("other/notes.txt", "mine");
    EXPECT_NE(RunSigned("other").find("holds no published set"), std::string::npos);
    EXPECT_EQ(m_prefix->ReadHostFile("other/notes.txt"), "mine");
}

TEST_F(Publish, TheProgramInstallsFromThePublishedSignedSet) {
    testsupport::HttpServer server;
    ASSERT_TRUE(server.Ok());
    m_base = server.Url("/zefi");
    RunSigned("set");
    ASSERT_EQ(m_status, 0);
    Serve(server, "set");
    // The machine trusts the publisher's key, as its administrator sets it.
    const std::string key = PublicKey();
    m_prefix->WriteHostFile("system.reg",
                            "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\"
                            "SOFTWARE\\Zefi Publishing\\ZEFI]\r\n\"PublisherKeys\"=\"" +
                                key + "\"\r\n");
    m_prefix->WriteHostFile("answers.txt",
                            "dialog 1 1000\ndialog 4 ok 1002=C:\\ZEFI\nmessage 109 yes\n"
                            "dialog 11 ok\ndialog 7 1\n");
    fs::create_directories(Host("drive_c/Temp"));
    const std::string out = Shell("cd drive_c/Temp && ZEFISETUP_PREFIX='" + m_prefix->Path() +
                                  "' ZEFISETUP_ANSWERS=../../answers.txt '" + ZEFISETUP_BINARY +
                                  "' -m '" + server.Url("/zefi/sites.txt") + "' </dev/null 2>&1");
    EXPECT_EQ(m_status, 0) << out;
    EXPECT_NE(out.find("message 111: Instalace/aktualizace proběhla úspěšně -> ok"),
              std::string::npos)
        << out;
    EXPECT_EQ(m_prefix->ReadHostFile("drive_c/ZEFI/Zefiwin.exe"),
              m_prefix->ReadHostFile("disk1/PROGRAM/Zefiwin.exe"));
    EXPECT_EQ(server.RequestsFor("/zefi/zefi2.iso").size(), 1u);
    // The key was in force: the list's signature was checked and its serial kept.
    const std::string log = m_prefix->ReadHostFile("drive_c/Temp/inetzefi.log");
    EXPECT_NE(log.find("Package list signature ok, serial 1\r\n"), std::string::npos) << log;
}

}  // namespace
