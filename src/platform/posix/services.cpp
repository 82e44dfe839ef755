// Service control on the emulated machine: the services are the [services] section of
// machine.ini, and stop and start requests write the new state back there.
#include "platform/services.h"

#include <algorithm>
#include <mutex>
#include <set>
#include <string>
#include <utility>

#include "platform/ascii.h"
#include "platform/errors.h"
#include "platform/posix/vfs.h"

namespace platform {

struct ScHandleData {
    bool manager = false;
    uint32_t access = 0;
    std::string name;  // service handles: the service's name as machine.ini writes it
};

namespace {

// Every handle handed out and not closed yet, so that a stale or foreign handle fails with 6
// instead of being followed.
std::mutex g_handlesLock;
std::set<ScHandle> g_handles;

// What a caller without administrator rights may ask of the manager and of a service.
constexpr uint32_t kManagerReadRights = kScManagerConnect | kScManagerEnumerateService |
                                        kScManagerQueryLockStatus | kReadControl | kGenericRead;
constexpr uint32_t kServiceReadRights = kServiceQueryConfig | kServiceQueryStatus |
                                        kServiceEnumerateDependents | kServiceInterrogate |
                                        kReadControl | kGenericRead;

struct StateName {
    uint32_t state;
    const char* text;
};
constexpr StateName kStateNames[] = {
    {kServiceStopped, "stopped"},
    {kServiceStartPending, "start_pending"},
    {kServiceStopPending, "stop_pending"},
    {kServiceRunning, "running"},
    {kServiceContinuePending, "continue_pending"},
    {kServicePausePending, "pause_pending"},
    {kServicePaused, "paused"},
};

// A state text of machine.ini; a text the machine does not know counts as a stopped service.
uint32_t StateFromText(const std::string& text) {
    const std::string t = LowerAscii(TrimBlanks(text));
    for (const StateName& s : kStateNames) {
        if (t == s.text) return s.state;
    }
    return kServiceStopped;
}

const char* TextFromState(uint32_t state) {
    for (const StateName& s : kStateNames) {
        if (s.state == state) return s.text;
    }
    return "stopped";
}

ServiceStatus StatusOf(uint32_t state) {
    ServiceStatus status;
    status.serviceType = kServiceWin32OwnProcess;
    status.currentState = state;
    if (state == kServiceRunning || state == kServicePaused) {
        status.controlsAccepted = kServiceAcceptStop | kServiceAcceptPauseContinue;
    }
    return status;
}

ScHandle NewHandle(ScHandleData data) {
    ScHandle handle = new ScHandleData(std::move(data));
    std::lock_guard<std::mutex> lock(g_handlesLock);
    g_handles.insert(handle);
    return handle;
}

bool IsOpen(ScHandle handle) {
    std::lock_guard<std::mutex> lock(g_handlesLock);
    return handle != nullptr && g_handles.count(handle) != 0;
}

// The [services] entry of a name (case-insensitive), or nullptr. Call with the machine lock.
std::pair<std::string, std::string>* FindService(const std::string& name) {
    const std::string wanted = LowerAscii(name);
    for (auto& entry : posix::GetMachine().services) {
        if (LowerAscii(entry.first) == wanted) return &entry;
    }
    return nullptr;
}

// The entry behind an open service handle that was opened with right. nullptr with the last
// error set otherwise. Call with the machine lock.
std::pair<std::string, std::string>* ServiceOf(ScHandle service, uint32_t right) {
    if (!IsOpen(service) || service->manager) {
        SetLastError(kErrorInvalidHandle);
        return nullptr;
    }
    if ((service->access & right) != right) {
        SetLastError(kErrorAccessDenied);
        return nullptr;
    }
    auto* entry = FindService(service->name);
    if (entry == nullptr) SetLastError(kErrorServiceDoesNotExist);
    return entry;
}

// Records a new state and writes the section back; the old state stays when that fails.
bool ChangeState(std::pair<std::string, std::string>* entry, uint32_t state) {
    std::string old = entry->second;
    entry->second = TextFromState(state);
    if (!posix::SaveServices()) {
        uint32_t error = GetLastError();
        entry->second = old;
        SetLastError(error);
        return false;
    }
    return true;
}

}  // namespace

ScHandle OpenSCManager(uint32_t access) {
    std::lock_guard<std::recursive_mutex> lock(posix::MachineLock());
    if (!posix::GetMachine().admin && (access & ~kManagerReadRights) != 0) {
        SetLastError(kErrorAccessDenied);
        return nullptr;
    }
    ScHandleData data;
    data.manager = true;
    data.access = access;
    return NewHandle(std::move(data));
}

ScHandle OpenService(ScHandle manager, const std::string& name, uint32_t access) {
    if (!IsOpen(manager) || !manager->manager) {
        SetLastError(kErrorInvalidHandle);
        return nullptr;
    }
    std::lock_guard<std::recursive_mutex> lock(posix::MachineLock());
    const auto* entry = FindService(name);
    if (entry == nullptr) {
        SetLastError(kErrorServiceDoesNotExist);
        return nullptr;
    }
    if (!posix::GetMachine().admin && (access & ~kServiceReadRights) != 0) {
        SetLastError(kErrorAccessDenied);
        return nullptr;
    }
    ScHandleData data;
    data.access = access;
    data.name = entry->first;
    return NewHandle(std::move(data));
}

bool QueryServiceStatus(ScHandle service, ServiceStatus* status) {
    std::lock_guard<std::recursive_mutex> lock(posix::MachineLock());
    auto* entry = ServiceOf(service, kServiceQueryStatus);
    if (entry == nullptr) return false;
    *status = StatusOf(StateFromText(entry->second));
    return true;
}

bool ControlService(ScHandle service, uint32_t control, ServiceStatus* status) {
    std::lock_guard<std::recursive_mutex> lock(posix::MachineLock());
    uint32_t right = 0;
    if (control == kServiceControlStop) {
        right = kServiceStop;
    } else if (control == kServiceControlInterrogate) {
        right = kServiceInterrogate;
    } else {
        if (!IsOpen(service) || service->manager) {
            SetLastError(kErrorInvalidHandle);
        } else {
            SetLastError(kErrorInvalidServiceControl);
        }
        return false;
    }
    auto* entry = ServiceOf(service, right);
    if (entry == nullptr) return false;
    const uint32_t state = StateFromText(entry->second);
    if (state == kServiceStopped) {
        SetLastError(kErrorServiceNotActive);
        return false;
    }
    if (control == kServiceControlInterrogate) {
        *status = StatusOf(state);
        return true;
    }
    // Only a running or paused service takes the stop control; one that is still starting or
    // stopping cannot take controls until it settles.
    if ((StatusOf(state).controlsAccepted & kServiceAcceptStop) == 0) {
        SetLastError(kErrorServiceCannotAcceptCtrl);
        return false;
    }
    if (!ChangeState(entry, kServiceStopped)) return false;
    *status = StatusOf(kServiceStopped);
    return true;
}

bool StartService(ScHandle service) {
    std::lock_guard<std::recursive_mutex> lock(posix::MachineLock());
    auto* entry = ServiceOf(service, kServiceStart);
    if (entry == nullptr) return false;
    if (StateFromText(entry->second) != kServiceStopped) {
        SetLastError(kErrorServiceAlreadyRunning);
        return false;
    }
    return ChangeState(entry, kServiceRunning);
}

bool CloseServiceHandle(ScHandle handle) {
    {
        std::lock_guard<std::mutex> lock(g_handlesLock);
        if (handle == nullptr || g_handles.erase(handle) == 0) {
            SetLastError(kErrorInvalidHandle);
            return false;
        }
    }
    delete handle;
    return true;
}

}  // namespace platform
