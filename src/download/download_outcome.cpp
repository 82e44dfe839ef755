// The message that ends a failed download run.
#include "download/download_outcome.h"

#include "ui/message_box.h"

namespace zefi {

namespace {

enum : uint32_t {
    kStringFailed = 170,
    kStringCurlCode = 171,
    kStringHttpStatus = 172,
    kStringReadFile = 173,
    kStringErrorCode = 174,
    kStringDownloadFile = 151,
    kStringCheckDownloaded = 152,
    kStringCheckFound = 153,
    kStringListRefused = 190,
    kStringNoSignature = 191,
    kStringBadSignature = 192,
    kStringOlderList = 193,
    kStringExpiredList = 194,
};

std::string RefusalText(const DownloadOutcome& outcome) {
    switch (outcome.refusal) {
        case ListRefusal::kMissing:
            return ui::FormatString(kStringNoSignature);
        case ListRefusal::kOlder:
            return ui::FormatString(kStringOlderList, outcome.refusalDetail, outcome.keptSerial);
        case ListRefusal::kExpired:
            return ui::FormatString(kStringExpiredList, outcome.refusalDetail);
        case ListRefusal::kBad:
        case ListRefusal::kNone:
            break;
    }
    return ui::FormatString(kStringBadSignature);
}

std::string StepLine(const DownloadOutcome& outcome) {
    switch (outcome.step) {
        case DownloadStep::kLocalCheck:
            return ui::FormatString(kStringCheckFound, outcome.file);
        case DownloadStep::kTransfer:
            return ui::FormatString(kStringDownloadFile, outcome.file);
        case DownloadStep::kImageCheck:
            return ui::FormatString(kStringCheckDownloaded, outcome.file);
        case DownloadStep::kConfiguration:
        case DownloadStep::kSignature:
        case DownloadStep::kNone:
            break;
    }
    return ui::FormatString(kStringReadFile, outcome.file);
}

std::string CodeLine(const DownloadOutcome& outcome) {
    if (outcome.httpStatus != 0) return ui::FormatString(kStringHttpStatus, outcome.httpStatus);
    if (outcome.curlCode != 0 || outcome.systemError != 0)
        return ui::FormatString(kStringCurlCode, static_cast<long>(outcome.curlCode),
                                static_cast<long>(outcome.systemError));
    return ui::FormatString(kStringErrorCode, static_cast<long>(outcome.status));
}

}  // namespace

std::string DownloadFailureText(const DownloadOutcome& outcome) {
    if (outcome.step == DownloadStep::kSignature)
        return ui::FormatString(kStringListRefused, RefusalText(outcome));
    return ui::FormatString(kStringFailed, StepLine(outcome), CodeLine(outcome));
}

}  // namespace zefi
