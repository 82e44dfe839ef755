// The mapping of start-up outcomes and run outcomes to exit statuses.
#include "app/exit_status.h"

namespace zefi {

int ExitStatusOf(RunOutcome outcome) {
    switch (outcome) {
        case RunOutcome::kNone:
        case RunOutcome::kCompleted:
            return kExitSuccess;
        case RunOutcome::kCancelled:
            return kExitCancelled;
        case RunOutcome::kInterrupted:
            return kExitInterrupted;
        case RunOutcome::kCopyErrorExit:
            return kExitCopyError;
        case RunOutcome::kScriptMissing:
            return kExitScriptMissing;
        case RunOutcome::kDestinationRefused:
            return kExitDestinationRefused;
        case RunOutcome::kServiceNotStopped:
            return kExitServiceNotStopped;
        case RunOutcome::kDownloadFailed:
            return kExitDownloadFailed;
        case RunOutcome::kAlreadyInstalledDeclined:
            return kExitAlreadyInstalled;
        case RunOutcome::kAnotherRunActive:
            return kExitAnotherRunActive;
        case RunOutcome::kScriptQuit:
            return kExitScriptQuit;
    }
    return kExitInternalFailure;
}

int ExitStatus(const CSetupApp& app) {
    switch (app.GetOutcome()) {
        case CSetupApp::Outcome::kSecondInstance:
            return kExitAnotherRunActive;
        case CSetupApp::Outcome::kOleFailed:
            return kExitInternalFailure;
        case CSetupApp::Outcome::kUnattended:
        case CSetupApp::Outcome::kMainMenu:
            return ExitStatusOf(app.GetRunOutcome());
        case CSetupApp::Outcome::kNone:
        case CSetupApp::Outcome::kCleanup:
        case CSetupApp::Outcome::kRelaunched:
        case CSetupApp::Outcome::kUsage:
            return kExitSuccess;
    }
    return kExitInternalFailure;
}

}  // namespace zefi
