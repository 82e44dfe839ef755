// End-to-end tests of the zefisetup program: started as a user starts it, in a temporary
// machine, with its output and files checked.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/instance.h"
#include "support/run_command.h"
#include "support/temp_prefix.h"
#include "support/terminal_run.h"

namespace {

namespace fs = std::filesystem;

std::string Quote(const std::string& text) { return "'" + text + "'"; }

class Zefisetup : public ::testing::Test {
  protected:
    void SetUp() override {
        Machine("[system]\ntemp = C:\\Temp\\\n[drives]\nC = drive_c, fixed\n");
    }
    void Machine(const std::string& ini) {
        m_prefix.reset();
        m_prefix = std::make_unique<testsupport::TempPrefix>(ini);
        fs::create_directories(m_prefix->Host("drive_c/Temp"));
        fs::create_directories(m_prefix->Host("drive_c/START"));
    }
    // Runs the program in host directory dir of the prefix with arguments (shell syntax) and
    // standard input from /dev/null; returns everything it and its children wrote.
    std::string Run(const std::string& dir, const std::string& args,
                    const std::string& environment = "") {
        std::string command = "cd " + Quote(m_prefix->Host(dir)) + " && " + environment +
                              " ZEFISETUP_PREFIX=" + Quote(m_prefix->Path()) + " " +
                              Quote(ZEFISETUP_BINARY) + " " + args + " </dev/null 2>&1";
        return testsupport::RunCommand(command, &m_status);
    }
    void WriteSetupFiles(const std::string& dir) {
        fs::copy_file(ZEFISETUP_BINARY, m_prefix->Host(dir + "/setup.exe"));
        m_prefix->WriteHostFile(dir + "/ssetup.dll", "dll");
        m_prefix->WriteHostFile(dir + "/cd.cfg", "czech script");
        m_prefix->WriteHostFile(dir + "/cds.cfg", "slovak script");
    }

    std::unique_ptr<testsupport::TempPrefix> m_prefix;
    int m_status = -1;
};

const char* const kMenuCzech =
    "dialog 1: Instalace ZEFI pro Windows | Instalace/Aktualizace | Pokyny k instalaci | Konec";

TEST_F(Zefisetup, PlainStartShowsTheMainMenuAndEnds) {
    EXPECT_EQ(Run("drive_c/START", ""), std::string(kMenuCzech) + " -> cancel\n");
    EXPECT_EQ(m_status, 0);
}

TEST_F(Zefisetup, UnreadableAnswersFileEndsBeforeAnyDialog) {
    // An unattended run must not install with default answers it was not given.
    const std::string out = Run("drive_c/START", "-Q 1,0,1,1,1 -o 'C:\\ZEFI'",
                                "ZEFISETUP_ANSWERS=" + Quote(m_prefix->Host("missing.txt")));
    EXPECT_EQ(out,
              "zefisetup: cannot read the answers file " + m_prefix->Host("missing.txt") + "\n");
    EXPECT_TRUE(WIFEXITED(m_status));
    EXPECT_EQ(WEXITSTATUS(m_status), 2);
    EXPECT_FALSE(fs::exists(m_prefix->Host("drive_c/ZEFI")));
}

TEST_F(Zefisetup, QuestionMarkPrintsTheUsageAndSucceeds) {
    const std::string out = Run("drive_c/START", "-?");
    EXPECT_EQ(out.rfind("Použití: zefisetup [volby]\n", 0), 0u) << out;
    EXPECT_NE(out.find("\n  12  vnitřní chyba programu\n"), std::string::npos) << out;
    EXPECT_TRUE(WIFEXITED(m_status));
    EXPECT_EQ(WEXITSTATUS(m_status), 0);
}

TEST_F(Zefisetup, SlovakSystemShowsTheSlovakMenu) {
    Machine("[system]\nlanguage = 1051\n[drives]\nC = drive_c, fixed\n");
    EXPECT_EQ(Run("drive_c/START", ""),
              "dialog 1: Inštalácia ZEFI pre Windows | Inštalácia/Aktualizácia | Pokyny k "
              "inštalácii | Koniec -> cancel\n");
}

TEST_F(Zefisetup, CleanupCallDeletesTheSetupCopiesAndShowsNothing) {
    for (const char* name : {"cd.cfg", "cds.cfg", "ssetup.dll", "setup.exe", "keep.txt"}) {
        m_prefix->WriteHostFile(std::string("drive_c/Temp/") + name, "x");
    }
    EXPECT_EQ(Run("drive_c/START", "-d 'C:\\Temp'"), "");
    for (const char* name : {"cd.cfg", "cds.cfg", "ssetup.dll", "setup.exe"}) {
        EXPECT_FALSE(fs::exists(m_prefix->Host(std::string("drive_c/Temp/") + name))) << name;
    }
    EXPECT_TRUE(fs::exists(m_prefix->Host("drive_c/Temp/keep.txt")));
}

TEST_F(Zefisetup, StartFromAMediumRunsTheCopyFromTheTemporaryDirectory) {
    // The medium's folder has a blank in its name, which must survive the relaunch.
    const std::string medium = "drive_c/ZEFI DVD";
    fs::create_directories(m_prefix->Host(medium));
    m_prefix->WriteHostFile(medium + "/zeficz1", "ZEFICZ1");
    m_prefix->WriteHostFile(medium + "/installw.txt", "Navod z DVD");
    WriteSetupFiles(medium);
    m_prefix->WriteHostFile("answers.txt", "dialog 1 1002\n");

    // The first process prints nothing; the copy shows the menu and the medium's instructions.
    std::string out = Run(medium, "", "ZEFISETUP_ANSWERS=" + Quote(m_prefix->Host("answers.txt")));
    EXPECT_EQ(out, std::string(kMenuCzech) +
                       " -> 1002\n"
                       "dialog 8: Instalace ZEFI pro Windows | Navod z DVD | OK -> ok\n" +
                       kMenuCzech + " -> cancel\n");
    EXPECT_EQ(m_prefix->ReadHostFile("drive_c/Temp/cd.cfg"), "czech script");
    EXPECT_EQ(m_prefix->ReadHostFile("drive_c/Temp/cds.cfg"), "slovak script");
    EXPECT_EQ(m_prefix->ReadHostFile("drive_c/Temp/ssetup.dll"), "dll");
    EXPECT_TRUE(fs::exists(m_prefix->Host("drive_c/Temp/setup.exe")));
}

TEST_F(Zefisetup, AutoParamReplacesTheCommandLine) {
    m_prefix->WriteHostFile("drive_c/Temp/setup.exe", "x");
    m_prefix->WriteHostFile("system.reg",
                            "Windows Registry Editor Version 5.00\r\n\r\n"
                            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zefi Publishing\\ZEFI]\r\n"
                            "\"AutoParam\"=\"-d C:\\\\Temp\"\r\n");
    EXPECT_EQ(Run("drive_c/START", "-q 1"), "");
    EXPECT_FALSE(fs::exists(m_prefix->Host("drive_c/Temp/setup.exe")));
}

