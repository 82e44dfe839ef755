// The exit status of the real zefisetup program for each way an installation run ends, as
// deployment tools read it, and -s, the switch that lets every message box answer itself.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "driver_fixture.h"
#include "support/http_server.h"
#include "support/minisign.h"

namespace {

using drivertest::Count;
using drivertest::DriverTest;

const char* const kInstall = "-i 'D:\\' -o 'C:\\ZEFI' -Q 1,0,1,1,1";
const char* const kCopyDialog =
    "dialog 6: Kopírování dat systému ZEFI | Zdroj: | Cíl: | Zrušit -> wait\n";
const char* const kAskCreate = "message 109: Adresář C:\\ZEFI neexistuje, má se vytvořit? -> yes\n";
const char* const kInterrupted = "message 112: Instalace/aktualizace přerušena -> ok\n";

class ExitCode : public DriverTest {
  protected:
    // Replaces the Czech install script in C:\Temp.
    void Script(const std::string& text) { m_prefix->WriteHostFile("drive_c/Temp/cd.cfg", text); }
    std::string WithAnswers(const std::string& args, const std::string& answers) {
        m_prefix->WriteHostFile("answers.txt", answers);
        return RunProgram(args, "ZEFISETUP_ANSWERS='" + m_prefix->Host("answers.txt") + "'");
    }
};

TEST_F(ExitCode, ScriptQuitEndsTheProgramAtOnceWithStatusOne) {
    Script("[STARTW]\nList=FIRST,SECOND\n[FIRST]\n:quit\n[SECOND]\nDest=SECOND\n:mkdir\n");
    EXPECT_EQ(RunProgram(kInstall), std::string(kAskCreate) + kCopyDialog);
    EXPECT_EQ(m_status, 1);
    EXPECT_FALSE(HostExists("drive_c/ZEFI/SECOND"));
    // The log ends with the quitting group's action, as when the process ended there.
    const std::string log = Log();
    EXPECT_NE(log.find("GetGroupVal ACTION FIRST quit"), std::string::npos) << log;
    EXPECT_EQ(log.find("Instalace"), std::string::npos) << log;
    EXPECT_EQ(log.find("Finished: "), std::string::npos) << log;
}

TEST_F(ExitCode, ScriptQuitFromTheMainMenuEndsTheProgramToo) {
    Script("[STARTW]\n:quit\n");
    m_prefix->WriteHostFile("drive_c/ZEFI/keep", "");
    const std::string out = WithAnswers("-i 'D:\\' -o 'C:\\ZEFI'", "dialog 1 1000\n");
    // The menu is not shown again after the run.
    EXPECT_EQ(Count(out, "dialog 1: "), 1) << out;
    EXPECT_EQ(m_status, 1);
}

TEST_F(ExitCode, DeclinedDirectoryCreationIsACancelledRun) {
    EXPECT_EQ(WithAnswers(kInstall, "message 109 no\n"),
              "message 109: Adresář C:\\ZEFI neexistuje, má se vytvořit? -> no\n");
    EXPECT_EQ(m_status, 3);
}

TEST_F(ExitCode, CancelledOptionsDialogIsACancelledRun) {
    m_prefix->WriteHostFile("drive_c/ZEFI/keep", "");
    const std::string out =
        WithAnswers("-i 'D:\\' -o 'C:\\ZEFI' -q 1,0,1,1,1", "dialog 11 cancel\n");
    EXPECT_NE(out.find("dialog 11: "), std::string::npos) << out;
    EXPECT_EQ(m_status, 3);
}

TEST_F(ExitCode, InterruptedCopyRun) {
    Script("[STARTW]\n:ewm 5\n");
    EXPECT_EQ(RunProgram(kInstall), std::string(kAskCreate) + kCopyDialog +
                                        "message 150: Chyba při instalaci 0x0005 -> ok\n" +
                                        kInterrupted);
    EXPECT_EQ(m_status, 4);
}

TEST_F(ExitCode, CopyErrorAnsweredWithExit) {
    // A file stands where the destination directory must go.
    Script("[STARTW]\nSource=PROGRAM\nDest=BLOCK\n:i Zefiwin.exe\n");
    m_prefix->WriteHostFile("drive_c/ZEFI/BLOCK", "");
    const std::string out = RunProgram(kInstall);
    EXPECT_NE(out.find("dialog 9: "), std::string::npos) << out;
    EXPECT_NE(out.find(kInterrupted), std::string::npos) << out;
    EXPECT_EQ(m_status, 5);
}

TEST_F(ExitCode, CopyErrorWithSEndsAsExitWithoutWaiting) {
    Script("[STARTW]\nSource=PROGRAM\nDest=BLOCK\n:i Zefiwin.exe\n");
    m_prefix->WriteHostFile("drive_c/ZEFI/BLOCK", "");
    EXPECT_EQ(RunProgram(std::string("-s ") + kInstall, "", false), kCopyDialog);
    EXPECT_EQ(m_status, 5);
    const std::string log = Log();
    EXPECT_NE(log.find("\r\nMessage 9: Chyba p\xF8i kop\xEDrov\xE1n\xED Zefiwin.exe | "),
              std::string::npos)
        << log;
    EXPECT_LT(log.find(") -> exit\r\n"), log.find("\r\nInstalace prerusena\r\n")) << log;
}

TEST_F(ExitCode, MissingInstallScript) {
    std::filesystem::remove(m_prefix->Host("drive_c/Temp/cd.cfg"));
    m_prefix->WriteHostFile("drive_c/ZEFI/keep", "");
    EXPECT_EQ(RunProgram(kInstall),
              "message 107: Nebyl nalezen konfiguračení soubor cd.cfg. Instalaci nelze spustit -> "
              "ok\n");
    EXPECT_EQ(m_status, 6);
}

TEST_F(ExitCode, RefusedDestinationOrSource) {
    EXPECT_EQ(RunProgram("-i 'D:\\' -o 'Q:' -Q 1,0,1,1,1"),
              "message 108: Neznámý disk 'Q:' -> ok\n");
    EXPECT_EQ(m_status, 7);
    EXPECT_EQ(RunProgram("-i '\\\\server\\zefi' -o 'C:\\ZEFI' -Q 1,0,1,1,1"),
              "message 106: Instalaci nelze spustit ze síťové cesty. Pořipojte si prosím "
              "\\\\server\\zefi\\ jako lokální disk. -> ok\n");
    EXPECT_EQ(m_status, 7);
}

TEST_F(ExitCode, ServiceThatCannotBeStopped) {
    Machine("[services]\nZefi Server = running\n");
    m_prefix->WriteHostFile("drive_c/ZEFI/keep", "");
    // Where the machine records the new state of the service there is a directory, so the
    // stop request fails.
    std::filesystem::create_directories(m_prefix->Host("machine.ini.tmp/x"));
    EXPECT_EQ(RunProgram(kInstall),
              "message 144: Nepodařilo se zastavit službu \"Zefi Server\" -> ok\n");
    EXPECT_EQ(m_status, 8);
}

TEST_F(ExitCode, FailedDownload) {
    // Outside any medium and without an unattended option the program downloads; the sites
    // list is not there.
    testsupport::HttpServer server;
    ASSERT_TRUE(server.Ok());
    testsupport::HttpReply missing;
    missing.status = 404;
    missing.body = "gone";
    server.Set("/sites.txt", missing);
    m_prefix->WriteHostFile("drive_c/ZEFI/keep", "");
    const std::string out = WithAnswers("-m '" + server.Url("/sites.txt") + "'",
                                        "dialog 1 1000\ndialog 4 ok 1002=C:\\ZEFI\n");
    EXPECT_EQ(out.find(kCopyDialog), std::string::npos) << out;
    EXPECT_EQ(m_status, 9) << out;
}

TEST_F(ExitCode, DeclinedRerunOfTheInstalledImageSet) {
    // The server offers exactly the image set that "zefisetup.rep" records as installed.
    const std::string digest = "0123456789abcdef0123456789abcdef";
    testsupport::HttpServer server;
    ASSERT_TRUE(server.Ok());
    testsupport::HttpReply packages;
    packages.body = digest + " zefi1.iso\r\n";
    server.Set("/zefi/packages.txt", packages);
    testsupport::HttpReply sites;
    sites.body = "cz " + server.Url("/zefi/packages.txt") + "\r\n";
    server.Set("/sites.txt", sites);
    m_prefix->WriteHostFile("drive_c/ZEFI/zefisetup.rep", digest + "\r\n");
    const std::string out =
        WithAnswers("-m '" + server.Url("/sites.txt") + "'",
                    "dialog 1 1000\ndialog 4 ok 1002=C:\\ZEFI\nmessage 162 no\n");
    EXPECT_NE(out.find("message 162: "), std::string::npos) << out;
    EXPECT_EQ(out.find(kCopyDialog), std::string::npos) << out;
    EXPECT_EQ(m_status, 10) << out;
}

// A download whose image answers every transfer with an error: the run retries it (1, 5 and
// 10 seconds apart), then asks message 160 whether to go on retrying.
class BrokenImage : public ExitCode {
  protected:
    void SetUp() override {
        ExitCode::SetUp();
        ASSERT_TRUE(m_server.Ok());
        testsupport::HttpReply image;
        image.status = 500;
        image.body = "broken";
        m_server.Set("/zefi/zefi1.iso", image);
        testsupport::HttpReply packages;
        packages.body = "0123456789abcdef0123456789abcdef zefi1.iso\r\n";
        m_server.Set("/zefi/packages.txt", packages);
        testsupport::HttpReply sites;
        sites.body = "cz " + m_server.Url("/zefi/packages.txt") + "\r\n";
        m_server.Set("/sites.txt", sites);
        m_prefix->WriteHostFile("drive_c/ZEFI/keep", "");
    }
    // Runs a download from the main menu into C:\ZEFI with options; a run that does not end
    // by itself is ended after a few minutes (status 124).
    std::string Download(const std::string& options) {
        m_prefix->WriteHostFile("answers.txt", "dialog 1 1000\ndialog 4 ok 1002=C:\\ZEFI\n");
        return RunProgram(
            options + " -m '" + m_server.Url("/sites.txt") + "'",
            "ZEFISETUP_ANSWERS='" + m_prefix->Host("answers.txt") + "' timeout 240 env");
    }
    // The run ended after one series of retries and one question, answered Cancel, with status
    // 9 and the download's failure message, which names the image and the log. The boxes' lines
    // begin with prefix: "message" from the scripted host, "Message" from -s.
    void ExpectGaveUp(const std::string& out, const std::string& prefix) {
        EXPECT_EQ(m_status, 9) << out;
        EXPECT_EQ(m_server.RequestsFor("/zefi/zefi1.iso").size(), 4u) << out;
        EXPECT_EQ(Count(out, prefix + " 160: "), 1) << out;
        EXPECT_NE(out.find(prefix + " 160: Komunikace byla přešena 22 -> cancel\n"),
                  std::string::npos)
            << out;
        EXPECT_NE(out.find(prefix + " 0: Stažení instalačních souborů se nezdařilo.\\nStahování " +
                           "souboru zefi1.iso\\n"),
                  std::string::npos)
            << out;
        EXPECT_NE(out.find("inetzefi.log"), std::string::npos) << out;
        EXPECT_EQ(out.find(kCopyDialog), std::string::npos) << out;
    }
    testsupport::HttpServer m_server;
};

TEST_F(BrokenImage, SGivesUpAfterTheRetriesAndTheDownloadFails) {
    ExpectGaveUp(Download("-s"), "Message");
}

TEST_F(BrokenImage, AnswersThatRunOutGiveUpAfterTheRetriesToo) {
    ExpectGaveUp(Download(""), "message");
}

TEST_F(ExitCode, AnswerEveryMessageBoxWithS) {
    const std::string out = RunProgram("-s -i 'D:\\' -o 'C:\\NEW' -Q 1,0,1,1,1", "", false);
    // Only the dialogs remain for the host; the boxes answered themselves.
    EXPECT_EQ(out, kCopyDialog);
    EXPECT_EQ(m_status, 0);
    EXPECT_TRUE(HostExists("drive_c/NEW/Zefiwin.exe"));
    const std::string log = Log();
    // Windows-1250 bytes, as every text of the log.
    const size_t create = log.find(
        "\r\nMessage 109: Adres\xE1\xF8 C:\\NEW neexistuje, m\xE1 "
        "se vytvo\xF8it? -> yes\r\n");
    const size_t started = log.find("Started: ");
    const size_t done = log.find("\r\nInstalace dokoncena\r\n");
    const size_t completed = log.find(
        "\r\nMessage 111: Instalace/aktualizace prob\xEChla \xFAsp\xEC\x9An\xEC -> ok\r\n");
    ASSERT_NE(create, std::string::npos) << log;
    ASSERT_NE(completed, std::string::npos) << log;
    // Answered before the copy run: right after its start; after it: after its end.
    EXPECT_LT(started, create);
    EXPECT_LT(done, completed);
    EXPECT_EQ(Count(log, "Message "), 2) << log;
}

TEST_F(ExitCode, AnswersOfSGoToStandardErrorAndTheLogOfARunWithoutCopy) {
    m_prefix->WriteHostFile("drive_c/ZEFI/keep", "");
    std::filesystem::remove(m_prefix->Host("drive_c/Temp/cd.cfg"));
    const std::string out = RunProgram("-Q 1,0,1,1,1 -o 'C:\\ZEFI' -s -i 'D:\\'");
    EXPECT_EQ(out,
              "Message 107: Nebyl nalezen konfiguračení soubor cd.cfg. Instalaci nelze spustit -> "
              "ok\n");
    EXPECT_EQ(m_status, 6);
    EXPECT_EQ(Log(),
              "Message 107: Nebyl nalezen konfigura\xE8"
              "en\xED soubor cd.cfg. Instalaci nelze spustit -> ok\r\n");
}

TEST_F(ExitCode, SInAutoParamAnswersTheDiskPromptWithCancel) {
    // The licence grants the Z-disk of the second DVD, which nobody inserts.
    ASSERT_NE(RunProgram(kInstall).find("message 111: "), std::string::npos);
    const std::string config = m_prefix->ReadHostFile("drive_c/ZEFI/zefi6.cfg");
    m_prefix->WriteHostFile("drive_c/ZEFI/zefi6.cfg", config + "LICENCE= 12\r\n");
    m_prefix->WriteHostFile("system.reg",
                            "Windows Registry Editor Version 5.00\r\n\r\n"
                            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zefi Publishing\\ZEFI]\r\n"
                            "\"AutoParam\"=\"-i D:\\\\ -o C:\\\\ZEFI -s -Q 1,0,1,1,1\"\r\n");
    const std::string out = RunProgram("", "", false);
    EXPECT_EQ(out, kCopyDialog);
    EXPECT_EQ(m_status, 4);
    const std::string log = Log();
    EXPECT_NE(log.find("Message 102: Vlo\x9Ete pros\xEDm ZEFI pro Windows DVD 2 (Z-disk) -> "
                       "cancel\r\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("Message 112: "), std::string::npos) << log;
}

// With a publisher key configured, an unsigned package list is refused before any image:
// the run says why, names the log, and ends as a failed download.
TEST_F(ExitCode, UnsignedPackageListWithAKeyConfigured) {
    std::string why;
    if (!testsupport::MinisignAvailable(&why)) GTEST_SKIP() << why;
    const testsupport::MinisignKey key = testsupport::MakeMinisignKey(m_prefix->Host(""), "pub");
    ASSERT_EQ(key.error, "");
    testsupport::HttpServer server;
    ASSERT_TRUE(server.Ok());
    testsupport::HttpReply reply;
    reply.body = "0123456789abcdef0123456789abcdef zefi1.iso\r\n";
    server.Set("/zefi/packages.txt", reply);
    reply.body = "cz " + server.Url("/zefi/packages.txt") + "\r\n";
    server.Set("/sites.txt", reply);
    m_prefix->WriteHostFile("drive_c/ZEFI/keep", "");
    m_prefix->WriteHostFile("system.reg",
                            "Windows Registry Editor Version 5.00\r\n\r\n"
                            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zefi Publishing\\ZEFI]\r\n"
                            "\"PublisherKeys\"=\"" +
                                key.publicLine + "\"\r\n");
    const std::string out = WithAnswers("-m '" + server.Url("/sites.txt") + "'",
                                        "dialog 1 1000\ndialog 4 ok 1002=C:\\ZEFI\n");
    EXPECT_NE(out.find("message 0: Seznam instalačních souborů na serveru byl odmítnut: chybí jeho "
                       "elektronický podpis.\\nNebyl stažen žádný disk a nic nebylo "
                       "nainstalováno. Podrobnosti jsou v souboru inetzefi.log"),
              std::string::npos)
        << out;
    EXPECT_EQ(out.find(kCopyDialog), std::string::npos) << out;
    EXPECT_EQ(m_status, 9) << out;
    EXPECT_TRUE(server.RequestsFor("/zefi/zefi1.iso").empty());
    EXPECT_FALSE(HostExists("drive_c/ZEFI/zefi1.iso"));
    EXPECT_FALSE(HostExists("drive_c/ZEFI/zefisetup.rep"));
    EXPECT_NE(m_prefix->ReadHostFile("drive_c/Temp/inetzefi.log")
                  .find("Package list refused, signature missing: "),
              std::string::npos);
}

}  // namespace
