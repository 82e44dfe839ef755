// The C runtime's mapping of system error codes to errno values.
#include "platform/errors.h"

namespace platform {

int32_t CrtErrnoFromError(uint32_t code) {
    switch (code) {
        case kErrorFileNotFound:
        case kErrorPathNotFound:
        case kErrorInvalidDrive:
        case kErrorBadNetPath:
            return 2;  // ENOENT
        case kErrorTooManyOpenFiles:
            return 24;  // EMFILE
        case kErrorAccessDenied:
        case kErrorWriteProtect:
        case kErrorSharingViolation:
        case kErrorDirectory:
            return 13;  // EACCES
        case kErrorNotEnoughMemory:
            return 12;  // ENOMEM
        case kErrorFileExists:
        case kErrorAlreadyExists:
            return 17;  // EEXIST
        case kErrorDiskFull:
            return 28;  // ENOSPC
        default:
            return 22;  // EINVAL
    }
}

}  // namespace platform
