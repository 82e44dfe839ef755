// Tests of -? and -s at start-up, and of the exit statuses every outcome maps to.
#include "app/usage.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "app/exit_status.h"
#include "app/setup_app.h"
#include "platform/fs.h"
#include "platform/machine.h"
#include "support/files.h"
#include "support/temp_prefix.h"
#include "ui/auto_answer.h"
#include "ui/host.h"
#include "ui/scripted_host.h"

namespace {

using Outcome = zefi::CSetupApp::Outcome;
using zefi::RunOutcome;

class Usage : public testsupport::PrefixTest {
  protected:
    std::string Start(zefi::CSetupApp& app) {
        std::ostringstream out;
        ui::ScriptedHost host("", out);
        ui::ScopedHost scoped(host);
        EXPECT_FALSE(app.InitInstance());
        return out.str();
    }
    void TearDown() override {
        platform::SetThreadUILanguage(platform::kLangCzech);
        PrefixTest::TearDown();
    }
};

TEST_F(Usage, QuestionMarkShowsOptionsAndExitStatusesAndEndsWithSuccess) {
    zefi::CSetupApp app("-o C:\\ZEFI -?");
    const std::string out = Start(app);
    EXPECT_EQ(out, zefi::UsageText() + "\n");
    EXPECT_EQ(app.GetOutcome(), Outcome::kUsage);
    EXPECT_EQ(zefi::ExitStatus(app), 0);
    for (const char* option : {"-i ", "-o ", "-O ", "-q ", "-Q ", "-s ", "-d ", "-m ", "-x ", "-u ",
                               "-p ", "-? ", "AutoParam", "inszefi.log"}) {
        EXPECT_NE(out.find(option), std::string::npos) << option;
    }
    for (int status = 0; status <= 12; ++status) {
        EXPECT_NE(out.find("\n" + std::string(status < 10 ? "   " : "  ") + std::to_string(status) +
                           "  "),
                  std::string::npos)
            << status;
    }
}

TEST_F(Usage, IsShownInTheUsersLanguageAndDespiteAutoParam) {
    m_prefix->WriteHostFile("system.reg",
                            "Windows Registry Editor Version 5.00\r\n\r\n"
                            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zefi Publishing\\ZEFI]\r\n"
                            "\"AutoParam\"=\"-q 1\"\r\n");
    platform::SetThreadUILanguage(platform::kLangSlovak);
    zefi::CSetupApp app("-?");
    const std::string out = Start(app);
    EXPECT_EQ(out.rfind("Použitie: zefisetup [voľby]\n", 0), 0u) << out;
    EXPECT_NE(out.find("Návratové kódy:"), std::string::npos);
    EXPECT_EQ(app.GetOutcome(), Outcome::kUsage);
}

TEST_F(Usage, SAnswersMessageBoxesForTheRestOfTheProgram) {
    std::string saved;
    ASSERT_TRUE(platform::GetCurrentDirectory(&saved));
    ASSERT_TRUE(platform::SetCurrentDirectory("C:\\"));
    {
        zefi::CSetupApp app("-s -d C:\\NOTHING");
        Start(app);
        // -d ended the program before -s took effect.
        EXPECT_EQ(ui::GetAutoAnswer(), nullptr);
    }
    {
        zefi::CSetupApp app("-Q 1,0,1,1,1 -o C:\\ZEFI -i C:\\ -s");
        m_prefix->WriteHostFile("drive_c/ZEFI/keep", "");
        // Nothing is shown through the host: the boxes answered themselves.
        EXPECT_EQ(Start(app), "");
        EXPECT_EQ(app.GetRunOutcome(), RunOutcome::kScriptMissing);
    }
    // The answerer ends with the application object, and the run's log holds its box.
    EXPECT_EQ(ui::GetAutoAnswer(), nullptr);
    EXPECT_EQ(m_prefix->ReadHostFile("drive_c/inszefi.log").rfind("Message 107: ", 0), 0u);
    platform::SetCurrentDirectory(saved);
}

TEST(ExitStatus, TheReadmeTableListsEveryStatus) {
    const std::string readme =
        testsupport::ReadFile(std::string(ZEFISETUP_SOURCE_DIR) + "/README.md");
    for (int status = 0; status <= zefi::kExitInternalFailure; ++status) {
        EXPECT_NE(readme.find("\n| " + std::to_string(status) + " | "), std::string::npos)
            << status;
    }
    EXPECT_EQ(readme.find("\n| " + std::to_string(zefi::kExitInternalFailure + 1) + " | "),
              std::string::npos);
}

TEST(ExitStatus, EveryRunOutcomeHasItsOwnStatus) {
    const RunOutcome outcomes[] = {
        RunOutcome::kCancelled,          RunOutcome::kInterrupted,
        RunOutcome::kCopyErrorExit,      RunOutcome::kScriptMissing,
        RunOutcome::kDestinationRefused, RunOutcome::kServiceNotStopped,
        RunOutcome::kDownloadFailed,     RunOutcome::kAlreadyInstalledDeclined,
        RunOutcome::kAnotherRunActive,   RunOutcome::kScriptQuit,
    };
    std::set<int> seen;
    for (RunOutcome outcome : outcomes) {
        const int status = zefi::ExitStatusOf(outcome);
        EXPECT_NE(status, 0);
        EXPECT_NE(status, zefi::kExitBadCommandLine);
        EXPECT_NE(status, zefi::kExitInternalFailure);
        EXPECT_TRUE(seen.insert(status).second) << status;
    }
    EXPECT_EQ(zefi::ExitStatusOf(RunOutcome::kNone), zefi::kExitSuccess);
    EXPECT_EQ(zefi::ExitStatusOf(RunOutcome::kCompleted), zefi::kExitSuccess);
}

}  // namespace
