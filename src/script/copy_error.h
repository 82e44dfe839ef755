// The copy error step of the script engine: the texts of the error dialog for a failed action
// and the Retry or Exit choice, shown through the dialog layer's presenter.
#pragma once

#include <cstdint>
#include <string>

#include "script/mbstring.h"

namespace zefi {

// The error record of a group (CInsGrp): filled by a failed action from CSystem or CTextFile,
// read and updated by ShowCopyError.
struct CopyErrorRecord {
    int retry = 0;          // set when the user chose Retry
    int32_t errorCode = 0;  // system error code of the failure (0: take the thread's last error)
    int errorIsWrite = 0;   // 1: the failure concerned the destination (written name)
    CMBString writeName;    // the file or directory being written
    CMBString readName;     // the file being read
    int stop = 0;           // the group's stop flag: set by Exit, and by anything that ends the run
};

// The three texts of the copy error dialog (UTF-8, ready to show).
struct CopyErrorTexts {
    std::string headline;
    std::string detail;
    std::string code;
};

// Shows the copy error dialog (CErrorDlg). Implemented in the dialog layer; tests use doubles.
class ErrorDialogPresenter {
  public:
    virtual ~ErrorDialogPresenter() = default;
    // Shows the dialog modally on the calling thread (the copy worker) with the headline, the
    // detail line and the error-code line. True when the user chose Retry; false for Exit or
    // when the dialog was closed.
    virtual bool ShowCopyError(const CopyErrorTexts& texts) = 0;
};

// The error code as the dialog prints it: the signed number converted to a double, written with
// 10 significant digits and cut at the decimal point ("0" for a negative exponent form).
std::string FormatErrorCode(int32_t code);

// The texts for a failed action with code actionCode (1 to 5 copying, 6 "mkdir", 7 "d", others)
// and its argument, in the calling thread's UI language. When record->errorCode is 0 the
// thread's last error is taken and stored into the record first.
CopyErrorTexts BuildCopyErrorTexts(CopyErrorRecord* record, int actionCode,
                                   const CMBString& argument);

// The engine's error step: does nothing when record->stop is already set; otherwise builds the
// texts and shows them through presenter. Retry sets record->retry, Exit sets record->stop.
// Without a presenter the step counts as Exit.
void ShowCopyError(CopyErrorRecord* record, int actionCode, const CMBString& argument,
                   ErrorDialogPresenter* presenter);

}  // namespace zefi
