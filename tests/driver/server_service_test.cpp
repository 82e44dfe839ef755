// Tests of the server service around an installation run: stopped before copying, offered
// (or, unattended, started) afterwards, left stopped by an interrupted run; and the second DVD
// of the example medium, whose prompt is the way a run gets interrupted here.
#include "driver/server_service.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "driver/setup_dlg.h"
#include "driver_fixture.h"
#include "platform/machine.h"
#include "platform/services.h"

namespace {

using drivertest::Count;
using drivertest::DriverTest;
using zefi::CSetupDlg;

const char* const kCompleted = "message 111: Instalace/aktualizace proběhla úspěšně -> ok\n";
const char* const kAskStop =
    "message 145: Služba \"Zefi Server\" je spuštěna!\\nChcete ji zastavit?";
const char* const kAskStart =
    "message 146: Služba \"Zefi Server\" není spuštěna!\\nChcete ji spustit?";

class ServerRun : public DriverTest {
  protected:
    void SetUp() override { Machine("[services]\nZefi Server = running\n"); }

    // The service state when the copy dialog opened (0 when it did not open).
    uint32_t m_stateWhileCopying = 0;
    std::function<void(ui::Dialog&)> WatchCopy() {
        return [this](ui::Dialog& dialog) {
            if (dialog.GetTemplateId() == 6) m_stateWhileCopying = ServiceState();
        };
    }

