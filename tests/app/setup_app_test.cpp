// Tests of the start-up in this process: which outcome a start takes, download mode, and what
// the main menu is given.
#include "app/setup_app.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "platform/fs.h"
#include "platform/instance.h"
#include "platform/machine.h"
#include "support/temp_prefix.h"
#include "ui/host.h"
#include "ui/scripted_host.h"

namespace {

using Outcome = zefi::CSetupApp::Outcome;

// A machine whose current directory is the folder C:\START, with a scripted host that records
// what is shown.
class SetupApp : public ::testing::Test {
  protected:
    void SetUp() override { Machine("[drives]\nC = drive_c, fixed\n"); }
    void Machine(const std::string& ini) {
        if (!m_saved.empty()) platform::SetCurrentDirectory(m_saved);
        m_prefix.reset();
        m_prefix = std::make_unique<testsupport::TempPrefix>(ini);
        std::filesystem::create_directories(m_prefix->Host("drive_c/START"));
        ASSERT_TRUE(platform::GetCurrentDirectory(&m_saved));
        ASSERT_TRUE(platform::SetCurrentDirectory("C:\\START"));
    }
    void TearDown() override {
        platform::SetThreadUILanguage(platform::kLangCzech);
        platform::SetCurrentDirectory(m_saved);
        m_prefix.reset();
    }
    // Runs InitInstance with a command line and answers; returns the printed lines.
    std::string Start(zefi::CSetupApp& app, const std::string& answers = "") {
        std::ostringstream out;
        ui::ScriptedHost host(answers, out);
        ui::ScopedHost scoped(host);
        EXPECT_FALSE(app.InitInstance());
        return out.str();
    }
    void SetAutoParam(const std::string& escapedValue) {
        m_prefix->WriteHostFile("system.reg",
                                "Windows Registry Editor Version 5.00\r\n\r\n"
                                "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zefi Publishing\\ZEFI]\r\n"
                                "\"AutoParam\"=\"" +
                                    escapedValue + "\"\r\n");
    }

