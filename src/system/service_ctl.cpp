// CServiceCtl: the product's service through the platform's service control.
#include "system/service_ctl.h"

#include "platform/errors.h"
#include "platform/machine.h"

namespace zefi {

CServiceCtl::CServiceCtl() : m_systemVersion(platform::GetVersion()) {}

CServiceCtl::~CServiceCtl() { Close(); }

bool CServiceCtl::Fail() {
    m_lastError = platform::GetLastError();
    return false;
}

bool CServiceCtl::Connect() {
    // A second Connect starts over rather than leaking the handles of the first.
    Close();
    m_manager = platform::OpenSCManager(platform::kScManagerAllAccess);
    m_stage = 1;
    if (m_manager == nullptr) return Fail();

    m_service = platform::OpenService(m_manager, kServiceName, platform::kServiceAllAccess);
    m_stage = 2;
    if (m_service == nullptr) return Fail();
    if (!platform::QueryServiceStatus(m_service, &m_status)) return Fail();

    m_stage = 3;
    const uint32_t state = m_status.currentState;
    m_stopped = state == platform::kServiceStopped;
    m_startPending = state == platform::kServiceStartPending;
    m_stopPending = state == platform::kServiceStopPending;
    m_running = state == platform::kServiceRunning;
    m_continuePending = state == platform::kServiceContinuePending;
    m_pausePending = state == platform::kServicePausePending;
    m_paused = state == platform::kServicePaused;
    return true;
}

bool CServiceCtl::IsRunning() const { return m_running != 0 || m_paused != 0; }

bool CServiceCtl::IsNtFamily() const { return (m_systemVersion & 0x80000000u) == 0; }

bool CServiceCtl::Stop() {
    if (!platform::ControlService(m_service, platform::kServiceControlStop, &m_status)) {
        return Fail();
    }
    // The flags record what was asked for; a paused service keeps its paused flag, so it still
    // counts as running for the restart offer.
    m_stopped = 1;
    m_running = 0;
    return true;
}

bool CServiceCtl::Start() {
    if (!platform::StartService(m_service)) return Fail();
    m_running = 1;
    m_stopped = 0;
    return true;
}

void CServiceCtl::Close() {
    if (m_service != nullptr) {
        platform::CloseServiceHandle(m_service);
        m_service = nullptr;
    }
    if (m_manager != nullptr) {
        platform::CloseServiceHandle(m_manager);
        m_manager = nullptr;
    }
}

}  // namespace zefi
