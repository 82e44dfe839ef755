// Tests of service control: states, the stop and start requests and what they write back,
// access rights and handle checks.
#include "platform/services.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/errors.h"
#include "platform/machine.h"
#include "support/temp_prefix.h"

namespace {

constexpr const char* kDrives = "[drives]\nC = drive_c, fixed\n";

class Services : public testsupport::PrefixTest {
  protected:
    void TearDown() override {
        for (platform::ScHandle h : m_open) platform::CloseServiceHandle(h);
        testsupport::PrefixTest::TearDown();
    }
    void SetMachine(const std::string& ini) {
        m_prefix->WriteHostFile("machine.ini", ini);
        platform::ReloadMachine();
    }
    platform::ScHandle Keep(platform::ScHandle h) {
        if (h != nullptr) m_open.push_back(h);
        return h;
    }
    platform::ScHandle Manager(uint32_t access = platform::kScManagerAllAccess) {
        return Keep(platform::OpenSCManager(access));
    }
    platform::ScHandle Service(const std::string& name,
                               uint32_t access = platform::kServiceAllAccess) {
        platform::ScHandle manager = Manager(platform::kScManagerConnect);
        EXPECT_NE(manager, nullptr);
        return Keep(platform::OpenService(manager, name, access));
    }
    // The state that a fresh query reports, 0 when the query fails.
    uint32_t State(platform::ScHandle service) {
        platform::ServiceStatus status;
        return platform::QueryServiceStatus(service, &status) ? status.currentState : 0;
    }

    std::vector<platform::ScHandle> m_open;
};

TEST_F(Services, ReportsEachStateWithWindowsNumbering) {
    SetMachine(std::string("[system]\nadmin = 1\n") + kDrives +
               "[services]\n"
               "A = stopped\nB = start_pending\nC = stop_pending\nD = running\n"
               "E = continue_pending\nF = pause_pending\nG = paused ; with a comment\n");
    const std::pair<const char*, uint32_t> expected[] = {{"A", 1}, {"B", 2}, {"C", 3}, {"D", 4},
                                                         {"E", 5}, {"F", 6}, {"G", 7}};
    for (const auto& [name, state] : expected) {
        platform::ScHandle s = Service(name);
        ASSERT_NE(s, nullptr) << name;
        platform::ServiceStatus status;
        ASSERT_TRUE(platform::QueryServiceStatus(s, &status)) << name;
        EXPECT_EQ(status.currentState, state) << name;
        EXPECT_EQ(status.serviceType, platform::kServiceWin32OwnProcess);
        // Only a settled, active service takes the stop control.
        EXPECT_EQ((status.controlsAccepted & platform::kServiceAcceptStop) != 0,
                  state == platform::kServiceRunning || state == platform::kServicePaused)
            << name;
    }
}

TEST_F(Services, NamesMatchCaseInsensitively) {
    SetMachine(std::string(kDrives) + "[services]\nZefi Server = running\n");
    platform::ScHandle s = Service("ZEFI server");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(State(s), platform::kServiceRunning);
}

TEST_F(Services, MissingServiceFailsWith1060) {
    SetMachine(std::string(kDrives) + "[services]\nOther = running\n");
    platform::ScHandle manager = Manager();
    ASSERT_NE(manager, nullptr);
    platform::SetLastError(0);
    EXPECT_EQ(platform::OpenService(manager, "Zefi Server", platform::kServiceAllAccess), nullptr);
    EXPECT_EQ(platform::GetLastError(), platform::kErrorServiceDoesNotExist);
    // A machine without a [services] section has no services at all.
    SetMachine(kDrives);
    manager = Manager();
    ASSERT_NE(manager, nullptr);
    EXPECT_EQ(platform::OpenService(manager, "Other", platform::kServiceQueryStatus), nullptr);
    EXPECT_EQ(platform::GetLastError(), platform::kErrorServiceDoesNotExist);
}

TEST_F(Services, WithoutAdminRightsOnlyReadingIsAllowed) {
    SetMachine(std::string("[system]\nadmin = 0\n") + kDrives +
               "[services]\nZefi Server = running\n");
    platform::SetLastError(0);
    EXPECT_EQ(platform::OpenSCManager(platform::kScManagerAllAccess), nullptr);
    EXPECT_EQ(platform::GetLastError(), platform::kErrorAccessDenied);

    platform::ScHandle manager = Manager(platform::kScManagerConnect);
    ASSERT_NE(manager, nullptr);
    EXPECT_EQ(platform::OpenService(manager, "Zefi Server", platform::kServiceAllAccess), nullptr);
    EXPECT_EQ(platform::GetLastError(), platform::kErrorAccessDenied);

    platform::ScHandle s =
        Keep(platform::OpenService(manager, "Zefi Server", platform::kServiceQueryStatus));
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(State(s), platform::kServiceRunning);
    platform::ServiceStatus status;
    EXPECT_FALSE(platform::ControlService(s, platform::kServiceControlStop, &status));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorAccessDenied);
    EXPECT_EQ(State(s), platform::kServiceRunning);
}