TEST_F(Zefisetup, UnattendedStartReachesTheInstallDriverWithoutTheMenu) {
    m_prefix->WriteHostFile("drive_c/ZEFI/keep", "");
    std::string out = Run("drive_c/START", "-Q 1,0,0,1 -o 'C:\\ZEFI'");
    // No menu, no destination dialog (quiet, destination given); the driver ends at its script
    // step because the folder holds no install script.
    EXPECT_EQ(
        out,
        "message 107: Nebyl nalezen konfiguračení soubor cd.cfg. Instalaci nelze spustit -> ok\n");
}

TEST_F(Zefisetup, SecondStartWhileASetupWindowIsOpenEndsSilently) {
    {
        platform::TitleRegistration open("Instalace ZEFI pro Windows");
        EXPECT_EQ(Run("drive_c/START", ""), "");
        // Another run is active.
        EXPECT_TRUE(WIFEXITED(m_status));
        EXPECT_EQ(WEXITSTATUS(m_status), 11);
    }
    EXPECT_EQ(Run("drive_c/START", ""), std::string(kMenuCzech) + " -> cancel\n");
}

TEST_F(Zefisetup, TerminalMenuAndInstructionsWorkWithTheKeyboard) {
    m_prefix->WriteHostFile("drive_c/START/installw.txt", "Navod \x9A\xE8");
    testsupport::TerminalRun run(ZEFISETUP_BINARY, m_prefix->Host("drive_c/START"),
                                 m_prefix->Path());
    ASSERT_TRUE(run.Started());
    ASSERT_TRUE(run.WaitFor("Pokyny k instalaci")) << run.Screen();
    run.Type("2\r");
    ASSERT_TRUE(run.WaitFor("Navod \u0161\u010d")) << run.Screen();
    run.Type("\r");
    ASSERT_TRUE(run.WaitFor("Konec")) << run.Screen();
    run.Type("3\r");
    int status = run.Wait();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST_F(Zefisetup, OpenMenuRefusesASecondStartAndACrashLeavesADump) {
    testsupport::TerminalRun run(ZEFISETUP_BINARY, m_prefix->Host("drive_c/START"),
                                 m_prefix->Path());
    ASSERT_TRUE(run.Started());
    ASSERT_TRUE(run.WaitFor("Konec")) << run.Screen();

    EXPECT_EQ(Run("drive_c/START", ""), "");
    EXPECT_EQ(Run("drive_c/START", "-d 'C:\\Temp'"), "");

    run.Signal(SIGSEGV);
    int status = run.Wait();
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGSEGV) << status;
    const std::string text = m_prefix->ReadHostFile("drive_c/START/zefisetup.dmp");
    ASSERT_FALSE(text.empty());
    EXPECT_NE(text.find("SIGSEGV"), std::string::npos) << text;
}

}  // namespace
