// Win32 error codes and the per-thread last error that every platform call sets.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Win32 error numbers used by the program. The posix backend maps errno onto these in one table.
enum : uint32_t {
    kErrorSuccess = 0,
    kErrorInvalidFunction = 1,
    kErrorFileNotFound = 2,
    kErrorPathNotFound = 3,
    kErrorTooManyOpenFiles = 4,
    kErrorAccessDenied = 5,
    kErrorInvalidHandle = 6,
    kErrorNotEnoughMemory = 8,
    kErrorInvalidDrive = 15,
    kErrorNotSameDevice = 17,
    kErrorWriteProtect = 19,
    kErrorNotReady = 21,
    kErrorGenFailure = 31,
    kErrorSharingViolation = 32,
    kErrorHandleEof = 38,
    kErrorNotSupported = 50,
    kErrorBadNetPath = 53,
    kErrorFileExists = 80,
    kErrorInvalidParameter = 87,
    kErrorBrokenPipe = 109,
    kErrorDiskFull = 112,
    kErrorInsufficientBuffer = 122,
    kErrorInvalidName = 123,
    kErrorDirNotEmpty = 145,
    kErrorBadPathname = 161,
    kErrorAlreadyExists = 183,
    kErrorFilenameExcedRange = 206,
    kErrorMoreData = 234,
    kErrorNoMoreItems = 259,
    kErrorDirectory = 267,
    kErrorUnrecognizedVolume = 1005,
    kErrorServiceRequestTimeout = 1053,
    kErrorServiceAlreadyRunning = 1056,
    kErrorInvalidServiceControl = 1052,
    kErrorServiceDoesNotExist = 1060,
    kErrorServiceCannotAcceptCtrl = 1061,
    kErrorServiceNotActive = 1062,
    kErrorNoUnicodeTranslation = 1113,
    kErrorIoDevice = 1117,
    kErrorFileCorrupt = 1392,
    kErrorCancelled = 1223,
    kErrorTimeout = 1460,
    kErrorInvalidData = 13,
    kErrorNotFound = 1168,
    kErrorNoData = 232,
};

// The calling thread's last error, as GetLastError / SetLastError on Windows.
uint32_t GetLastError();
void SetLastError(uint32_t code);

// The errno value the C runtime reports for a system error code (as its open functions map
// them: 2 ENOENT, 13 EACCES, 28 ENOSPC, ...).
int32_t CrtErrnoFromError(uint32_t code);

// The system's message text for an error code (FormatMessage without inserts), without a
// trailing line end. Unknown codes give a generic text that names the number.
std::string FormatErrorMessage(uint32_t code);

}  // namespace platform
