// The open-title registry that refuses a second setup instance, and the run lock, as every
// backend keeps them within one process.
#include "platform/instance.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/errors.h"
#include "support/temp_prefix.h"

namespace {

using platform::IsTitleOpen;
using platform::RunLock;
using platform::TitleRegistration;

const std::string kCzechTitle = "Instalace ZEFI pro Windows";
const std::string kSlovakTitle =
    "In\x9Atal\xE1"
    "cia ZEFI pre Windows";  // Windows-1250

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

TEST_F(Instance, RunLockIsHeldByOneHolderAtATime) {
    RunLock first;
    ASSERT_TRUE(first.TryAcquire());
    EXPECT_TRUE(first.IsHeld());
    RunLock second;
    EXPECT_FALSE(second.TryAcquire());
    EXPECT_EQ(platform::GetLastError(), platform::kErrorAlreadyExists);
    EXPECT_FALSE(second.IsHeld());
    first.Release();
    EXPECT_FALSE(first.IsHeld());
    EXPECT_TRUE(second.TryAcquire());
    {
        RunLock third;
        EXPECT_FALSE(third.TryAcquire());
    }
    second.Release();
    {
        RunLock scoped;
        EXPECT_TRUE(scoped.TryAcquire());
    }
    // The destructor released it.
    RunLock after;
    EXPECT_TRUE(after.TryAcquire());
}

}  // namespace
