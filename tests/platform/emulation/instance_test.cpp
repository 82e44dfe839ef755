// Tests of the open-title registry that refuses a second setup instance.
#include "platform/instance.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "support/temp_prefix.h"

namespace {

using platform::IsTitleOpen;
using platform::TitleRegistration;

const std::string kCzechTitle = "Instalace ZEFI pro Windows";
const std::string kSlovakTitle =
    "In\x9Atal\xE1"
    "cia ZEFI pre Windows";  // Windows-1250

bool WaitForHostFile(const std::string& path) {
    for (int i = 0; i < 6000; ++i) {
        if (::access(path.c_str(), F_OK) == 0) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

class Instance : public testsupport::PrefixTest {};

TEST_F(Instance, TitleIsOpenExactlyWhileRegistered) {
    EXPECT_FALSE(IsTitleOpen(kCzechTitle));
    {
        TitleRegistration menu(kCzechTitle);
        EXPECT_TRUE(IsTitleOpen(kCzechTitle));
        EXPECT_FALSE(IsTitleOpen(kSlovakTitle));
        EXPECT_FALSE(IsTitleOpen("Instalace ZEFI pro windows"));
        {
            // A dialog opened over the main menu carries the same title.
            TitleRegistration destination(kCzechTitle);
            EXPECT_TRUE(IsTitleOpen(kCzechTitle));
        }
        EXPECT_TRUE(IsTitleOpen(kCzechTitle));
    }
    EXPECT_FALSE(IsTitleOpen(kCzechTitle));
    {
        TitleRegistration slovak(kSlovakTitle);
        EXPECT_TRUE(IsTitleOpen(kSlovakTitle));
        EXPECT_FALSE(IsTitleOpen(kCzechTitle));
    }
    EXPECT_FALSE(IsTitleOpen(kSlovakTitle));
}

TEST_F(Instance, AnotherProcessSeesTheTitleUntilItEnds) {
    const std::string ready = m_prefix->Host("ready");
    const std::string release = m_prefix->Host("release");
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        int code = 1;
        {
            TitleRegistration dialog(kSlovakTitle);
            m_prefix->WriteHostFile("ready", "");
            if (WaitForHostFile(release)) code = 0;
        }
        ::_exit(code);
    }
    ASSERT_TRUE(WaitForHostFile(ready));
    EXPECT_TRUE(IsTitleOpen(kSlovakTitle));
    EXPECT_FALSE(IsTitleOpen(kCzechTitle));
    m_prefix->WriteHostFile("release", "");
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_FALSE(IsTitleOpen(kSlovakTitle));
}

TEST_F(Instance, ProcessThatDiesWithoutCleaningUpLeavesNoTitleOpen) {
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
