// The Win32 numbers of operating-system errors that a library reports in its own terms, such
// as the network error behind a failed transfer.
#pragma once

#include <cstdint>

namespace platform {

// Windows Sockets errors, as GetLastError reports them after a failed network call.
enum : uint32_t {
    kWsaAddrNotAvail = 10049,
    kWsaNetDown = 10050,
    kWsaNetUnreach = 10051,
    kWsaConnAborted = 10053,
    kWsaConnReset = 10054,
    kWsaTimedOut = 10060,
    kWsaConnRefused = 10061,
    kWsaHostUnreach = 10065,
};

// The Win32 number of an operating-system error number that a library hands back, such as
// libcurl's CURLINFO_OS_ERRNO after a failed connection: on Windows it already is one (a
// Windows Sockets code), the posix backend translates errno. 0 stays 0.
uint32_t SystemErrorFromOsError(long osError);

}  // namespace platform
