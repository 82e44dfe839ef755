// End-to-end tests through the real zefisetup program: an installation into a folder whose name
// has Czech letters, typed into the destination dialog, and an unattended run whose standard
// input is a pipe that never ends.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "driver_fixture.h"
#include "platform/machine.h"
#include "platform/registry.h"
#include "support/files.h"

namespace {

using drivertest::DriverTest;

// "Účetní" in UTF-8 (what a person types and the host's names) and in Windows-1250 (what the
// program and its registry values hold).
const std::string kAccountsUtf8 =
    "\xC3\x9A\xC4\x8D"
    "etn\xC3\xAD";
const std::string kAccountsAnsi =
    "\xDA\xE8"
    "etn\xED";

class CzechPaths : public DriverTest {
  protected:
    // Runs the program in C:\Temp with arguments (shell syntax) and environment assignments;
    // standard input from /dev/null. Returns what it wrote.
    std::string RunProgram(const std::string& args, const std::string& environment = "") {
        std::string command = "cd '" + m_prefix->Host("drive_c/Temp") + "' && " + environment +
                              " ZEFISETUP_PREFIX='" + m_prefix->Path() + "' '" + ZEFISETUP_BINARY +
                              "' " + args + " </dev/null 2>&1";
        return testsupport::RunCommand(command, &m_status);
    }
    static std::map<std::string, std::string> LnkInfo(const std::string& hostPath) {
        std::map<std::string, std::string> fields;
        const std::string command = "lnkinfo -c windows-1250 '" + hostPath + "' 2>&1";
        FILE* pipe = popen(command.c_str(), "r");
        if (pipe == nullptr) return fields;
        char buffer[1024];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
            std::string line(buffer);
            while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
            const size_t colon = line.find(": ");
            const size_t begin = line.find_first_not_of(" \t");
            if (colon == std::string::npos || begin >= colon) continue;
            const size_t end = line.find_last_not_of(" \t", colon - 1);
            fields[line.substr(begin, end - begin + 1)] = line.substr(colon + 2);
        }
        pclose(pipe);
        return fields;
    }
    int m_status = -1;
};

