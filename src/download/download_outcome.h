// How a download run ended and, for a failed one, what failed: the step, the file and the
// code, from which the message that closes a failed run is made.
#pragma once

#include <cstdint>
#include <string>

namespace zefi {

// The step of the run that failed.
enum class DownloadStep : int32_t {
    kNone,           // nothing failed
    kConfiguration,  // the sites list, the package list or their temporary file
    kLocalCheck,     // an image already in the destination directory
    kTransfer,       // the transfer of an image into its file
    kImageCheck,     // the digest or the attach check of a downloaded image
    kSignature,      // the package list's signature refused it
};

// Why a signed package list was refused.
enum class ListRefusal : int32_t {
    kNone,
    kMissing,  // no signature could be fetched
    kBad,      // unreadable, made with another key, or not over this list and comment
    kOlder,    // its serial is lower than the highest one seen
    kExpired,  // its expiry date has passed
};

enum class DownloadEnd : int32_t {
    kVerified,          // the verified image list was handed over
    kFailed,            // a step failed; the failure fields say which
    kCancelled,         // the user cancelled
    kAlreadyInstalled,  // the offered set is installed and the user did not want it again
};

struct DownloadOutcome {
    DownloadEnd end = DownloadEnd::kVerified;
    DownloadStep step = DownloadStep::kNone;
    std::string file;          // the URL of a list or file, or the name of an image
    int32_t curlCode = 0;      // libcurl's code of a failed transfer
    long httpStatus = 0;       // the HTTP status of an answer that was not a success
    uint32_t systemError = 0;  // the system error code of the failed operation
    int32_t status = 0;        // the run result, for failures that are neither of the above
    // For kSignature: why, and the serials (kOlder: the list's and the one kept) or the expiry
    // date (kExpired) as text.
    ListRefusal refusal = ListRefusal::kNone;
    std::string refusalDetail;
    std::string keptSerial;
};

// The text of the message that ends a failed run (string 170): the step and the file (strings
// 173, 151, 152, 153), then the HTTP status (172), the libcurl and system error codes (171) or
// the status (174), and where the log is. A refused package list has its own text (string 190
// with the reason, 191 to 194). In the calling thread's language.
std::string DownloadFailureText(const DownloadOutcome& outcome);

}  // namespace zefi
