// How the last installation run ended, for the process's exit status and for callers that
// need more than what the dialogs showed.
#pragma once

namespace zefi {

// Set by RunInstall on every path that ends a run; kNone until a run has been made.
enum class RunOutcome {
    kNone,                      // no run yet (the main menu was closed without one)
    kCompleted,                 // string 111
    kCancelled,                 // the user cancelled a dialog of the run
    kInterrupted,               // copy run interrupted (string 112)
    kCopyErrorExit,             // a copy error answered with Exit
    kScriptMissing,             // string 107
    kDestinationRefused,        // strings 106, 108, 110, or a quiet destination failed its checks
    kServiceNotStopped,         // string 144
    kDownloadFailed,            // the download run ended without a verified image list
    kAlreadyInstalledDeclined,  // string 162 answered No
    kAnotherRunActive,          // another run holds the machine-wide run lock
    kScriptQuit,                // the install script ended the run with "quit"
};

}  // namespace zefi