    std::unique_ptr<testsupport::TempPrefix> m_prefix;
    std::string m_saved;
};

TEST_F(SetupApp, PlainStartOutsideAMediumShowsTheMenuInDownloadMode) {
    zefi::CSetupApp app("");
    std::string out = Start(app);
    EXPECT_EQ(app.GetOutcome(), Outcome::kMainMenu);
    EXPECT_EQ(app.GetDownloadMode(), 1);
    EXPECT_EQ(out.rfind("dialog 1: Instalace ZEFI pro Windows |", 0), 0u) << out;
}

TEST_F(SetupApp, DownloadSettingsAloneStillCheckTheMedium) {
    zefi::CSetupApp app("-m https://master.test/list -x proxy:3128 -u u -p p");
    Start(app);
    EXPECT_EQ(app.GetOutcome(), Outcome::kMainMenu);
    EXPECT_EQ(app.GetDownloadMode(), 1);
    EXPECT_EQ(app.GetParameters().masterAddress, "https://master.test/list");
}

TEST_F(SetupApp, ExplicitStartNeverChecksTheMedium) {
    for (const char* line : {"-i C:\\START", "-o C:\\ZEFI", "-O C:\\ZEFI"}) {
        zefi::CSetupApp app(line);
        Start(app);
        EXPECT_EQ(app.GetOutcome(), Outcome::kMainMenu) << line;
        EXPECT_EQ(app.GetDownloadMode(), 0) << line;
    }
    zefi::CSetupApp app("-i C:\\START");
    Start(app);
    EXPECT_EQ(app.GetSourceDirectory(), "C:\\START\\");
}

TEST_F(SetupApp, MediumWithoutSetupFilesGoesOnFromTheMedium) {
    // A marker but no setup files: the relaunch fails and the menu is shown from the medium.
    m_prefix->WriteHostFile("drive_c/START/zeficz1", "ZEFICZ1");
    zefi::CSetupApp app("");
    std::string out = Start(app);
    EXPECT_EQ(app.GetOutcome(), Outcome::kMainMenu);
    EXPECT_EQ(app.GetDownloadMode(), 0);
    EXPECT_NE(out.find("dialog 1: "), std::string::npos);
}

TEST_F(SetupApp, UnattendedStartRunsTheDriverWithoutTheMenu) {
    zefi::CSetupApp app("-Q 1,0,0,1");
    std::string out = Start(app);
    EXPECT_EQ(app.GetOutcome(), Outcome::kUnattended);
    EXPECT_EQ(app.GetDownloadMode(), 0);
    EXPECT_EQ(out.find("dialog 1:"), std::string::npos) << out;
    // Without an install script in the current directory the driver ends at its script step.
    EXPECT_NE(out.find("message 107: "), std::string::npos) << out;
}

TEST_F(SetupApp, CleanupDeletesAndShowsNothing) {
    m_prefix->WriteHostFile("drive_c/Temp/setup.exe", "x");
    m_prefix->WriteHostFile("drive_c/Temp/cd.cfg", "x");
    zefi::CSetupApp app("-d C:\\Temp");
    EXPECT_EQ(Start(app), "");
    EXPECT_EQ(app.GetOutcome(), Outcome::kCleanup);
    EXPECT_FALSE(std::filesystem::exists(m_prefix->Host("drive_c/Temp/setup.exe")));
    EXPECT_FALSE(std::filesystem::exists(m_prefix->Host("drive_c/Temp/cd.cfg")));
}

TEST_F(SetupApp, AutoParamReplacesTheCommandLine) {
    SetAutoParam("-q 1");
    zefi::CSetupApp app("-i C:\\START -o C:\\ZEFI");
    Start(app);
    EXPECT_EQ(app.GetOutcome(), Outcome::kUnattended);
    EXPECT_EQ(app.GetParameters().source, "");
    EXPECT_EQ(app.GetParameters().destination, "");
    EXPECT_EQ(app.GetParameters().options, "1");
}

TEST_F(SetupApp, AutoParamWithoutAdministratorRightsIsIgnored) {
    Machine("[system]\nadmin = 0\n[drives]\nC = drive_c, fixed\n");
    SetAutoParam("-q 1");
    zefi::CSetupApp app("-i C:\\START");
    Start(app);
    EXPECT_EQ(app.GetOutcome(), Outcome::kMainMenu);
    EXPECT_EQ(app.GetSourceDirectory(), "C:\\START\\");
}

TEST_F(SetupApp, DestinationComesFromTheParametersElseFromTheRegistry) {
    m_prefix->WriteHostFile("system.reg",
                            "Windows Registry Editor Version 5.00\r\n\r\n"
                            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zefi Publishing\\ZEFI]\r\n"
                            "\"InstallDir\"=\"C:\\\\ZEFI\"\r\n");
    zefi::CSetupApp fromRegistry("-i C:\\START");
    Start(fromRegistry);
    EXPECT_EQ(fromRegistry.GetDestination(), "C:\\ZEFI\\");
    zefi::CSetupApp fromLine("-i C:\\START -O D:\\DATA");
    Start(fromLine);
    EXPECT_EQ(fromLine.GetDestination(), "D:\\DATA\\");
    EXPECT_EQ(fromLine.GetParameters().saveDestination, 0);
}

TEST_F(SetupApp, OpenSetupWindowEndsASecondStartSilently) {
    for (const char* title : {zefi::CSetupApp::kTitleCzech, zefi::CSetupApp::kTitleSlovak}) {
        platform::TitleRegistration open(title);
        zefi::CSetupApp app("-d C:\\Temp");
        EXPECT_EQ(Start(app), "");
        EXPECT_EQ(app.GetOutcome(), Outcome::kSecondInstance) << title;
    }
    // Once the window is closed, a start goes on.
    zefi::CSetupApp app("");
    Start(app);
    EXPECT_EQ(app.GetOutcome(), Outcome::kMainMenu);
}

TEST_F(SetupApp, SlovakSystemLanguageMakesTheMenuSlovak) {
    Machine("[system]\nlanguage = 1051\n[drives]\nC = drive_c, fixed\n");
    zefi::CSetupApp app("");
    std::string out = Start(app);
    EXPECT_EQ(platform::GetThreadUILanguage(), platform::kLangSlovak);
    EXPECT_EQ(out,
              "dialog 1: Inštalácia ZEFI pre Windows | Inštalácia/Aktualizácia | Pokyny k "
              "inštalácii | Koniec -> cancel\n");
}

TEST_F(SetupApp, OtherSystemLanguageMakesTheMenuCzech) {
    Machine("[system]\nlanguage = 1033\n[drives]\nC = drive_c, fixed\n");
    zefi::CSetupApp app("");
    std::string out = Start(app);
    EXPECT_EQ(out.rfind("dialog 1: Instalace ZEFI pro Windows |", 0), 0u) << out;
}

}  // namespace
