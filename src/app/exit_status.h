// The process's exit status: one documented number for each way a start can end, so that
// deployment tools can tell the outcomes apart.
#pragma once

#include "app/setup_app.h"

namespace zefi {

enum ExitStatusCode : int {
    kExitSuccess = 0,             // completed (string 111), or the menu closed without a run
    kExitScriptQuit = 1,          // the install script ended the run with "quit", whose
                                  // exit code the script language has always fixed as 1
    kExitBadCommandLine = 2,      // bad command line or unreadable answers file
    kExitCancelled = 3,           // the user cancelled a dialog of the run
    kExitInterrupted = 4,         // copy run interrupted (string 112)
    kExitCopyError = 5,           // a copy error answered with Exit
    kExitScriptMissing = 6,       // install script missing (string 107)
    kExitDestinationRefused = 7,  // strings 106, 108, 110, or a quiet destination refused
    kExitServiceNotStopped = 8,   // string 144
    kExitDownloadFailed = 9,      // the download run ended without a verified image list
    kExitAlreadyInstalled = 10,   // string 162 answered No
    kExitAnotherRunActive = 11,   // another run or setup window is active on this machine
    kExitInternalFailure = 12,    // an unexpected failure of the program itself (string 100,
                                  // an exception that reached main)
};

// The exit status for the way the last installation run ended (kExitSuccess for none).
int ExitStatusOf(RunOutcome outcome);

// The exit status for the way InitInstance ended.
int ExitStatus(const CSetupApp& app);

}  // namespace zefi
