// Tests of the machine's languages and clocks.
#include "platform/machine.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <thread>

#include "support/temp_prefix.h"

namespace {

class Machine : public testsupport::PrefixTest {
  protected:
    void SetMachine(const std::string& ini) {
        m_prefix->WriteHostFile("machine.ini", ini);
        platform::ReloadMachine();
    }
};

// Restores LANG when a test is done with it.
class LangOverride {
  public:
    explicit LangOverride(const char* value) {
        const char* old = std::getenv("LANG");
        m_had = old != nullptr;
        if (m_had) m_old = old;
        if (value) {
            ::setenv("LANG", value, 1);
        } else {
            ::unsetenv("LANG");
        }
    }
    ~LangOverride() {
        if (m_had) {
            ::setenv("LANG", m_old.c_str(), 1);
        } else {
            ::unsetenv("LANG");
        }
        platform::ReloadMachine();
    }

  private:
    bool m_had = false;
    std::string m_old;
};

TEST_F(Machine, SystemLanguageComesFromMachineIniElseFromLang) {
    {
        LangOverride lang("sk_SK.UTF-8");
        SetMachine("[system]\nlanguage = 1029\n[drives]\nC = drive_c, fixed\n");
        EXPECT_EQ(platform::GetSystemDefaultLangID(), platform::kLangCzech);
        SetMachine("[system]\nlanguage = 1051\n[drives]\nC = drive_c, fixed\n");
        EXPECT_EQ(platform::GetSystemDefaultLangID(), platform::kLangSlovak);
        SetMachine("[system]\nadmin = 1\n[drives]\nC = drive_c, fixed\n");
        EXPECT_EQ(platform::GetSystemDefaultLangID(), platform::kLangSlovak);
    }
    {
        LangOverride lang("cs_CZ.UTF-8");
        platform::ReloadMachine();
        EXPECT_EQ(platform::GetSystemDefaultLangID(), platform::kLangCzech);
    }
    {
        LangOverride lang(nullptr);
        platform::ReloadMachine();
        EXPECT_EQ(platform::GetSystemDefaultLangID(), platform::kLangCzech);
    }
}

TEST_F(Machine, ThreadUiLanguageIsPerThreadAndStartsAtTheSystemDefault) {
    SetMachine("[system]\nlanguage = 1051\n[drives]\nC = drive_c, fixed\n");
    uint16_t seenByWorker = 0;
    std::thread([&] { seenByWorker = platform::GetThreadUILanguage(); }).join();
    EXPECT_EQ(seenByWorker, platform::kLangSlovak);

    platform::SetThreadUILanguage(platform::kLangCzech);
    EXPECT_EQ(platform::GetThreadUILanguage(), platform::kLangCzech);
    std::thread([&] {
        seenByWorker = platform::GetThreadUILanguage();
        platform::SetThreadUILanguage(platform::kLangSlovak);
    }).join();
    EXPECT_EQ(seenByWorker, platform::kLangSlovak);
    EXPECT_EQ(platform::GetThreadUILanguage(), platform::kLangCzech);
    // 0 puts the thread back on the system default.
    platform::SetThreadUILanguage(0);
    EXPECT_EQ(platform::GetThreadUILanguage(), platform::kLangSlovak);
}

TEST(MachineClock, LocalTimeMatchesTheHostClock) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        std::time_t before = std::time(nullptr);
        platform::SystemTime t;
        platform::GetLocalTime(&t);
        std::time_t after = std::time(nullptr);
        if (before != after) continue;  // a second boundary passed in between
        std::tm local;
        localtime_r(&before, &local);
        EXPECT_EQ(t.year, local.tm_year + 1900);
        EXPECT_EQ(t.month, local.tm_mon + 1);
        EXPECT_EQ(t.day, local.tm_mday);
        EXPECT_EQ(t.dayOfWeek, local.tm_wday);
        EXPECT_EQ(t.hour, local.tm_hour);
        EXPECT_EQ(t.minute, local.tm_min);
        EXPECT_EQ(t.second, local.tm_sec);
        EXPECT_GE(t.milliseconds, 0);
        EXPECT_LE(t.milliseconds, 999);
        return;
    }
    FAIL() << "the clock kept crossing second boundaries";
}

TEST(MachineClock, TickCountNeverGoesBackAndCountsMilliseconds) {
    uint32_t first = platform::GetTickCount();
    uint32_t previous = first;
    for (int i = 0; i < 1000; ++i) {
        uint32_t now = platform::GetTickCount();
        EXPECT_GE(static_cast<uint32_t>(now - first), static_cast<uint32_t>(previous - first));
        previous = now;
    }
    uint32_t beforeSleep = platform::GetTickCount();
    platform::Sleep(30);
    EXPECT_GE(static_cast<uint32_t>(platform::GetTickCount() - beforeSleep), 30u);
}

}  // namespace
