// CServiceCtl: queries, stops and starts the product's background service "Zefi Server" for
// the install driver.
#pragma once

#include <cstdint>

#include "platform/services.h"

namespace zefi {

// Used on the main (UI) thread by the install driver for one installation run: constructed,
// Connect, any number of Stop and Start, Close. Every failed system call keeps its Win32 code in
// GetLastError; the caller picks the message.
class CServiceCtl {
  public:
    // The name of the product's service.
    static constexpr const char* kServiceName = "Zefi Server";

    // Last error, stage and flags 0; reads the system version.
    CServiceCtl();
    // Closes whatever handle is still open.
    ~CServiceCtl();
    CServiceCtl(const CServiceCtl&) = delete;
    CServiceCtl& operator=(const CServiceCtl&) = delete;

    // Opens the local service control manager with all access (stage 1), the service
    // "Zefi Server" with all access (stage 2) and reads its status (stage 3), setting each of
    // the seven state flags to whether the state is that one. False with the last error stored
    // when a step fails (5 without administrator rights, 1060 when the service is missing).
    bool Connect();
    // The running or the paused flag is set.
    bool IsRunning() const;
    // The high bit of the system version is clear.
    bool IsNtFamily() const;
    // Sends the stop control. Success sets stopped and clears running (paused stays as it
    // was); the state is not queried again. False with the last error stored.
    bool Stop();
    // Starts the service without arguments. Success sets running and clears stopped; the
    // state is not queried again. False with the last error stored.
    bool Start();
    // Closes the service handle and the manager handle, whichever is open.
    void Close();

    uint32_t GetLastError() const { return m_lastError; }
    uint32_t GetStage() const { return m_stage; }
    uint32_t GetSystemVersion() const { return m_systemVersion; }
    const platform::ServiceStatus& GetStatus() const { return m_status; }
    bool IsContinuePending() const { return m_continuePending != 0; }
    bool IsPausePending() const { return m_pausePending != 0; }
    bool IsPaused() const { return m_paused != 0; }
    bool IsRunningFlag() const { return m_running != 0; }
    bool IsStartPending() const { return m_startPending != 0; }
    bool IsStopPending() const { return m_stopPending != 0; }
    bool IsStopped() const { return m_stopped != 0; }

  private:
    // Stores the calling thread's last error and returns false.
    bool Fail();

    uint32_t m_lastError = 0;
    // 1 the manager was asked for, 2 the service was asked for, 3 its status was read.
    uint32_t m_stage = 0;
    uint32_t m_systemVersion = 0;
    platform::ScHandle m_service = nullptr;
    platform::ScHandle m_manager = nullptr;
    platform::ServiceStatus m_status;
    int m_continuePending = 0;
    int m_pausePending = 0;
    int m_paused = 0;
    int m_running = 0;
    int m_startPending = 0;
    int m_stopPending = 0;
    int m_stopped = 0;
};

}  // namespace zefi