    // An existing installation whose configuration grants the Z-disk of the second DVD.
    void InstallWithZdiskLicence() {
        CSetupDlg first;
        Unattended(&first, "C:\\ZEFI");
        Run(first, "");
        std::string config = m_prefix->ReadHostFile("drive_c/ZEFI/zefi6.cfg");
        m_prefix->WriteHostFile("drive_c/ZEFI/zefi6.cfg", config + "LICENCE= 12\r\n");
        // The first run left the service as it found it.
        ASSERT_EQ(ServiceState(), platform::kServiceRunning);
    }
};

TEST(ServerInstallation, IsTheMachineWithTheZefiServerService) {
    testsupport::TempPrefix withService(
        "[drives]\nC = drive_c, fixed\n[services]\nZefi Server = stopped\n");
    EXPECT_TRUE(zefi::IsServerInstallation());
    testsupport::TempPrefix withoutService(
        "[drives]\nC = drive_c, fixed\n[services]\nOther = running\n");
    EXPECT_FALSE(zefi::IsServerInstallation());
    // Without administrator rights the service can still be seen.
    testsupport::TempPrefix noAdmin(
        "[system]\nadmin = 0\n[drives]\nC = drive_c, fixed\n[services]\nZefi Server = running\n");
    EXPECT_TRUE(zefi::IsServerInstallation());
}

TEST_F(ServerRun, UnattendedStopsTheServiceBeforeCopyingAndStartsItAfterwards) {
    CSetupDlg dialog;
    Unattended(&dialog, "C:\\ZEFI");
    std::string out = Run(dialog, "", WatchCopy());
    EXPECT_EQ(out.find("message 145"), std::string::npos) << out;
    EXPECT_EQ(out.find("message 146"), std::string::npos) << out;
    EXPECT_NE(out.find(kCompleted), std::string::npos) << out;
    EXPECT_EQ(m_stateWhileCopying, platform::kServiceStopped);
    EXPECT_EQ(ServiceState(), platform::kServiceRunning);
    EXPECT_EQ(dialog.GetServerInstallation(), 1);
    // A server installation gets no program group.
    EXPECT_FALSE(HostExists(
        "drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Zefi pro Windows/Zefi.lnk"));
}

TEST_F(ServerRun, InteractiveAsksBeforeStoppingAndBeforeStarting) {
    std::filesystem::create_directories(m_prefix->Host("drive_c/ZEFI"));
    CSetupDlg dialog;
    dialog.SetSource("D:\\");
    dialog.SetDestination("C:\\ZEFI");
    std::string out =
        Run(dialog, "dialog 4 ok\nmessage 145 yes\ndialog 7 1\nmessage 146 no\n", WatchCopy());
    EXPECT_NE(out.find(std::string(kAskStop) + " -> yes\ndialog 11: "), std::string::npos) << out;
    EXPECT_NE(out.find(std::string(kCompleted) + kAskStart + " -> no\n"), std::string::npos) << out;
    EXPECT_EQ(m_stateWhileCopying, platform::kServiceStopped);
    EXPECT_EQ(ServiceState(), platform::kServiceStopped);
}

TEST_F(ServerRun, AnswerNoToStoppingEndsTheRunBeforeTheOptions) {
    std::filesystem::create_directories(m_prefix->Host("drive_c/ZEFI"));
    CSetupDlg dialog;
    dialog.SetSource("D:\\");
    dialog.SetDestination("C:\\ZEFI");
    std::string out = Run(dialog, "dialog 4 ok\nmessage 145 no\n");
    EXPECT_NE(out.find(std::string(kAskStop) + " -> no\n"), std::string::npos) << out;
    EXPECT_EQ(out.find("dialog 11"), std::string::npos) << out;
    EXPECT_EQ(ServiceState(), platform::kServiceRunning);
}

TEST_F(ServerRun, CancelInTheOptionsOffersToStartTheStoppedService) {
    std::filesystem::create_directories(m_prefix->Host("drive_c/ZEFI"));
    CSetupDlg dialog;
    dialog.SetSource("D:\\");
    dialog.SetDestination("C:\\ZEFI");
    std::string out =
        Run(dialog, "dialog 4 ok\nmessage 145 yes\ndialog 11 cancel\nmessage 146 yes\n");
    EXPECT_NE(out.find(std::string(kAskStart) + " -> yes\n"), std::string::npos) << out;
    EXPECT_EQ(ServiceState(), platform::kServiceRunning);
}

TEST_F(ServerRun, ConfirmationShowsTheServiceNoteWhenTheServiceCannotBeOpened) {
    // Without administrator rights the service exists but cannot be controlled.
    std::string ini = MachineIni("[services]\nZefi Server = running\n", "examples/medium");
    ini.replace(ini.find("admin = 1"), 9, "admin = 0");
    m_prefix->WriteHostFile("machine.ini", ini);
    platform::ReloadMachine();
    std::filesystem::create_directories(m_prefix->Host("drive_c/ZEFI"));
    CSetupDlg dialog;
    dialog.SetSource("D:\\");
    dialog.SetDestination("C:\\ZEFI");
    std::string out = Run(dialog, "dialog 4 ok\ndialog 7 cancel\n");
    EXPECT_EQ(out.find("message 145"), std::string::npos) << out;
    EXPECT_NE(out.find("Při aktualizaci serveru ZEFI musí být Windows služba ZEFI server "
                       "zastavena."),
              std::string::npos)
        << out;
    EXPECT_EQ(ServiceState(), platform::kServiceRunning);
}

TEST_F(ServerRun, InterruptedRunLeavesTheServiceStopped) {
    InstallWithZdiskLicence();
    CSetupDlg dialog;
    Unattended(&dialog, "C:\\ZEFI");
    std::string out = Run(dialog, "message 102 cancel\n");
    EXPECT_NE(out.find("message 102: Vložte prosím ZEFI pro Windows DVD 2 (Z-disk) -> cancel\n"
                       "message 112: Instalace/aktualizace přerušena -> ok\n"),
              std::string::npos)
        << out;
    EXPECT_EQ(out.find("message 146"), std::string::npos) << out;
    EXPECT_EQ(out.find("message 111"), std::string::npos) << out;
    EXPECT_NE(Log().find("Instalace prerusena\r\n"), std::string::npos);
    EXPECT_EQ(ServiceState(), platform::kServiceStopped);
}

TEST_F(ServerRun, SecondDvdInsertedWhenAskedInstallsTheZdisk) {
    InstallWithZdiskLicence();
    CSetupDlg dialog;
    Unattended(&dialog, "C:\\ZEFI");
    // The prompt for the second DVD is answered by putting it into drive D:.
    auto swapDisk = [this](const ui::MessageRequest& request) {
        if (request.stringId != 102) return;
        m_prefix->WriteHostFile("machine.ini", MachineIni("[services]\nZefi Server = stopped\n",
                                                          "examples/medium/disk2"));
        platform::ReloadMachine();
    };
    std::string out = Run(dialog, "message 102 ok\n", nullptr, swapDisk);
    EXPECT_EQ(Count(out, "message 102: "), 1) << out;
    EXPECT_NE(out.find(kCompleted), std::string::npos) << out;
    EXPECT_TRUE(HostExists("drive_c/ZEFI/_Z_DISK.BAT"));
    EXPECT_TRUE(HostExists("drive_c/ZEFI/ZDISK/ZDISK.DAT"));
    EXPECT_EQ(ServiceState(), platform::kServiceRunning);
}

}  // namespace
