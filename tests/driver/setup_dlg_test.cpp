// Tests of the main menu: its start-up values, its buttons and the instructions it opens.
#include "driver/setup_dlg.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "platform/machine.h"
#include "support/temp_prefix.h"
#include "ui/host.h"
#include "ui/scripted_host.h"

namespace {

using zefi::CSetupDlg;

TEST(CSetupDlg, DirectorySettersAddOneBackslash) {
    CSetupDlg dialog;
    dialog.SetDestination("C:\\ZEFI");
    dialog.SetSource("D:\\");
    EXPECT_EQ(dialog.GetDestination(), "C:\\ZEFI\\");
    EXPECT_EQ(dialog.GetSource(), "D:\\");
    dialog.SetDestination("");
    dialog.SetSource("");
    EXPECT_EQ(dialog.GetDestination(), "");
    EXPECT_EQ(dialog.GetSource(), "");
}

TEST(CSetupDlg, StartsWithSavingTheDestination) {
    CSetupDlg dialog;
    EXPECT_EQ(dialog.GetSaveDestination(), 1);
    EXPECT_EQ(dialog.GetQuiet(), 0);
    EXPECT_EQ(dialog.GetSkipOptions(), 0);
    EXPECT_EQ(dialog.GetDownloadMode(), 0);
}

class SetupDlgMenu : public testsupport::PrefixTest {
  protected:
    // Runs the menu with answers; returns the printed lines.
    std::string RunMenu(CSetupDlg& dialog, const std::string& answers) {
        std::ostringstream out;
        ui::ScriptedHost host(answers, out);
        ui::ScopedHost scoped(host);
        EXPECT_EQ(dialog.DoModal(), ui::kIdCancel);
        return out.str();
    }
};

TEST_F(SetupDlgMenu, ShowsCaptionAndThreeButtonsAndClosesWithKonec) {
    CSetupDlg dialog;
    std::string out = RunMenu(dialog, "");
    EXPECT_EQ(out,
              "dialog 1: Instalace ZEFI pro Windows | Instalace/Aktualizace | Pokyny k instalaci | "
              "Konec -> cancel\n");
}

TEST_F(SetupDlgMenu, InstructionsComeFromTheSourceDirectory) {
    m_prefix->WriteHostFile("drive_c/DVD/installw.txt", "Navod z DVD");
    m_prefix->WriteHostFile("drive_c/DVD/sinstall.txt", "Navod SK");
    CSetupDlg dialog;
    dialog.SetSource("C:\\DVD");
    EXPECT_EQ(dialog.InstructionsPath(), "C:\\DVD\\installw.txt");
    std::string out = RunMenu(dialog, "dialog 1 1002\n");
    EXPECT_NE(out.find("dialog 8: Instalace ZEFI pro Windows | Navod z DVD | OK -> ok\n"),
              std::string::npos)
        << out;
    // After the instructions the menu is shown again and closed.
    EXPECT_NE(out.find("-> 1002\ndialog 8"), std::string::npos) << out;
    EXPECT_NE(out.find("Konec -> cancel\n"), std::string::npos) << out;
}

TEST_F(SetupDlgMenu, SlovakSystemOpensTheSlovakFile) {
    m_prefix.reset();
    m_prefix = std::make_unique<testsupport::TempPrefix>(
        "[system]\nlanguage = 1051\n[drives]\nC = drive_c, fixed\n");
    CSetupDlg dialog;
    dialog.SetSource("C:\\DVD\\");
    EXPECT_EQ(dialog.InstructionsPath(), "C:\\DVD\\sinstall.txt");
}

TEST_F(SetupDlgMenu, EmptySourceNamesTheFileInTheCurrentDirectory) {
    CSetupDlg dialog;
    EXPECT_EQ(dialog.InstructionsPath(), "installw.txt");
}

TEST_F(SetupDlgMenu, MissingInstructionsFileFallsBackToTheBuiltInText) {
    CSetupDlg dialog;
    dialog.SetSource("C:\\NOWHERE\\");
    std::string out = RunMenu(dialog, "dialog 1 1002\n");
    EXPECT_NE(out.find("dialog 8: Instalace ZEFI pro Windows | "), std::string::npos) << out;
    EXPECT_EQ(out.find("nenalezen"), std::string::npos) << out;
}

}  // namespace
