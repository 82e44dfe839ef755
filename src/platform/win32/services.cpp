// Service control over the Service Control Manager of the local machine (OpenSCManagerA,
// OpenServiceA, QueryServiceStatus, ControlService, StartServiceA, CloseServiceHandle).
#include "platform/services.h"

#include <mutex>
#include <set>

#include "platform/win32/win_util.h"

// The system's names are macros for their "A" or "W" forms; ours are plain functions.
#undef OpenSCManager
#undef OpenService
#undef StartService

namespace platform {

// The system's handle and what it stands for. Handles given out are kept in a set, so that a
// closed or foreign handle fails with 6 instead of being followed.
struct ScHandleData {
    SC_HANDLE handle = nullptr;
    bool manager = false;
};

namespace {

std::mutex g_handlesLock;
std::set<ScHandle> g_handles;

ScHandle NewHandle(SC_HANDLE handle, bool manager) {
    ScHandle data = new ScHandleData{handle, manager};
    std::lock_guard<std::mutex> lock(g_handlesLock);
    g_handles.insert(data);
    return data;
}

// The system's handle behind an open handle of the kind asked for, or nullptr with 6.
SC_HANDLE SystemHandle(ScHandle handle, bool manager) {
    {
        std::lock_guard<std::mutex> lock(g_handlesLock);
        if (handle != nullptr && g_handles.count(handle) != 0 && handle->manager == manager) {
            return handle->handle;
        }
    }
    win32::Fail(kErrorInvalidHandle);
    return nullptr;
}

void CopyStatus(const SERVICE_STATUS& from, ServiceStatus* to) {
    to->serviceType = from.dwServiceType;
    to->currentState = from.dwCurrentState;
    to->controlsAccepted = from.dwControlsAccepted;
    to->win32ExitCode = from.dwWin32ExitCode;
    to->serviceSpecificExitCode = from.dwServiceSpecificExitCode;
    to->checkPoint = from.dwCheckPoint;
    to->waitHint = from.dwWaitHint;
}

}  // namespace

ScHandle OpenSCManager(uint32_t access) {
    SC_HANDLE manager = ::OpenSCManagerA(nullptr, nullptr, access);
    if (manager == nullptr) {
        win32::FailWithSystemError();
        return nullptr;
    }
    return NewHandle(manager, true);
}

ScHandle OpenService(ScHandle manager, const std::string& name, uint32_t access) {
    SC_HANDLE scm = SystemHandle(manager, true);
    if (scm == nullptr) return nullptr;
    SC_HANDLE service = ::OpenServiceA(scm, name.c_str(), access);
    if (service == nullptr) {
        win32::FailWithSystemError();
        return nullptr;
    }
    return NewHandle(service, false);
}

bool QueryServiceStatus(ScHandle service, ServiceStatus* status) {
    SC_HANDLE handle = SystemHandle(service, false);
    if (handle == nullptr) return false;
    SERVICE_STATUS raw = {};
    if (!::QueryServiceStatus(handle, &raw)) return win32::FailWithSystemError();
    CopyStatus(raw, status);
    return true;
}

bool ControlService(ScHandle service, uint32_t control, ServiceStatus* status) {
    SC_HANDLE handle = SystemHandle(service, false);
    if (handle == nullptr) return false;
    // The program stops services and asks for their state; no other control is passed on.
    if (control != kServiceControlStop && control != kServiceControlInterrogate) {
        return win32::Fail(kErrorInvalidServiceControl);
    }
    SERVICE_STATUS raw = {};
    if (!::ControlService(handle, control, &raw)) return win32::FailWithSystemError();
    CopyStatus(raw, status);
    return true;
}

bool StartService(ScHandle service) {
    SC_HANDLE handle = SystemHandle(service, false);
    if (handle == nullptr) return false;
    if (!::StartServiceA(handle, 0, nullptr)) return win32::FailWithSystemError();
    return true;
}

bool CloseServiceHandle(ScHandle handle) {
    {
        std::lock_guard<std::mutex> lock(g_handlesLock);
        if (handle == nullptr || g_handles.erase(handle) == 0)
            return win32::Fail(kErrorInvalidHandle);
    }
    const bool closed = ::CloseServiceHandle(handle->handle) != 0;
    const DWORD error = ::GetLastError();
    delete handle;
    return closed || win32::FailWith(error, kErrorInvalidHandle);
}

}  // namespace platform
