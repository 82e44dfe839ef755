// The product's server service around an installation run: whether this machine is a server
// installation, stopping "Zefi Server" before copying and offering to start it afterwards.
#pragma once

#include <memory>

#include "system/service_ctl.h"

namespace zefi {

// Whether the destination is a server installation of the product: the service "Zefi Server"
// exists on this machine. Opens the service for querying only, so that it answers also without
// administrator rights. False when the service control manager cannot be reached.
bool IsServerInstallation();

// The service object of one run of the install driver. Main thread only.
class ServerService {
  public:
    // What StopBeforeCopy did.
    enum class StopResult {
        kNotRunning,  // the service was not running or paused (or the system is not NT)
        kStopped,     // the stop request was sent; the run may go on
        kDeclined,    // the user answered No to string 145; the run ends
        kFailed,      // the stop request failed and string 144 was shown; the run ends
    };

    // Strings shown by this class.
    static constexpr uint32_t kStringStopFailed = 144;
    static constexpr uint32_t kStringAskStop = 145;
    static constexpr uint32_t kStringAskStart = 146;
    static constexpr uint32_t kStringStartFailed = 147;

    ServerService() = default;
    ServerService(const ServerService&) = delete;
    ServerService& operator=(const ServerService&) = delete;

    // Connects to "Zefi Server" with full access. False, keeping no object, when it cannot be
    // opened (for example without administrator rights): the run then goes on without any
    // service handling.
    bool Open();
    bool IsOpen() const { return m_service != nullptr; }

    // Before copying: when the service is open, the system is of the NT family and the service
    // is running or paused, asks string 145 (not in quiet mode) and sends the stop request; a
    // failed request shows string 144. The driver does not wait for the service to stop.
    StopResult StopBeforeCopy(bool quiet);

    // The restart offer: when the service is open, the system is of the NT family and the
    // service is neither running nor paused, starts it without asking in quiet mode when this
    // run stopped it, otherwise asks string 146 and starts it only on Yes; a failed start shows
    // string 147. In every case the service object is released afterwards.
    void RestartOffer(bool quiet);

    // Closes and drops the service object; a later RestartOffer does nothing.
    void Release();

    // Whether this run sent the stop request.
    bool StoppedByUs() const { return m_stoppedByUs; }

  private:
    std::unique_ptr<CServiceCtl> m_service;
    bool m_stoppedByUs = false;
};

}  // namespace zefi
