// Tests of CServiceCtl: Connect and its failures, the flags after Stop and Start, and the
// states the machine records.
#include "system/service_ctl.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/errors.h"
#include "platform/machine.h"
#include "platform/services.h"
#include "support/temp_prefix.h"

namespace {

class ServiceCtl : public testsupport::PrefixTest {
  protected:
    // A machine whose "Zefi Server" is in state (no service when state is empty).
    void SetMachine(const std::string& state, bool admin = true) {
        std::string ini = std::string("[system]\nadmin = ") + (admin ? "1" : "0") +
                          "\n[drives]\nC = drive_c, fixed\n[services]\nOther = running\n";
        if (!state.empty()) ini += "Zefi Server = " + state + "\n";
        m_prefix->WriteHostFile("machine.ini", ini);
        platform::ReloadMachine();
    }
    // The state machine.ini records for "Zefi Server", read from the file.
    std::string RecordedState() {
        const std::string ini = m_prefix->ReadHostFile("machine.ini");
        const std::string key = "Zefi Server = ";
        size_t at = ini.find(key);
        if (at == std::string::npos) return "";
        at += key.size();
        return ini.substr(at, ini.find('\n', at) - at);
    }
};

TEST_F(ServiceCtl, StartsWithNothingKnown) {
    zefi::CServiceCtl ctl;
    EXPECT_EQ(ctl.GetLastError(), 0u);
    EXPECT_EQ(ctl.GetStage(), 0u);
    EXPECT_EQ(ctl.GetSystemVersion(), platform::GetVersion());
    EXPECT_TRUE(ctl.IsNtFamily());
    EXPECT_FALSE(ctl.IsRunning());
    EXPECT_FALSE(ctl.IsStopped());
    EXPECT_FALSE(ctl.IsPaused());
}

TEST_F(ServiceCtl, ConnectSetsExactlyTheFlagOfTheState) {
    struct Case {
        const char* state;
        bool stopped, startPending, stopPending, running, continuePending, pausePending, paused;
        bool isRunning;
    };
    const Case cases[] = {
        {"stopped", 1, 0, 0, 0, 0, 0, 0, false},
        {"start_pending", 0, 1, 0, 0, 0, 0, 0, false},
        {"stop_pending", 0, 0, 1, 0, 0, 0, 0, false},
        {"running", 0, 0, 0, 1, 0, 0, 0, true},
        {"continue_pending", 0, 0, 0, 0, 1, 0, 0, false},
        {"pause_pending", 0, 0, 0, 0, 0, 1, 0, false},
        {"paused", 0, 0, 0, 0, 0, 0, 1, true},
    };
    for (const Case& c : cases) {
        SetMachine(c.state);
        zefi::CServiceCtl ctl;
        ASSERT_TRUE(ctl.Connect()) << c.state;
        EXPECT_EQ(ctl.GetStage(), 3u);
        EXPECT_EQ(ctl.GetLastError(), 0u);
        EXPECT_EQ(ctl.IsStopped(), c.stopped) << c.state;
        EXPECT_EQ(ctl.IsStartPending(), c.startPending) << c.state;
        EXPECT_EQ(ctl.IsStopPending(), c.stopPending) << c.state;
        EXPECT_EQ(ctl.IsRunningFlag(), c.running) << c.state;
        EXPECT_EQ(ctl.IsContinuePending(), c.continuePending) << c.state;
        EXPECT_EQ(ctl.IsPausePending(), c.pausePending) << c.state;
        EXPECT_EQ(ctl.IsPaused(), c.paused) << c.state;
        EXPECT_EQ(ctl.IsRunning(), c.isRunning) << c.state;
        ctl.Close();
    }
}

TEST_F(ServiceCtl, ConnectWithoutAdminRightsFailsAtTheManager) {
    SetMachine("running", /*admin=*/false);
    zefi::CServiceCtl ctl;
    EXPECT_FALSE(ctl.Connect());
    EXPECT_EQ(ctl.GetStage(), 1u);
    EXPECT_EQ(ctl.GetLastError(), platform::kErrorAccessDenied);
    EXPECT_FALSE(ctl.IsRunning());
    ctl.Close();
}

TEST_F(ServiceCtl, ConnectWithoutTheServiceFailsAtTheService) {
    SetMachine("");
    zefi::CServiceCtl ctl;
    EXPECT_FALSE(ctl.Connect());
    EXPECT_EQ(ctl.GetStage(), 2u);
    EXPECT_EQ(ctl.GetLastError(), platform::kErrorServiceDoesNotExist);
    ctl.Close();
}

TEST_F(ServiceCtl, StopOfARunningServiceIsWrittenBackAndStartRestartsIt) {
    SetMachine("running");
    zefi::CServiceCtl ctl;
    ASSERT_TRUE(ctl.Connect());
    ASSERT_TRUE(ctl.Stop());
    EXPECT_TRUE(ctl.IsStopped());
    EXPECT_FALSE(ctl.IsRunning());
    EXPECT_EQ(RecordedState(), "stopped");

    ASSERT_TRUE(ctl.Start());
    EXPECT_TRUE(ctl.IsRunning());
    EXPECT_FALSE(ctl.IsStopped());
    EXPECT_EQ(RecordedState(), "running");
    ctl.Close();
    // The other service was left as it was.
    EXPECT_NE(m_prefix->ReadHostFile("machine.ini").find("Other = running"), std::string::npos);
}

TEST_F(ServiceCtl, PausedServiceStopsButStillCountsAsRunning) {
    SetMachine("paused");
    zefi::CServiceCtl ctl;
    ASSERT_TRUE(ctl.Connect());
    EXPECT_TRUE(ctl.IsRunning());
    ASSERT_TRUE(ctl.Stop());
    EXPECT_TRUE(ctl.IsStopped());
    EXPECT_TRUE(ctl.IsPaused());
    // The flags record the request; the paused flag keeps it "running" for the restart offer.
    EXPECT_TRUE(ctl.IsRunning());
    EXPECT_EQ(RecordedState(), "stopped");
    ctl.Close();
}

TEST_F(ServiceCtl, PendingServiceIsNeitherRunningNorStoppedAndRefusesStart) {
    for (const char* state : {"start_pending", "stop_pending"}) {
        SetMachine(state);
        zefi::CServiceCtl ctl;
        ASSERT_TRUE(ctl.Connect()) << state;
        EXPECT_FALSE(ctl.IsRunning()) << state;
        EXPECT_FALSE(ctl.IsStopped()) << state;
        EXPECT_FALSE(ctl.Start()) << state;
        EXPECT_EQ(ctl.GetLastError(), platform::kErrorServiceAlreadyRunning) << state;
        EXPECT_FALSE(ctl.IsRunning()) << state;
        EXPECT_EQ(RecordedState(), state);
        ctl.Close();
    }
}

TEST_F(ServiceCtl, RefusedRequestsKeepTheirErrorAndLeaveTheFlags) {
    SetMachine("stopped");
    zefi::CServiceCtl ctl;
    ASSERT_TRUE(ctl.Connect());
    EXPECT_FALSE(ctl.Stop());
    EXPECT_EQ(ctl.GetLastError(), platform::kErrorServiceNotActive);
    EXPECT_TRUE(ctl.IsStopped());
    ASSERT_TRUE(ctl.Start());
    EXPECT_FALSE(ctl.Start());
    EXPECT_EQ(ctl.GetLastError(), platform::kErrorServiceAlreadyRunning);
    EXPECT_TRUE(ctl.IsRunning());
    ctl.Close();
}

TEST_F(ServiceCtl, RequestsAfterCloseFailWithoutTouchingTheService) {
    SetMachine("running");
    zefi::CServiceCtl ctl;
    ASSERT_TRUE(ctl.Connect());
    ctl.Close();
    ctl.Close();
    EXPECT_FALSE(ctl.Stop());
    EXPECT_EQ(ctl.GetLastError(), platform::kErrorInvalidHandle);
    EXPECT_EQ(RecordedState(), "running");
}

}  // namespace