TEST_F(CzechPaths, InstallsIntoAFolderTypedWithCzechLetters) {
    const std::string typed = "C:\\" + kAccountsUtf8 + "\\ZEFI";
    m_prefix->WriteHostFile("answers.txt",
                            "dialog 1 1000\n"
                            "dialog 4 ok 1002=\"" +
                                typed +
                                "\"\n"
                                "message 109 yes\n"
                                "dialog 7 ok\n");
    const std::string out =
        RunProgram("-i 'D:\\'", "ZEFISETUP_ANSWERS='" + m_prefix->Host("answers.txt") + "'");
    EXPECT_EQ(m_status, 0) << out;
    // Every dialog and message shows the name as it was typed.
    EXPECT_NE(out.find("dialog 4: Instalace ZEFI pro Windows | Adresář pro instalaci ZEFI | " +
                       typed + " |"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("message 109: Adresář " + typed + " neexistuje, má se vytvořit? -> yes\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("dialog 7: Instalace ZEFI pro Windows | Instalace bude nyní pokračovat "
                       "kopírováním souborů. | Adresář pro instalaci: | " +
                       typed + " | "),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("message 111: Instalace/aktualizace proběhla úspěšně -> ok\n"),
              std::string::npos)
        << out;

    // The files are on the host under the UTF-8 name.
    EXPECT_TRUE(HostExists("drive_c/" + kAccountsUtf8 + "/ZEFI/Zefiwin.exe"));
    EXPECT_TRUE(HostExists("drive_c/" + kAccountsUtf8 + "/ZEFI/zefi6.cfg"));

    // system.reg is UTF-8 text; the program reads the code page's bytes.
    const std::string registry = m_prefix->ReadHostFile("system.reg");
    EXPECT_NE(registry.find("\"InstallDir\"=\"C:\\\\" + kAccountsUtf8 + "\\\\ZEFI\""),
              std::string::npos)
        << registry;
    platform::ReloadMachine();
    platform::RegKey key;
    ASSERT_EQ(key.Open(platform::Hive::LocalMachine, "SOFTWARE\\Zefi Publishing\\ZEFI",
                       platform::kKeyRead),
              0u);
    std::string installDir;
    ASSERT_EQ(key.QueryString("InstallDir", &installDir), 0u);
    EXPECT_EQ(installDir, "C:\\" + kAccountsAnsi + "\\ZEFI");

    // The shortcut's target, read as Windows reads it in the Czech code page.
    auto info = LnkInfo(m_prefix->Host(
        "drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Zefi pro Windows/Zefi.lnk"));
    EXPECT_EQ(info["Local path"], "C:\\" + kAccountsUtf8 + "\\ZEFI\\Zefiwin.exe");
}

TEST_F(CzechPaths, ACharacterWithoutACodePageFormIsRefusedInTheDestinationDialog) {
    m_prefix->WriteHostFile("answers.txt",
                            "dialog 1 1000\n"
                            "dialog 4 ok 1002=C:\\\xD0\x96\xD1\x83\xD1\x80\n"
                            "dialog 4 cancel\n");
    const std::string out =
        RunProgram("-i 'D:\\'", "ZEFISETUP_ANSWERS='" + m_prefix->Host("answers.txt") + "'");
    EXPECT_NE(out.find("message 180: Znak „\xD0\x96“ nelze použít"), std::string::npos) << out;
    EXPECT_EQ(out.find("message 109"), std::string::npos) << out;
}

TEST_F(CzechPaths, TheDestinationDialogShowsAgainWhatWasTyped) {
    // "Q:\" names no drive: string 108, then the dialog again with the text as typed.
    m_prefix->WriteHostFile("answers.txt",
                            "dialog 1 1000\n"
                            "dialog 4 ok 1002=Q:\\\n"
                            "message 108 ok\n"
                            "dialog 4 cancel\n");
    const std::string out =
        RunProgram("-i 'D:\\'", "ZEFISETUP_ANSWERS='" + m_prefix->Host("answers.txt") + "'");
    EXPECT_NE(
        out.find("message 108: Neznámý disk 'Q:' -> ok\n"
                 "dialog 4: Instalace ZEFI pro Windows | Adresář pro instalaci ZEFI | Q:\\ |"),
        std::string::npos)
        << out;
}

// The unattended run of the demo with stdin a pipe whose writer stays open for the whole run,
// as under ssh, a CI runner or a scheduler; the script holds an option the program does not know.
TEST_F(CzechPaths, UnattendedRunWithAnUnrecognizedOptionNeverWaitsOnAPipe) {
    std::string script = m_prefix->ReadHostFile("drive_c/Temp/cd.cfg");
    const size_t at = script.find("[STARTW]");
    ASSERT_NE(at, std::string::npos);
    script.insert(script.find('\n', at) + 1, "Neznama=1\n");
    m_prefix->WriteHostFile("drive_c/Temp/cd.cfg", script);

    int input[2];
    ASSERT_EQ(pipe(input), 0);
    // A byte waiting in the pipe shows whether the program read from it.
    ASSERT_EQ(write(input[1], "x", 1), 1);
    const std::string outPath = m_prefix->Host("out.txt");
    const std::string temp = m_prefix->Host("drive_c/Temp");
    const std::string prefix = m_prefix->Path();
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        dup2(input[0], STDIN_FILENO);
        close(input[0]);
        close(input[1]);
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(out, STDOUT_FILENO);
        dup2(out, STDERR_FILENO);
        if (chdir(temp.c_str()) != 0) _exit(126);
        setenv("ZEFISETUP_PREFIX", prefix.c_str(), 1);
        unsetenv("ZEFISETUP_ANSWERS");
        execl(ZEFISETUP_BINARY, ZEFISETUP_BINARY, "-i", "D:\\", "-o", "C:\\ZEFI", "-Q", "1,0,1,1,1",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    // The writer end stays open in this process until the child is gone. The watchdog only
    // keeps a hanging program from hanging the test; it is far beyond any normal run.
    int status = 0;
    bool ended = false;
    for (int i = 0; i < 1200 && !ended; ++i) {
        ended = waitpid(child, &status, WNOHANG) == child;
        if (!ended) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (!ended) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
    }
    ASSERT_TRUE(ended) << "the program waited on its standard input";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    char left = 0;
    fcntl(input[0], F_SETFL, O_NONBLOCK);
    EXPECT_EQ(read(input[0], &left, 1), 1);
    EXPECT_EQ(left, 'x');
    close(input[0]);
    close(input[1]);

    const std::string out = testsupport::ReadFile(outPath);
    EXPECT_NE(out.find("message 111: Instalace/aktualizace proběhla úspěšně -> ok\n"),
              std::string::npos)
        << out;
    EXPECT_NE(Log().find("Unrecognized option: Neznama"), std::string::npos);
}

}  // namespace
