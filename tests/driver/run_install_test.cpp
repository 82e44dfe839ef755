// Tests of the install driver RunInstall against the example medium: where the destination
// comes from, the destination checks and their messages, the options and confirmation loop,
// the copy run and what is left behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "driver/setup_dlg.h"
#include "driver_fixture.h"
#include "platform/fs.h"
#include "system/csystem.h"
#include "system/log.h"
#include "system/registry_settings.h"
#include "system/shortcuts.h"

namespace {

using drivertest::Count;
using drivertest::DriverTest;
using zefi::CSetupDlg;

const char* const kCompleted = "message 111: Instalace/aktualizace proběhla úspěšně -> ok\n";
const char* const kCopyDialog = "dialog 6: ";

class RunInstall : public DriverTest {
  protected:
    // Creates the all-users program group folder and returns it.
    std::string ProgramGroup() {
        zefi::CShortcuts shortcuts;
        std::string group = shortcuts.GetProgramsFolder() + "\\Zefi pro Windows";
        zefi::LogStream unopened;
        zefi::CSystem system(unopened);
        EXPECT_TRUE(system.MakeDirectory(group));
        return group;
    }
};

TEST_F(RunInstall, UnattendedInstallFromTheMediumLeavesProductShortcutAndRegistry) {
    CSetupDlg dialog;
    Unattended(&dialog, "C:\\ZEFI");
    std::string out = Run(dialog);
    EXPECT_EQ(out,
              "message 109: Adresář C:\\ZEFI neexistuje, má se vytvořit? -> yes\n"
              "dialog 6: Kopírování dat systému ZEFI | Zdroj: | Cíl: | Zrušit -> wait\n" +
                  std::string(kCompleted));
    std::string log = Log();
    EXPECT_EQ(log.rfind("Instalation: Src: D:\\, Dst: C:\\ZEFI\r\n", 0), 0u) << log;
    EXPECT_NE(log.find("Instalace dokoncena\r\n"), std::string::npos);
    for (const char* file : {"Zefiwin.exe", "zefi6.cfg", "zefi.bat", "zefiw.ini", "_CLA2002.BAT",
                             "_PZP.BAT", "DATA/TEXTY/PREDPISY.DAT", "DATAS/TEXTY/ZMENY.DAT",
                             "LIT/KOMENT.DAT", "CLO/CLO.DAT", "PZP/PZP.DAT"}) {
        EXPECT_TRUE(HostExists(std::string("drive_c/ZEFI/") + file)) << file;
    }
    // The Z-disk of the second DVD needs a licence that a new installation does not have.
    EXPECT_FALSE(HostExists("drive_c/ZEFI/ZDISK"));
    EXPECT_EQ(InstallDir(), "C:\\ZEFI");
    EXPECT_EQ(zefi::ReadEdition(), 0);

    zefi::CShortcuts shortcuts;
    std::string link = shortcuts.GetProgramsFolder() + "\\Zefi pro Windows\\Zefi.lnk";
    EXPECT_EQ(shortcuts.GetShortcutTarget(link), "C:\\ZEFI\\Zefiwin.exe");
}

TEST_F(RunInstall, SecondRunUpdatesAndCopiesOnlyWhatChanged) {
    CSetupDlg first;
    Unattended(&first, "C:\\ZEFI");
    Run(first);
    // The user's own settings in the installed configuration survive an update; the version
    // keys and the "&" block come from the new medium.
    m_prefix->WriteHostFile(
        "drive_c/ZEFI/zefi6.cfg",
        "VERZE= 5.0\r\nMODULY= 7\r\nPZP= ANO\r\nOKNO= MIN\r\n"
        "DICT= C:\\ZEFI\\DATA\\DICT\\\r\nNEGDICT= C:\\ZEFI\\DATA\\NEGDICT\\\r\n"
        "INDEXY= C:\\ZEFI\\DATA\\INDEXY\\\r\nTEXTY= C:\\ZEFI\\DATA\\TEXTY\\\r\n"
        "OBRAZKY= C:\\ZEFI\\DATA\\OBRAZKY\\\r\n"
        "SDICT= C:\\ZEFI\\DATAS\\DICT\\\r\nSNEGDICT= C:\\ZEFI\\DATAS\\NEGDICT\\\r\n"
        "SINDEXY= C:\\ZEFI\\DATAS\\INDEXY\\\r\nSTEXTY= C:\\ZEFI\\DATAS\\TEXTY\\\r\n"
        "SOBRAZKY= C:\\ZEFI\\DATAS\\OBRAZKY\\\r\nLI1= C:\\ZEFI\\LIT\\LITER.IDX\r\n"
        "LI2= C:\\ZEFI\\LIT\\CLANKY.IDX\r\nLI3= C:\\ZEFI\\LIT\\KOMENT.IDX\r\n"
        "&DB1= STARA DATABAZE\r\n");
    // A file changed on the disk is copied again.
    m_prefix->WriteHostFile("drive_c/ZEFI/DATA/TEXTY/ZMENY.DAT", "old");

    CSetupDlg second;
    Unattended(&second, "C:\\ZEFI");
    EXPECT_EQ(Run(second),
              "dialog 6: Kopírování dat systému ZEFI | Zdroj: | Cíl: | Zrušit -> wait\n" +
                  std::string(kCompleted));
    std::string log = Log();
    EXPECT_NE(log.find("Instalace dokoncena\r\n"), std::string::npos) << log;
    EXPECT_GE(Count(log, "...skipped"), 20) << log;
    EXPECT_EQ(Count(log, "\r\nsrcfile: ") - Count(log, "...skipped"), 1) << log;
    EXPECT_NE(log.find("dstfile: C:\\ZEFI\\DATA\\TEXTY\\ZMENY.DAT, size: 3"), std::string::npos);
    std::string config = m_prefix->ReadHostFile("drive_c/ZEFI/zefi6.cfg");
    EXPECT_NE(config.find("VERZE= 6.2\r\n"), std::string::npos) << config;
    EXPECT_NE(config.find("OKNO= MIN\r\n"), std::string::npos) << config;
    EXPECT_NE(config.find("&DB1= PREDPISY CR\r\n&DB2= PREDPISY SR\r\n"), std::string::npos);
    EXPECT_EQ(config.find("STARA DATABAZE"), std::string::npos) << config;
}

TEST_F(RunInstall, DestinationComesFromInstallDirWhenNoneIsGiven) {
    std::filesystem::create_directories(m_prefix->Host("drive_c/Zefi Data"));
    ASSERT_TRUE(zefi::WriteInstallDir("C:\\Zefi Data"));
    CSetupDlg dialog;
    Unattended(&dialog, "");
    std::string out = Run(dialog);
    EXPECT_EQ(out.find("message 109"), std::string::npos) << out;
    EXPECT_NE(out.find(kCompleted), std::string::npos) << out;
    EXPECT_TRUE(HostExists("drive_c/Zefi Data/Zefiwin.exe"));
}

TEST_F(RunInstall, DestinationComesFromTheOldProgramGroupShortcut) {
    std::string group = ProgramGroup();
    std::filesystem::create_directories(m_prefix->Host("drive_c/OLDZEFI"));
    m_prefix->WriteHostFile("drive_c/OLDZEFI/Zefiwin.exe", "old program");
    {
        zefi::CShortcuts shortcuts;
        ASSERT_TRUE(shortcuts.CreateShortcut(group + "\\Zefi.lnk", "C:\\OLDZEFI\\Zefiwin.exe",
                                             "C:\\OLDZEFI", "Zefi pro Windows"));
        ASSERT_TRUE(shortcuts.CreateShortcut(group + "\\Aktualizace Zefi.lnk",
                                             "C:\\OLDZEFI\\update.exe", "C:\\OLDZEFI", "old"));
    }
    CSetupDlg dialog;
    dialog.SetSource("D:\\");
    std::string out = Run(dialog, "dialog 4 cancel\n");
    EXPECT_NE(out.find("dialog 4: Instalace ZEFI pro Windows | Adresář pro instalaci ZEFI | "
                       "C:\\OLDZEFI | "),
              std::string::npos)
        << out;
    EXPECT_EQ(out.find("dialog 11"), std::string::npos) << out;
    // The update shortcut of an older version is gone; the product shortcut stays.
    std::string hostGroup =
        "drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Zefi pro Windows/";
    EXPECT_FALSE(HostExists(hostGroup + "Aktualizace Zefi.lnk"));
    EXPECT_TRUE(HostExists(hostGroup + "Zefi.lnk"));
}

TEST_F(RunInstall, DestinationComesFromTheSearchAndIsConfirmedEvenWhenUnattended) {
    std::filesystem::create_directories(m_prefix->Host("drive_c/ZEFI"));
    CSetupDlg dialog;
    Unattended(&dialog, "");
    std::string out = Run(dialog);
    EXPECT_EQ(out.rfind("dialog 3: ", 0), 0u) << out;
    EXPECT_NE(out.find("dialog 4: Instalace ZEFI pro Windows | Adresář pro instalaci ZEFI | "
                       "C:\\ZEFI | "),
              std::string::npos)
        << out;
    EXPECT_NE(out.find(kCompleted), std::string::npos) << out;
    EXPECT_EQ(InstallDir(), "C:\\ZEFI");
}

TEST_F(RunInstall, AnswerNoToCreatingTheDirectoryEndsTheRunWithNothingChanged) {
    CSetupDlg dialog;
    Unattended(&dialog, "C:\\NEW\\");
    EXPECT_EQ(Run(dialog, "message 109 no\n"),
              "message 109: Adresář C:\\NEW neexistuje, má se vytvořit? -> no\n");
    EXPECT_FALSE(HostExists("drive_c/NEW"));
    EXPECT_EQ(InstallDir(), "");
    EXPECT_EQ(Log(), "");
}

TEST_F(RunInstall, InteractiveUnknownDriveAsksForTheDestinationAgain) {
    CSetupDlg dialog;
    dialog.SetSource("D:\\");
    dialog.SetDestination("Q:");
    std::string out = Run(dialog, "dialog 4 ok\ndialog 4 cancel\n");
    EXPECT_EQ(Count(out, "message 108: Neznámý disk 'Q:' -> ok\n"), 1) << out;
    EXPECT_EQ(Count(out, "dialog 4: "), 2) << out;
    EXPECT_EQ(out.find(kCopyDialog), std::string::npos);
}

TEST_F(RunInstall, UnattendedDestinationThatFailsItsCheckEndsTheRunWithItsMessage) {
    CSetupDlg unknownDrive;
    Unattended(&unknownDrive, "Q:\\");
    EXPECT_EQ(Run(unknownDrive), "message 108: Neznámý disk 'Q:' -> ok\n");

    // A file stands where the directory should be created.
    m_prefix->WriteHostFile("drive_c/FILE", "x");
    CSetupDlg cannotCreate;
    Unattended(&cannotCreate, "C:\\FILE\\SUB");
    EXPECT_EQ(Run(cannotCreate),
              "message 109: Adresář C:\\FILE\\SUB neexistuje, má se vytvořit? -> yes\n"
              "message 110: Nepodařilo se vytvořit adresář C:\\FILE\\SUB -> ok\n");
}

TEST_F(RunInstall, BackInTheConfirmationShowsTheOptionsAgainWithTheSameDestination) {
    std::filesystem::create_directories(m_prefix->Host("drive_c/ZEFI"));
    CSetupDlg dialog;
    dialog.SetSource("D:\\");
    dialog.SetDestination("C:\\ZEFI");
    std::string out = Run(dialog,
                          "dialog 4 ok\ndialog 11 ok\ndialog 7 1030\ndialog 11 ok\n"
                          "dialog 7 cancel\n");
    EXPECT_EQ(Count(out, "dialog 11: "), 2) << out;
    EXPECT_EQ(Count(out,
                    "dialog 7: Instalace ZEFI pro Windows | Instalace bude nyní pokračovat "
                    "kopírováním souborů. | Adresář pro instalaci: | C:\\ZEFI | "),
              2)
        << out;
    EXPECT_NE(out.find("-> 1030\ndialog 11: "), std::string::npos) << out;
    EXPECT_EQ(out.find(kCopyDialog), std::string::npos) << out;
    EXPECT_EQ(InstallDir(), "");
}

TEST_F(RunInstall, InteractiveInstallGoesThroughOptionsAndConfirmation) {
    CSetupDlg dialog;
    dialog.SetSource("D:\\");
    std::string out = Run(dialog, "dialog 4 ok 1002=C:\\PRAVO\ndialog 7 1\n");
    EXPECT_NE(out.find("message 109: Adresář C:\\PRAVO neexistuje, má se vytvořit? -> yes\n"
                       "dialog 11: "),
              std::string::npos)
        << out;
    EXPECT_NE(out.find(kCompleted), std::string::npos) << out;
    EXPECT_TRUE(HostExists("drive_c/PRAVO/DATA/DICT/SLOVNIK.DCT"));
    EXPECT_EQ(InstallDir(), "C:\\PRAVO");
}

TEST_F(RunInstall, UnattendedWithLowerCaseQuietStillShowsTheOptionsButNoConfirmation) {
    std::filesystem::create_directories(m_prefix->Host("drive_c/ZEFI"));
    CSetupDlg dialog;
    Unattended(&dialog, "C:\\ZEFI", "1,0,0,1");
    dialog.SetSkipOptions(0);
    std::string out = Run(dialog);
    // The options come first and, once confirmed, lead straight to the copy run: no
    // destination dialog for a given destination and no confirmation in quiet mode.
    EXPECT_EQ(out.find("dialog 4: "), std::string::npos) << out;
    EXPECT_EQ(out.find("dialog 7: "), std::string::npos) << out;
    const size_t options = out.find("dialog 11: ");
    ASSERT_NE(options, std::string::npos) << out;
    EXPECT_EQ(out.find("\n", options), out.find(kCopyDialog) - 1) << out;
    EXPECT_NE(out.find(kCompleted), std::string::npos) << out;
    EXPECT_TRUE(HostExists("drive_c/ZEFI/Zefiwin.exe"));
}

TEST_F(RunInstall, SaveDestinationClearedNeverWritesInstallDir) {
    CSetupDlg dialog;
    Unattended(&dialog, "C:\\ELSEWHERE");
    dialog.SetSaveDestination(0);
    EXPECT_NE(Run(dialog).find(kCompleted), std::string::npos);
    EXPECT_TRUE(HostExists("drive_c/ELSEWHERE/Zefiwin.exe"));
    EXPECT_EQ(InstallDir(), "");
}

TEST_F(RunInstall, NetworkSourceIsRefused) {
    CSetupDlg dialog;
    Unattended(&dialog, "C:\\ZEFI");
    dialog.SetSource("\\\\server\\dvd");
    EXPECT_EQ(Run(dialog),
              "message 106: Instalaci nelze spustit ze síťové cesty. Pořipojte si prosím "
              "\\\\server\\dvd\\ jako lokální disk. -> ok\n");
    EXPECT_FALSE(HostExists("drive_c/ZEFI"));
}

TEST_F(RunInstall, NetworkSourceClosesTheMainMenu) {
    CSetupDlg dialog;
    dialog.SetSource("\\\\server\\dvd\\");
    std::ostringstream out;
    ui::ScriptedHost host("dialog 1 1000\n", out);
    ui::ScopedHost scoped(host);
    EXPECT_EQ(dialog.DoModal(), ui::kIdCancel);
    EXPECT_EQ(Count(out.str(), "dialog 1: "), 1) << out.str();
    EXPECT_EQ(Count(out.str(), "message 106: "), 1) << out.str();
}

TEST_F(RunInstall, MissingInstallScriptEndsTheRun) {
    std::filesystem::remove(m_prefix->Host("drive_c/Temp/cd.cfg"));
    std::filesystem::create_directories(m_prefix->Host("drive_c/ZEFI"));
    CSetupDlg dialog;
    Unattended(&dialog, "C:\\ZEFI");
    EXPECT_EQ(Run(dialog),
              "message 107: Nebyl nalezen konfiguračení soubor cd.cfg. Instalaci nelze spustit "
              "-> ok\n");
    EXPECT_EQ(InstallDir(), "");
}

TEST_F(RunInstall, SlovakMediumIsInstalledWithTheSlovakScript) {
    // A medium that carries only the Slovak marker is the Slovak data edition.
    m_prefix->WriteHostFile("drive_c/SKDVD/zefisk.id", "ZEFISK DVD 1 2026/02\r\n");
    std::filesystem::remove(m_prefix->Host("drive_c/Temp/cds.cfg"));
    std::filesystem::create_directories(m_prefix->Host("drive_c/ZEFI"));
    CSetupDlg dialog;
    Unattended(&dialog, "C:\\ZEFI");
    dialog.SetSource("C:\\SKDVD");
    EXPECT_EQ(Run(dialog),
              "message 107: Nebyl nalezen konfiguračení soubor cds.cfg. Instalaci nelze spustit "
              "-> ok\n");
}

TEST_F(RunInstall, MainMenuRunsTheInstallationAndStaysOpen) {
    CSetupDlg dialog;
    dialog.SetSource("D:\\");
    dialog.SetDestination("C:\\ZEFI");
    std::ostringstream out;
    ui::ScriptedHost host("dialog 1 1000\ndialog 4 ok\ndialog 11 ok\ndialog 7 1\n", out);
    ui::ScopedHost scoped(host);
    EXPECT_EQ(dialog.DoModal(), ui::kIdCancel);
    std::string text = out.str();
    EXPECT_NE(text.find(kCompleted), std::string::npos) << text;
    EXPECT_EQ(Count(text, "dialog 1: "), 2) << text;
}

}  // namespace
