// End-to-end test of the main job: the real zefisetup program installs the example medium
// unattended into a fresh machine, then updates it with the same command.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "driver_fixture.h"

namespace {

using drivertest::Count;
using drivertest::DriverTest;

class DemoMedium : public DriverTest {};

const char* const kDemoCommand = "-i 'D:\\' -o 'C:\\ZEFI' -Q 1,0,1,1,1";

TEST_F(DemoMedium, InstallsThenUpdatesCopyingOnlyWhatChanged) {
    std::string first = RunProgram(kDemoCommand);
    EXPECT_EQ(first,
              "message 109: Adresář C:\\ZEFI neexistuje, má se vytvořit? -> yes\n"
              "dialog 6: Kopírování dat systému ZEFI | Zdroj: | Cíl: | Zrušit -> wait\n"
              "message 111: Instalace/aktualizace proběhla úspěšně -> ok\n");
    EXPECT_EQ(m_status, 0);
    std::string log = Log();
    EXPECT_NE(log.find("\r\nInstalace dokoncena\r\nFinished: "), std::string::npos) << log;
    EXPECT_EQ(Count(log, "...skipped"), 0);
    EXPECT_TRUE(HostExists("drive_c/ZEFI/Zefiwin.exe"));
    EXPECT_TRUE(HostExists(
        "drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Zefi pro Windows/Zefi.lnk"));
    EXPECT_NE(m_prefix->ReadHostFile("system.reg").find("\"InstallDir\"=\"C:\\\\ZEFI\""),
              std::string::npos);

    std::string second = RunProgram(kDemoCommand);
    EXPECT_EQ(second,
              "dialog 6: Kopírování dat systému ZEFI | Zdroj: | Cíl: | Zrušit -> wait\n"
              "message 111: Instalace/aktualizace proběhla úspěšně -> ok\n");
    log = Log();
    EXPECT_NE(log.find("\r\nInstalace dokoncena\r\nFinished: "), std::string::npos) << log;
    int considered = Count(log, "\r\nsrcfile: ");
    EXPECT_GT(considered, 20);
    EXPECT_EQ(Count(log, "...skipped"), considered) << log;
    EXPECT_EQ(log.find("copying..."), std::string::npos) << log;
}

TEST_F(DemoMedium, UppercaseOInstallsWithoutStoringTheDestination) {
    std::string out = RunProgram("-i 'D:\\' -O 'C:\\JINDE' -Q 1,0,1,1,1");
    EXPECT_NE(out.find("message 111: "), std::string::npos) << out;
    EXPECT_TRUE(HostExists("drive_c/JINDE/Zefiwin.exe"));
    std::string registry = m_prefix->ReadHostFile("system.reg");
    // The edition is recorded only with InstallDir, for the installation that names.
    EXPECT_EQ(registry.find("Edition"), std::string::npos) << registry;
    EXPECT_EQ(registry.find("InstallDir"), std::string::npos) << registry;
}

}  // namespace
