// Stopping and restarting the product's server service around an installation run.
#include "driver/server_service.h"

#include "platform/services.h"
#include "ui/message_box.h"

namespace zefi {

bool IsServerInstallation() {
    platform::ScHandle manager = platform::OpenSCManager(platform::kScManagerConnect);
    if (manager == nullptr) return false;
    platform::ScHandle service =
        platform::OpenService(manager, CServiceCtl::kServiceName, platform::kServiceQueryStatus);
    bool exists = service != nullptr;
    if (service != nullptr) platform::CloseServiceHandle(service);
    platform::CloseServiceHandle(manager);
    return exists;
}

bool ServerService::Open() {
    Release();
    auto service = std::make_unique<CServiceCtl>();
    if (!service->Connect()) {
        service->Close();
        return false;
    }
    m_service = std::move(service);
    return true;
}

ServerService::StopResult ServerService::StopBeforeCopy(bool quiet) {
    if (!m_service || !m_service->IsNtFamily() || !m_service->IsRunning())
        return StopResult::kNotRunning;
    if (!quiet &&
        ui::MessageBox(kStringAskStop, ui::Buttons::YesNo, ui::Icon::Exclamation) != ui::kIdYes) {
        return StopResult::kDeclined;
    }
    if (!m_service->Stop()) {
        ui::MessageBox(kStringStopFailed, ui::Buttons::Ok, ui::Icon::Error);
        return StopResult::kFailed;
    }
    m_stoppedByUs = true;
    return StopResult::kStopped;
}

void ServerService::RestartOffer(bool quiet) {
    if (!m_service) return;
    if (m_service->IsNtFamily() && !m_service->IsRunning()) {
        bool start = (quiet && m_stoppedByUs) || ui::MessageBox(kStringAskStart, ui::Buttons::YesNo,
                                                                ui::Icon::Question) == ui::kIdYes;
        if (start && !m_service->Start())
            ui::MessageBox(kStringStartFailed, ui::Buttons::Ok, ui::Icon::Error);
    }
    Release();
}

void ServerService::Release() {
    if (m_service) m_service->Close();
    m_service.reset();
}

}  // namespace zefi