TEST_F(Services, StopWritesStoppedBackAndKeepsTheRestOfMachineIni) {
    SetMachine(std::string("[system]\nadmin = 1 ; full rights\n") + kDrives +
               "[services]\n; the product's server\nZefi Server = running\nOther = paused\n"
               "[dns]\nserver = 127.0.0.1:5353\n");
    platform::ScHandle s = Service("Zefi Server");
    ASSERT_NE(s, nullptr);
    platform::ServiceStatus status;
    ASSERT_TRUE(platform::ControlService(s, platform::kServiceControlStop, &status));
    EXPECT_EQ(status.currentState, platform::kServiceStopped);
    EXPECT_EQ(State(s), platform::kServiceStopped);

    const std::string ini = m_prefix->ReadHostFile("machine.ini");
    EXPECT_NE(ini.find("Zefi Server = stopped\n"), std::string::npos) << ini;
    EXPECT_EQ(ini.find("Zefi Server = running"), std::string::npos) << ini;
    EXPECT_NE(ini.find("Other = paused\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("; the product's server"), std::string::npos) << ini;
    EXPECT_NE(ini.find("admin = 1 ; full rights"), std::string::npos) << ini;
    EXPECT_NE(ini.find("C = drive_c, fixed"), std::string::npos) << ini;
    EXPECT_NE(ini.find("server = 127.0.0.1:5353"), std::string::npos) << ini;

    // The machine read afresh knows the new state.
    platform::ReloadMachine();
    EXPECT_EQ(State(Service("Zefi Server")), platform::kServiceStopped);
}

TEST_F(Services, PausedServiceStopsAndStoppedOneStartsAgain) {
    SetMachine(std::string(kDrives) + "[services]\nZefi Server = paused\n");
    platform::ScHandle s = Service("Zefi Server");
    ASSERT_NE(s, nullptr);
    platform::ServiceStatus status;
    ASSERT_TRUE(platform::ControlService(s, platform::kServiceControlStop, &status));
    EXPECT_EQ(State(s), platform::kServiceStopped);
    ASSERT_TRUE(platform::StartService(s));
    EXPECT_EQ(State(s), platform::kServiceRunning);
    EXPECT_NE(m_prefix->ReadHostFile("machine.ini").find("Zefi Server = running\n"),
              std::string::npos);
}

TEST_F(Services, RequestsThatDoNotFitTheStateFail) {
    SetMachine(std::string(kDrives) +
               "[services]\nStopped = stopped\nRunning = running\nPaused = paused\n"
               "Starting = start_pending\nStopping = stop_pending\n");
    platform::ServiceStatus status;
    platform::ScHandle stopped = Service("Stopped");
    EXPECT_FALSE(platform::ControlService(stopped, platform::kServiceControlStop, &status));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorServiceNotActive);

    for (const char* name : {"Running", "Paused", "Starting", "Stopping"}) {
        platform::ScHandle s = Service(name);
        const uint32_t before = State(s);
        EXPECT_FALSE(platform::StartService(s)) << name;
        EXPECT_EQ(platform::GetLastError(), platform::kErrorServiceAlreadyRunning) << name;
        EXPECT_EQ(State(s), before) << name;
    }
    for (const char* name : {"Starting", "Stopping"}) {
        platform::ScHandle s = Service(name);
        const uint32_t before = State(s);
        EXPECT_FALSE(platform::ControlService(s, platform::kServiceControlStop, &status)) << name;
        EXPECT_EQ(platform::GetLastError(), platform::kErrorServiceCannotAcceptCtrl) << name;
        EXPECT_EQ(State(s), before) << name;
    }
    // Nothing that failed was written back.
    const std::string ini = m_prefix->ReadHostFile("machine.ini");
    EXPECT_NE(ini.find("Starting = start_pending"), std::string::npos) << ini;
    EXPECT_NE(ini.find("Stopping = stop_pending"), std::string::npos) << ini;
    EXPECT_NE(ini.find("Paused = paused"), std::string::npos) << ini;
}

TEST_F(Services, FailedWriteBackKeepsTheOldState) {
    SetMachine(std::string(kDrives) + "[services]\nZefi Server = running\n");
    platform::ScHandle s = Service("Zefi Server");
    ASSERT_NE(s, nullptr);
    // A directory where the new machine.ini would be written makes the write-back fail.
    m_prefix->WriteHostFile("machine.ini.tmp/blocker", "");
    platform::ServiceStatus status;
    EXPECT_FALSE(platform::ControlService(s, platform::kServiceControlStop, &status));
    EXPECT_NE(platform::GetLastError(), 0u);
    EXPECT_EQ(State(s), platform::kServiceRunning);
    EXPECT_NE(m_prefix->ReadHostFile("machine.ini").find("Zefi Server = running"),
              std::string::npos);
}

TEST_F(Services, HandlesAreChecked) {
    SetMachine(std::string(kDrives) + "[services]\nZefi Server = running\n");
    platform::ServiceStatus status;
    platform::SetLastError(0);
    EXPECT_FALSE(platform::QueryServiceStatus(nullptr, &status));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorInvalidHandle);
    EXPECT_FALSE(platform::StartService(nullptr));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorInvalidHandle);

    platform::ScHandle manager = Manager();
    ASSERT_NE(manager, nullptr);
    // A manager handle is not a service handle, and the other way round.
    EXPECT_FALSE(platform::QueryServiceStatus(manager, &status));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorInvalidHandle);
    platform::ScHandle s = Service("Zefi Server");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(platform::OpenService(s, "Zefi Server", platform::kServiceAllAccess), nullptr);
    EXPECT_EQ(platform::GetLastError(), platform::kErrorInvalidHandle);

    // A control that the service does not know.
    EXPECT_FALSE(platform::ControlService(s, 2, &status));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorInvalidServiceControl);

    // A handle opened without the right for an operation cannot do it.
    platform::ScHandle queryOnly =
        Keep(platform::OpenService(manager, "Zefi Server", platform::kServiceQueryStatus));
    ASSERT_NE(queryOnly, nullptr);
    EXPECT_FALSE(platform::ControlService(queryOnly, platform::kServiceControlStop, &status));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorAccessDenied);

    // A closed handle is closed once and is useless afterwards.
    platform::ScHandle extra =
        platform::OpenService(manager, "Zefi Server", platform::kServiceAllAccess);
    ASSERT_NE(extra, nullptr);
    EXPECT_TRUE(platform::CloseServiceHandle(extra));
    EXPECT_FALSE(platform::CloseServiceHandle(extra));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorInvalidHandle);
    EXPECT_FALSE(platform::CloseServiceHandle(nullptr));
}

}  // namespace
