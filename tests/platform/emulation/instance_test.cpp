// The open-title registry and the run lock across processes on the emulated machine: a lock
// file and its flock, a process that dies holding them. What every backend keeps is in
// tests/platform/instance_test.cpp.
#include "platform/instance.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "platform/errors.h"
#include "support/files.h"
#include "support/temp_prefix.h"

namespace {

using platform::IsTitleOpen;
using platform::TitleRegistration;

const std::string kCzechTitle = "Instalace ZEFI pro Windows";
const std::string kSlovakTitle =
    "In\x9Atal\xE1"
    "cia ZEFI pre Windows";  // Windows-1250

class InstanceAcrossProcesses : public testsupport::PrefixTest {};

TEST_F(InstanceAcrossProcesses, AnotherProcessSeesTheTitleUntilItEnds) {
    const std::string ready = m_prefix->Host("ready");
    const std::string release = m_prefix->Host("release");
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        int code = 1;
        {
            TitleRegistration dialog(kSlovakTitle);
            m_prefix->WriteHostFile("ready", "");
            if (testsupport::WaitForHostFile(release)) code = 0;
        }
        ::_exit(code);
    }
    ASSERT_TRUE(testsupport::WaitForHostFile(ready));
    EXPECT_TRUE(IsTitleOpen(kSlovakTitle));
    EXPECT_FALSE(IsTitleOpen(kCzechTitle));
    m_prefix->WriteHostFile("release", "");
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_FALSE(IsTitleOpen(kSlovakTitle));
}

TEST_F(InstanceAcrossProcesses, ProcessThatDiesWithoutCleaningUpLeavesNoTitleOpen) {
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        new TitleRegistration(kCzechTitle);  // never released: the process just ends
        ::_exit(IsTitleOpen(kCzechTitle) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_FALSE(IsTitleOpen(kCzechTitle));
    TitleRegistration again(kCzechTitle);
    EXPECT_TRUE(IsTitleOpen(kCzechTitle));
}

}  // namespace

// ---- The run lock. ----

using platform::RunLock;

TEST_F(InstanceAcrossProcesses, RunLockOfAProcessThatCrashesIsReleased) {
    const std::string ready = m_prefix->Host("ready");
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        RunLock* lock = new RunLock;  // never released: the process is killed
        if (!lock->TryAcquire()) ::_exit(1);
        m_prefix->WriteHostFile("ready", "");
        for (;;) ::pause();
    }
    ASSERT_TRUE(testsupport::WaitForHostFile(ready));
    RunLock mine;
    EXPECT_FALSE(mine.TryAcquire());
    EXPECT_EQ(platform::GetLastError(), platform::kErrorAlreadyExists);
    ::kill(pid, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_TRUE(mine.TryAcquire());
}

TEST_F(InstanceAcrossProcesses, RunLockIsNotPassedToStartedPrograms) {
    RunLock lock;
    ASSERT_TRUE(lock.TryAcquire());
    // A program the run starts and leaves running must not keep the machine locked.
    const std::string started = m_prefix->Host("started");
    const std::string command = "touch '" + started + "' && exec sleep 30";
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ASSERT_TRUE(testsupport::WaitForHostFile(started));
    lock.Release();
    RunLock next;
    EXPECT_TRUE(next.TryAcquire());
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}
