// Service control (the Service Control Manager): open the manager and a service, query its
// status, send the stop control, start it, close the handles.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Service states, numbered as SERVICE_STATUS.dwCurrentState.
enum : uint32_t {
    kServiceStopped = 1,
    kServiceStartPending = 2,
    kServiceStopPending = 3,
    kServiceRunning = 4,
    kServiceContinuePending = 5,
    kServicePausePending = 6,
    kServicePaused = 7,
};

// Access rights (the Win32 values).
enum : uint32_t {
    kScManagerConnect = 0x0001,
    kScManagerEnumerateService = 0x0004,
    kScManagerQueryLockStatus = 0x0010,
    kScManagerAllAccess = 0xF003F,
    kServiceQueryConfig = 0x0001,
    kServiceQueryStatus = 0x0004,
    kServiceEnumerateDependents = 0x0008,
    kServiceStart = 0x0010,
    kServiceStop = 0x0020,
    kServiceInterrogate = 0x0080,
    kServiceAllAccess = 0xF01FF,
    kReadControl = 0x20000,
    kGenericRead = 0x80000000,
};

// Control codes and the controls a service accepts.
enum : uint32_t {
    kServiceControlStop = 1,
    kServiceControlInterrogate = 4,
    kServiceAcceptStop = 0x1,
    kServiceAcceptPauseContinue = 0x2,
    kServiceWin32OwnProcess = 0x10,
};

// SERVICE_STATUS.
struct ServiceStatus {
    uint32_t serviceType = 0;
    uint32_t currentState = 0;
    uint32_t controlsAccepted = 0;
    uint32_t win32ExitCode = 0;
    uint32_t serviceSpecificExitCode = 0;
    uint32_t checkPoint = 0;
    uint32_t waitHint = 0;
};

// An open handle of the manager or of one service (SC_HANDLE); nullptr is no handle.
struct ScHandleData;
using ScHandle = ScHandleData*;

// OpenSCManager(local machine, default database, access). nullptr with the last error on
// failure: 5 when access asks for more than connecting, enumerating and reading and the
// caller has no administrator rights.
ScHandle OpenSCManager(uint32_t access);

// OpenService(manager, name, access); names match case-insensitively. nullptr with the last
// error on failure: 6 when manager is not an open manager handle, 1060 when no service has that
// name, 5 when access asks for control rights without administrator rights.
ScHandle OpenService(ScHandle manager, const std::string& name, uint32_t access);

// QueryServiceStatus. False with the last error: 6 for a handle that is not an open service
// handle, 5 when it was opened without kServiceQueryStatus.
bool QueryServiceStatus(ScHandle service, ServiceStatus* status);

// ControlService. Only kServiceControlStop and kServiceControlInterrogate are supported (others
// fail with 1052). *status receives the state after the control. Stop needs kServiceStop (else
// 5); a stopped service fails with 1062, one that cannot take the control now (a pending state)
// with 1061. Stopping does not wait for the service: the state asked for is recorded.
bool ControlService(ScHandle service, uint32_t control, ServiceStatus* status);

// StartService without arguments. Needs kServiceStart (else 5); a service that is not stopped
// fails with 1056. Starting does not wait for the service: the state asked for is recorded.
bool StartService(ScHandle service);

// CloseServiceHandle. False with 6 for nullptr or a handle that is not open.
bool CloseServiceHandle(ScHandle handle);

}  // namespace platform
