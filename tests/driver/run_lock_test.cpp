// Tests of what keeps two installation runs of one machine apart, and of the edition recorded
// for the installation in InstallDir: in process with the driver, and with two zefisetup
// processes started onto the same destination.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "driver/setup_dlg.h"
#include "driver_fixture.h"
#include "platform/instance.h"
#include "platform/services.h"
#include "support/files.h"
#include "system/edition.h"
#include "system/registry_settings.h"
#include "system/shortcuts.h"

namespace {

namespace fs = std::filesystem;
using drivertest::DriverTest;
using zefi::CSetupDlg;

const char* const kRefused =
    "message 175: Na tomto počítači právě probíhá jiná instalace nebo aktualizace systému "
    "ZEFI.\\nPočkejte prosím, až skončí, a spusťte instalaci znovu. -> ok\n";
const char* const kGroup =
    "drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Zefi pro Windows/";

class RunInstallLock : public DriverTest {};

TEST_F(RunInstallLock, RunWhileAnotherHoldsTheLockIsRefusedBeforeAnythingChanges) {
    Machine("[services]\nZefi Server = running\n");
    m_prefix->WriteHostFile(std::string(kGroup) + "Aktualizace Zefi.lnk", "old update link");
    platform::RunLock other;
    ASSERT_TRUE(other.TryAcquire());
    for (int quiet : {0, 1}) {
        SCOPED_TRACE(quiet);
        CSetupDlg dialog;
        dialog.SetSource("D:\\");
        dialog.SetDestination("C:\\ZEFI");
        if (quiet) Unattended(&dialog, "C:\\ZEFI");
        EXPECT_EQ(Run(dialog), kRefused);
        EXPECT_EQ(dialog.GetRunOutcome(), zefi::RunOutcome::kAnotherRunActive);
        // No shortcut deleted, no directory made, no service stopped, nothing recorded.
        EXPECT_TRUE(HostExists(std::string(kGroup) + "Aktualizace Zefi.lnk"));
        EXPECT_FALSE(HostExists("drive_c/ZEFI"));
        EXPECT_EQ(ServiceState(), platform::kServiceRunning);
        EXPECT_EQ(InstallDir(), "");
        EXPECT_TRUE(other.IsHeld());
    }
    // Once the other run has ended, the same run goes through.
    other.Release();
    CSetupDlg dialog;
    Unattended(&dialog, "C:\\ZEFI");
    EXPECT_NE(Run(dialog).find("message 111: "), std::string::npos);
    // And it let go of the lock when it ended.
    platform::RunLock after;
    EXPECT_TRUE(after.TryAcquire());
}

TEST_F(RunInstallLock, SlovakTestInstallationElsewhereLeavesTheRecordedEdition) {
    // The main installation, Czech, in InstallDir.
    {
        CSetupDlg dialog;
        Unattended(&dialog, "C:\\ZEFI");
        ASSERT_NE(Run(dialog).find("message 111: "), std::string::npos);
    }
    ASSERT_EQ(InstallDir(), "C:\\ZEFI");
    ASSERT_EQ(zefi::ReadEdition(), 0);

    // A Slovak medium installed with -O into a test directory.
    fs::copy(std::string(ZEFISETUP_SOURCE_DIR) + "/examples/medium", m_prefix->Host("drive_c/SK"),
             fs::copy_options::recursive);
    fs::remove(m_prefix->Host("drive_c/SK/zeficz.id"));
    m_prefix->WriteHostFile("drive_c/SK/zefisk.id", "ZEFISK DVD 1 2026/02\r\n");
    std::string script = m_prefix->ReadHostFile("drive_c/Temp/cds.cfg");
    for (size_t at = script.find("zeficz.id"); at != std::string::npos;
         at = script.find("zeficz.id", at))
        script.replace(at, 9, "zefisk.id");
    m_prefix->WriteHostFile("drive_c/Temp/cds.cfg", script);
    {
        CSetupDlg dialog;
        Unattended(&dialog, "C:\\ZEFITEST");
        dialog.SetSource("C:\\SK");
        dialog.SetSaveDestination(0);
        std::string out = Run(dialog);
        ASSERT_NE(out.find("message 111: "), std::string::npos) << out;
        EXPECT_EQ(zefi::SlovakEdition, 1);
    }
    EXPECT_EQ(InstallDir(), "C:\\ZEFI");
    EXPECT_EQ(zefi::ReadEdition(), 0);
    // The next download for the main installation is Czech; one for the test directory knows
    // nothing recorded and is Czech too.
    EXPECT_EQ(zefi::DetermineEdition("C:\\START\\", "C:\\ZEFI", true), 0);
    EXPECT_EQ(zefi::DetermineEdition("C:\\START\\", "C:\\ZEFITEST", true), 0);

    // A Slovak installation that is saved as InstallDir records its edition with it.
    {
        CSetupDlg dialog;
        Unattended(&dialog, "C:\\ZEFITEST");
        dialog.SetSource("C:\\SK");
        ASSERT_NE(Run(dialog).find("message 111: "), std::string::npos);
    }
    EXPECT_EQ(InstallDir(), "C:\\ZEFITEST");
    EXPECT_EQ(zefi::ReadEdition(), 1);
    EXPECT_EQ(zefi::DetermineEdition("C:\\START\\", "C:\\ZEFITEST", true), 1);
    EXPECT_EQ(zefi::DetermineEdition("C:\\START\\", "C:\\ZEFI", true), 0);
    zefi::SettleEdition(0);
}

// Two zefisetup processes with -Q onto the same destination. The first holds its run inside
// the install script (an "exec" that waits for the test), so the second surely starts while
// the first is running.
class TwoProcesses : public DriverTest {
  protected:
    std::string Command(const std::string& args) const {
        return "cd '" + m_prefix->Host("drive_c/Temp") + "' && ZEFISETUP_PREFIX='" +
               m_prefix->Path() + "' '" + ZEFISETUP_BINARY + "' " + args + " </dev/null 2>&1";
    }
    static std::string Drain(FILE* pipe, int* status) {
        std::string out;
        char buffer[4096];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
        *status = pclose(pipe);
        return out;
    }
};

TEST_F(TwoProcesses, SecondUnattendedRunIsRefusedAndTheFirstCompletes) {
    const std::string started = m_prefix->Host("started");
    const std::string release = m_prefix->Host("release");
    m_prefix->WriteHostFile("hold.sh", "touch '" + started + "'\nwhile [ ! -e '" + release +
                                           "' ]; do sleep 0.05; done\n");
    std::string script = m_prefix->ReadHostFile("drive_c/Temp/cd.cfg");
    size_t at = script.find("List=", script.find("[STARTW]"));
    ASSERT_NE(at, std::string::npos);
    script.insert(at + 5, "HOLD,");
    script += "\r\n[HOLD]\r\n:exec sh " + m_prefix->Host("hold.sh") + "\r\n";
    m_prefix->WriteHostFile("drive_c/Temp/cd.cfg", script);

    const std::string args = "-i 'D:\\' -o 'C:\\ZEFI' -Q 1,0,1,1,1";
    FILE* first = popen(Command(args).c_str(), "r");
    ASSERT_NE(first, nullptr);
    bool holding = testsupport::WaitForHostFile(started, std::chrono::minutes(2));
    int secondStatus = -1;
    std::string second = holding ? Drain(popen(Command(args).c_str(), "r"), &secondStatus) : "";
    m_prefix->WriteHostFile("release", "");
    int firstStatus = -1;
    std::string firstOut = Drain(first, &firstStatus);
    ASSERT_TRUE(holding) << firstOut;

    EXPECT_EQ(second, kRefused);
    EXPECT_TRUE(WIFEXITED(secondStatus) && WEXITSTATUS(secondStatus) == 11) << secondStatus;
    EXPECT_NE(firstOut.find("message 111: "), std::string::npos) << firstOut;
    EXPECT_TRUE(WIFEXITED(firstStatus) && WEXITSTATUS(firstStatus) == 0) << firstStatus;
    // The configuration the first run installed is whole: the medium's file, line for line.
    EXPECT_EQ(m_prefix->ReadHostFile("drive_c/ZEFI/zefi6.cfg"),
              testsupport::ReadFile(std::string(ZEFISETUP_SOURCE_DIR) +
                                    "/examples/medium/PROGRAM/zefi6.cfg"));
    EXPECT_EQ(drivertest::Count(Log(), "Started: "), 1) << Log();
    EXPECT_NE(Log().find("Instalace dokoncena"), std::string::npos) << Log();
}

}  // namespace
