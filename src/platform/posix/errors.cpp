// The per-thread last error, the errno translation table and the system texts of Win32 errors.
#include "platform/errors.h"

#include <cerrno>
#include <cstdio>

#include "platform/os_error.h"
#include "platform/posix/vfs.h"

namespace platform {

namespace {

thread_local uint32_t t_lastError = 0;
thread_local int t_lastErrno = 0;

struct ErrorText {
    uint32_t code;
    const char* text;
};

// The English system texts, as FormatMessage gives them without the trailing line end.
constexpr ErrorText kErrorTexts[] = {
    {0, "The operation completed successfully."},
    {1, "Incorrect function."},
    {2, "The system cannot find the file specified."},
    {3, "The system cannot find the path specified."},
    {4, "The system cannot open the file."},
    {5, "Access is denied."},
    {6, "The handle is invalid."},
    {8, "Not enough memory resources are available to process this command."},
    {13, "The data is invalid."},
    {15, "The system cannot find the drive specified."},
    {17, "The system cannot move the file to a different disk drive."},
    {18, "There are no more files."},
    {19, "The media is write protected."},
    {21, "The device is not ready."},
    {31, "A device attached to the system is not functioning."},
    {32, "The process cannot access the file because it is being used by another process."},
    {38, "Reached the end of the file."},
    {50, "The request is not supported."},
    {53, "The network path was not found."},
    {80, "The file exists."},
    {87, "The parameter is incorrect."},
    {109, "The pipe has been ended."},
    {112, "There is not enough space on the disk."},
    {122, "The data area passed to a system call is too small."},
    {123, "The filename, directory name, or volume label syntax is incorrect."},
    {145, "The directory is not empty."},
    {161, "The specified path is invalid."},
    {183, "Cannot create a file when that file already exists."},
    {206, "The filename or extension is too long."},
    {232, "The pipe is being closed."},
    {234, "More data is available."},
    {259, "No more data is available."},
    {267, "The directory name is invalid."},
    {1005,
     "The volume does not contain a recognized file system. Please make sure that all required "
     "file system drivers are loaded and that the volume is not corrupted."},
    {1052, "The requested control is not valid for this service."},
    {1053, "The service did not respond to the start or control request in a timely fashion."},
    {1056, "An instance of the service is already running."},
    {1060, "The specified service does not exist as an installed service."},
    {1061, "The service cannot accept control messages at this time."},
    {1062, "The service has not been started."},
    {1117, "The request could not be performed because of an I/O device error."},
    {1168, "Element not found."},
    {1223, "The operation was canceled by the user."},
    {1392, "The file or directory is corrupted and unreadable."},
    {1460, "This operation returned because the timeout period expired."},
    {10049, "The requested address is not valid in its context."},
    {10050, "A socket operation encountered a dead network."},
    {10051, "A socket operation was attempted to an unreachable network."},
    {10053, "An established connection was aborted by the software in your host machine."},
    {10054, "An existing connection was forcibly closed by the remote host."},
    {10060,
     "A connection attempt failed because the connected party did not properly respond after a "
     "period of time, or established connection failed because connected host has failed to "
     "respond."},
    {10061, "No connection could be made because the target machine actively refused it."},
    {10065, "A socket operation was attempted to an unreachable host."},
};

}  // namespace

uint32_t GetLastError() { return t_lastError; }

void SetLastError(uint32_t code) { t_lastError = code; }

std::string FormatErrorMessage(uint32_t code) {
    for (const ErrorText& e : kErrorTexts) {
        if (e.code == code) return e.text;
    }
    char buf[48];
    std::snprintf(buf, sizeof buf, "Unknown error %u.", static_cast<unsigned>(code));
    return buf;
}

uint32_t SystemErrorFromOsError(long osError) {
    // The network errors keep their own Windows Sockets numbers; MapErrno knows only files.
    switch (osError) {
        case ECONNREFUSED:
            return kWsaConnRefused;
        case ECONNRESET:
            return kWsaConnReset;
        case ECONNABORTED:
            return kWsaConnAborted;
        case ETIMEDOUT:
            return kWsaTimedOut;
        case EHOSTUNREACH:
            return kWsaHostUnreach;
        case ENETUNREACH:
            return kWsaNetUnreach;
        case ENETDOWN:
            return kWsaNetDown;
        case EADDRNOTAVAIL:
            return kWsaAddrNotAvail;
        default:
            return posix::MapErrno(static_cast<int>(osError));
    }
}

namespace posix {

uint32_t MapErrno(int err) {
    switch (err) {
        case 0:
            return kErrorSuccess;
        case ENOENT:
            return kErrorFileNotFound;
        case ENOTDIR:
            return kErrorPathNotFound;
        case EACCES:
        case EPERM:
        case EISDIR:
            return kErrorAccessDenied;
        case EROFS:
            return kErrorWriteProtect;
        case EBUSY:
        case ETXTBSY:
            return kErrorSharingViolation;
        case EEXIST:
            return kErrorAlreadyExists;
        case ENOTEMPTY:
            return kErrorDirNotEmpty;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return kErrorDiskFull;
        case EMFILE:
        case ENFILE:
            return kErrorTooManyOpenFiles;
        case ENOMEM:
            return kErrorNotEnoughMemory;
        case EBADF:
            return kErrorInvalidHandle;
        case EINVAL:
            return kErrorInvalidParameter;
        case ENAMETOOLONG:
            return kErrorFilenameExcedRange;
        case EXDEV:
            return kErrorNotSameDevice;
        case EPIPE:
            return kErrorBrokenPipe;
        case EIO:
            return kErrorIoDevice;
        case ENOTSUP:
            return kErrorNotSupported;
        case ENODEV:
        case ENXIO:
            return kErrorNotReady;
        case ETIMEDOUT:
            return kErrorTimeout;
        case ECANCELED:
            return kErrorCancelled;
        case ELOOP:
            return kErrorPathNotFound;
        default:
            return kErrorGenFailure;
    }
}

bool FailErrno() {
    int err = errno;
    t_lastErrno = err;
    t_lastError = MapErrno(err);
    return false;
}

bool Fail(uint32_t code) {
    t_lastErrno = 0;
    t_lastError = code;
    return false;
}

int LastErrno() { return t_lastErrno; }

}  // namespace posix
}  // namespace platform
