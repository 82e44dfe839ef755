// Tests of process creation and the command processor. The child is this test binary run
// again: ZEFI_TEST_CHILD selects what it does before any test starts.
#include "platform/process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/errors.h"
#include "platform/fs.h"
#include "platform/machine.h"
#include "support/files.h"
#include "support/temp_prefix.h"

namespace {

constexpr const char* kChildMode = "ZEFI_TEST_CHILD";
constexpr const char* kChildOut = "ZEFI_TEST_OUT";
constexpr const char* kChildFd = "ZEFI_TEST_FD";

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

std::string HostExecutable() {
    char buf[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
}

// The child's side. "report": writes its working directory, ZEFISETUP_PREFIX, whether the
// descriptor named by ZEFI_TEST_FD is open, and its raw arguments (one a line) into
// ZEFI_TEST_OUT, then exits with 7. "wait": exits with 0 once ZEFI_TEST_OUT exists.
class ChildMode : public ::testing::Environment {
  public:
    void SetUp() override {
        std::string mode = Env(kChildMode);
        if (mode == "report") {
            std::ostringstream out;
            char cwd[PATH_MAX];
            out << (::getcwd(cwd, sizeof cwd) ? cwd : "?") << "\n";
            out << Env("ZEFISETUP_PREFIX") << "\n";
            int fd = std::atoi(Env(kChildFd).c_str());
            out << (fd > 2 && ::fcntl(fd, F_GETFD) != -1 ? "fd open" : "fd closed") << "\n";
            // The arguments as the system passed them, before the test framework sees them.
            std::ifstream cmdline("/proc/self/cmdline", std::ios::binary);
            std::string all((std::istreambuf_iterator<char>(cmdline)),
                            std::istreambuf_iterator<char>());
            size_t start = 0;
            while (start < all.size()) {
                size_t end = all.find('\0', start);
                out << all.substr(start, end - start) << "\n";
                start = end + 1;
            }
            std::ofstream(Env(kChildOut), std::ios::binary) << out.str();
            std::_Exit(7);
        }
        if (mode == "wait") std::_Exit(testsupport::WaitForHostFile(Env(kChildOut)) ? 0 : 1);
    }
};

[[maybe_unused]] ::testing::Environment* const kChildEnvironment =
    ::testing::AddGlobalTestEnvironment(new ChildMode);

class Process : public testsupport::PrefixTest {
  protected:
    void SetUp() override {
        PrefixTest::SetUp();
        std::string exe = HostExecutable();
        ASSERT_FALSE(exe.empty());
        m_exeName = exe.substr(exe.rfind('/') + 1);
        // Drive T: holds the test binary, so the child runs from a Windows path.
        m_prefix->WriteHostFile("machine.ini",
                                "[system]\nadmin = 1\n[drives]\nC = drive_c, fixed\n"
                                "T = " +
                                    exe.substr(0, exe.rfind('/')) + ", fixed\n");
        m_prefix->WriteHostFile("drive_c/work/keep", "");
        platform::ReloadMachine();
        char real[PATH_MAX];
        ASSERT_NE(::realpath(m_prefix->Host("drive_c/work").c_str(), real), nullptr);
        m_workHost = real;
        m_outHost = m_workHost + "/child.out";
    }
    void TearDown() override {
        ::unsetenv(kChildMode);
        ::unsetenv(kChildOut);
        ::unsetenv(kChildFd);
        PrefixTest::TearDown();
    }
    std::vector<std::string> ReadLines(const std::string& host) {
        std::ifstream in(host, std::ios::binary);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    std::string m_exeName;
    std::string m_workHost;
    std::string m_outHost;
};

TEST_F(Process, ChildGetsTheWindowsArgumentsDirectoryAndEnvironment) {
    // A descriptor without close-on-exec: the child must not inherit it all the same.
    int leaky = ::open("/dev/null", O_RDONLY);
    ASSERT_GT(leaky, 2);
    ::setenv(kChildMode, "report", 1);
    ::setenv(kChildOut, m_outHost.c_str(), 1);
    ::setenv(kChildFd, std::to_string(leaky).c_str(), 1);

    std::string upper;
    for (char c : m_exeName)
        upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const std::string program = "T:\\" + upper;  // names match without regard to case
    const std::string commandLine =
        "\"" + program + "\" \"two words\" plain \"quote\\\"inside\" \"C:\\dir\\\\\" \"\" x\"y z\"";
    platform::Process child;
    ASSERT_TRUE(child.Create(program, commandLine, "c:\\WORK")) << platform::GetLastError();
    uint32_t code = 0;
    ASSERT_TRUE(child.Wait(0xFFFFFFFF, &code));
    EXPECT_EQ(code, 7u);
    ::close(leaky);

    std::vector<std::string> expected = {
        m_workHost, m_prefix->Path(), "fd closed", program, "two words",
        "plain",    "quote\"inside",  "C:\\dir\\", "",      "xy z"};
    EXPECT_EQ(ReadLines(m_outHost), expected);
}

TEST_F(Process, ProgramFromTheCommandLineRunsInTheCurrentDirectory) {
    ::setenv(kChildMode, "report", 1);
    ::setenv(kChildOut, m_outHost.c_str(), 1);
    ASSERT_TRUE(platform::SetCurrentDirectory("C:\\Work"));
    platform::Process child;
    ASSERT_TRUE(child.Create("", "T:\\" + m_exeName + " -i C:\\X", "")) << platform::GetLastError();
    uint32_t code = 0;
    ASSERT_TRUE(child.Wait(0xFFFFFFFF, &code));
    EXPECT_EQ(code, 7u);
    std::vector<std::string> lines = ReadLines(m_outHost);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], m_workHost);
    EXPECT_EQ(lines[3], "T:\\" + m_exeName);
    EXPECT_EQ(lines[4], "-i");
    EXPECT_EQ(lines[5], "C:\\X");
}

TEST_F(Process, WaitTimesOutWhileTheChildRuns) {
    const std::string release = m_workHost + "/release";
    ::setenv(kChildMode, "wait", 1);
    ::setenv(kChildOut, release.c_str(), 1);
    platform::Process child;
    ASSERT_TRUE(child.Create("T:\\" + m_exeName, "child", ""));
    uint32_t code = 1234;
    EXPECT_FALSE(child.Wait(0, &code));
    EXPECT_FALSE(child.Wait(50, &code));
    EXPECT_EQ(code, 1234u);
    std::ofstream(release) << "go";
    ASSERT_TRUE(child.Wait(0xFFFFFFFF, &code));
    EXPECT_EQ(code, 0u);
    code = 1234;
    ASSERT_TRUE(child.Wait(0, &code));  // an ended process stays ended
    EXPECT_EQ(code, 0u);
}

TEST_F(Process, StartFailuresGiveWindowsErrors) {
    platform::Process child;
    EXPECT_FALSE(child.Create("C:\\missing.exe", "missing.exe", ""));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorFileNotFound);
    EXPECT_FALSE(child.Create("C:\\nodir\\missing.exe", "missing.exe", ""));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorPathNotFound);
    EXPECT_FALSE(child.Create("T:\\" + m_exeName, "x", "C:\\nodir"));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorDirectory);
    EXPECT_FALSE(child.Create("C:\\work", "work", ""));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorAccessDenied);
    uint32_t code = 0;
    EXPECT_FALSE(child.Wait(0, &code));
}

TEST_F(Process, CommandProcessorReturnsTheExitCodeAndRunsInTheCurrentDirectory) {
    ASSERT_TRUE(platform::SetCurrentDirectory("C:\\work"));
    EXPECT_EQ(platform::RunCommandProcessor("exit 3"), 3);
    EXPECT_EQ(platform::RunCommandProcessor("true"), 0);
    EXPECT_EQ(platform::RunCommandProcessor("echo \"$ZEFISETUP_PREFIX\" > shell.out"), 0);
    EXPECT_EQ(m_prefix->ReadHostFile("drive_c/work/shell.out"), m_prefix->Path() + "\n");
    // A missing program is the interpreter's failure, not the processor's.
    EXPECT_EQ(platform::RunCommandProcessor("/nonexistent/program 2>/dev/null"), 127);
}

}  // namespace
