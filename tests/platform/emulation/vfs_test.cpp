// Tests of the emulated machine's description: machine.ini parsing and the [services]
// write-back.
#include "platform/posix/vfs.h"

#include <filesystem>
#include <string>

#include "platform/fs.h"
#include "platform/machine.h"
#include "support/temp_prefix.h"

namespace {

using namespace platform;
using testsupport::TempPrefix;

TEST(MachineIni, ReadsEverySection) {
    TempPrefix prefix(
        "; the test machine\r\n"
        "[System]\r\n"
        "language = 1051          ; Slovak\r\n"
        "admin = 0\r\n"
        "temp = C:\\Temp\\\r\n"
        "[drives]\r\n"
        "c: = drive_c, fixed\r\n"
        "D = /nonexistent/dvd, cdrom, RIDEZEZ01\r\n"
        "N = share, remote\r\n"
        "[services]\r\n"
        "Zefi Server = running\r\n"
        "Other = stopped\r\n"
        "[dns]\r\n"
        "server = 127.0.0.1:5353\r\n");
    std::lock_guard<std::recursive_mutex> lock(posix::MachineLock());
    posix::Machine& m = posix::GetMachine();
    EXPECT_EQ(m.prefix, prefix.Path());
    EXPECT_EQ(m.language, 1051);
    EXPECT_FALSE(m.admin);
    EXPECT_EQ(m.temp, "C:\\Temp\\");
    EXPECT_EQ(m.dnsServer, "127.0.0.1:5353");
    ASSERT_EQ(m.services.size(), 2u);
    EXPECT_EQ(m.services[0].first, "Zefi Server");
    EXPECT_EQ(m.services[0].second, "running");
    ASSERT_EQ(m.drives.count('C'), 1u);
    EXPECT_EQ(m.drives['C'].hostRoot, prefix.Host("drive_c"));
    EXPECT_EQ(m.drives['D'].hostRoot, "/nonexistent/dvd");
    EXPECT_EQ(m.drives['D'].type, kDriveCdRom);
    EXPECT_EQ(m.drives['D'].label, "RIDEZEZ01");
    EXPECT_EQ(m.drives['N'].type, kDriveRemote);
    EXPECT_EQ(m.drives['Z'].hostRoot, "/");
}

TEST(MachineIni, ZCanBeMappedElsewhere) {
    TempPrefix prefix("[drives]\nC = drive_c, fixed\nZ = zdir, fixed\n");
    std::lock_guard<std::recursive_mutex> lock(posix::MachineLock());
    EXPECT_EQ(posix::GetMachine().drives['Z'].hostRoot, prefix.Host("zdir"));
    EXPECT_EQ(posix::WindowsPathOfHost(prefix.Host("zdir/a/b")), "Z:\\a\\b");
    EXPECT_EQ(posix::WindowsPathOfHost("/nowhere/at/all"), "");
}

TEST(MachineIni, FixedDrivesAreCreatedOnlyInsideThePrefix) {
    TempPrefix prefix;
    const std::string parent = prefix.Path().substr(0, prefix.Path().rfind('/'));
    const std::string outside = prefix.Path() + "-outside";
    const std::string name = outside.substr(parent.size() + 1);
    prefix.WriteHostFile("machine.ini",
                         "[drives]\nC = drive_c, fixed\nD = new/./deeper/../inside, fixed\n"
                         "E = sub/../../" +
                             name + ", fixed\n");
    ReloadMachine();
    std::lock_guard<std::recursive_mutex> lock(posix::MachineLock());
    posix::Machine& m = posix::GetMachine();
    EXPECT_EQ(m.drives['D'].hostRoot, prefix.Host("new/inside"));
    EXPECT_TRUE(std::filesystem::is_directory(prefix.Host("new/inside")));
    EXPECT_EQ(m.drives['E'].hostRoot, outside);
    EXPECT_FALSE(std::filesystem::exists(outside));
}

TEST(MachineIni, SaveServicesRewritesOnlyTheServices) {
    TempPrefix prefix(
        "[system]\nadmin = 1\n[services]\n; states\nZefi Server = running\n"
        "[drives]\nC = drive_c, fixed\n");
    {
        std::lock_guard<std::recursive_mutex> lock(posix::MachineLock());
        posix::Machine& m = posix::GetMachine();
        ASSERT_EQ(m.services.size(), 1u);
        m.services[0].second = "stopped";
        m.services.emplace_back("New Service", "paused");
        ASSERT_TRUE(posix::SaveServices());
    }
    EXPECT_EQ(prefix.ReadHostFile("machine.ini"),
              "[system]\nadmin = 1\n[services]\nZefi Server = stopped\nNew Service = paused\n"
              "; states\n[drives]\nC = drive_c, fixed\n");
    ReloadMachine();
    std::lock_guard<std::recursive_mutex> lock(posix::MachineLock());
    posix::Machine& m = posix::GetMachine();
    ASSERT_EQ(m.services.size(), 2u);
    EXPECT_EQ(m.services[0].second, "stopped");
    EXPECT_EQ(m.services[1].first, "New Service");
    EXPECT_EQ(GetDriveType("C:\\"), kDriveFixed);
}

TEST(MachineIni, SaveServicesAddsTheSectionWhenMissing) {
    TempPrefix prefix;
    {
        std::lock_guard<std::recursive_mutex> lock(posix::MachineLock());
        posix::GetMachine().services.emplace_back("Zefi Server", "running");
        ASSERT_TRUE(posix::SaveServices());
    }
    std::string ini = prefix.ReadHostFile("machine.ini");
    EXPECT_NE(ini.find("C = drive_c, fixed\n"), std::string::npos);
    EXPECT_NE(ini.find("[services]\nZefi Server = running\n"), std::string::npos);
}

TEST(FileTimes, ConvertBothWays) {
    EXPECT_EQ(posix::FileTimeFromUnix(0, 0), 116444736000000000ull);
    EXPECT_EQ(posix::FileTimeFromUnix(1, 999999999), 116444736019999999ull);
    int64_t s = 0, ns = 0;
    posix::UnixFromFileTime(116444736019999999ull, &s, &ns);
    EXPECT_EQ(s, 1);
    EXPECT_EQ(ns, 999999900);
    posix::UnixFromFileTime(0, &s, &ns);
    EXPECT_EQ(s, -11644473600LL);
    EXPECT_EQ(posix::FileTimeFromUnix(-11644473601LL, 0), 0u);
}

}  // namespace
