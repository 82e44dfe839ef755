// RunInstall: the install driver, which carries an installation or update from the source and
// the destination (and, in download mode, the downloaded disk images) through the install
// script, the server service, the options, the confirmation and the copy run to the program
// group and the closing messages.
#include <utility>

#include "dialogs/copy_dlg.h"
#include "dialogs/options_dlg.h"
#include "dialogs/warn_dlg.h"
#include "driver/server_service.h"
#include "driver/setup_dlg.h"
#include "platform/errors.h"
#include "platform/fs.h"
#include "platform/instance.h"
#include "script/inscfg.h"
#include "system/answered_messages.h"
#include "system/edition.h"
#include "system/registry_settings.h"
#include "ui/message_box.h"

namespace zefi {

void CSetupDlg::RunInstall() {
    // One run at a time on this machine: a second one, whatever its destination, is refused
    // before it changes anything (shortcuts, the service, the destination). The lock is held
    // until this function returns and dies with the process.
    platform::RunLock runLock;
    if (!runLock.TryAcquire() && platform::GetLastError() == platform::kErrorAlreadyExists) {
        ui::MessageBox(kStringAnotherRunActive, ui::Buttons::Ok, ui::Icon::Exclamation);
        m_runOutcome = RunOutcome::kAnotherRunActive;
        return;
    }

    // With -s the boxes of this run go into its install log.
    AnsweredMessages::RunScope answered;
    // Nothing of an earlier run is carried over: its images are no longer attached, held or
    // marked for deletion, and the decisions below are taken anew.
    ReleaseDownloadState();
    m_serverInstallation = 0;
    // Releases the download state of a run that ends before its copy run is over: nothing of
    // it (the attached image, the image list) may outlive a run that installed nothing. Past
    // the copy run it stays, for AfterCopy.
    class DownloadStateGuard {
      public:
        explicit DownloadStateGuard(CSetupDlg& setup) : m_setup(setup) {}
        ~DownloadStateGuard() {
            if (!m_kept) m_setup.ReleaseDownloadState();
        }
        DownloadStateGuard(const DownloadStateGuard&) = delete;
        DownloadStateGuard& operator=(const DownloadStateGuard&) = delete;
        void Keep() { m_kept = true; }

      private:
        CSetupDlg& m_setup;
        bool m_kept = false;
    } downloadState(*this);

    if (m_source.empty()) {
        std::string current;
        if (platform::GetCurrentDirectory(&current)) SetSource(current);
    }

    if (m_source.size() >= 2 && m_source[0] == '\\' && m_source[1] == '\\') {
        ui::MessageBoxF(kStringNetworkSource, ui::Buttons::Ok, ui::Icon::Error,
                        ui::CodePage(m_source));
        m_runOutcome = RunOutcome::kDestinationRefused;
        // The program ends: the menu closes as its Cancel does.
        if (!m_quiet) EndDialog(ui::kIdCancel);
        return;
    }

    if (!SettleDestination()) return;

    // The edition belongs to the installation being updated and must be known before the
    // medium is fetched or its install script is read.
    SlovakEdition = DetermineEdition(m_source, m_destination, m_downloadMode != 0);

    // The download branch has shown its own messages when it fails, and may name a more
    // precise outcome than the failed download.
    if (m_downloadMode) {
        m_runOutcome = RunOutcome::kDownloadFailed;
        if (!RunDownloadBranch()) return;
    }

    std::string shortPath;
    if (platform::GetShortPathName(m_destination, &shortPath)) m_destination = shortPath;

    const char* script = SlovakEdition ? "cds.cfg" : "cd.cfg";
    InsCfg scriptFile;
    if (!scriptFile.Open(script)) {
        ui::MessageBoxF(kStringNoScript, ui::Buttons::Ok, ui::Icon::Error, script);
        m_runOutcome = RunOutcome::kScriptMissing;
        return;
    }

    m_serverInstallation = IsServerInstallation() ? 1 : 0;
    ServerService service;
    bool serviceOpen = false;
    if (m_serverInstallation) {
        serviceOpen = service.Open();
        ServerService::StopResult stop = service.StopBeforeCopy(m_quiet != 0);
        if (stop == ServerService::StopResult::kDeclined ||
            stop == ServerService::StopResult::kFailed) {
            m_runOutcome = stop == ServerService::StopResult::kFailed
                               ? RunOutcome::kServiceNotStopped
                               : RunOutcome::kCancelled;
            service.Release();
            return;
        }
    }

    COptions options;
    for (;;) {
        options.SetDestination(m_destination);
        options.SetSource(m_source);
        options.SetQuiet(m_quiet);
        options.SetOptionsText(m_options);
        if (m_skipOptions) {
            options.ApplyWithoutShowing();
        } else if (options.DoModal() != ui::kIdOk) {
            m_runOutcome = RunOutcome::kCancelled;
            service.RestartOffer(m_quiet != 0);
            return;
        }
        if (m_quiet) break;

        CWarnDlg warn;
        warn.SetHideServiceNote(m_serverInstallation && !serviceOpen ? 0 : 1);
        warn.SetDestination(m_destination);
        warn.SetTotalText(options.GetTotalText());
        warn.SetFreeText(options.GetFreeSpaceText());
        warn.SetBack(0);
        if (warn.DoModal() != ui::kIdOk) {
            m_runOutcome = RunOutcome::kCancelled;
            service.RestartOffer(m_quiet != 0);
            return;
        }
        if (!warn.GetBack()) break;
    }

    // The recorded edition describes the installation that InstallDir names, so the two are
    // written together: a run with -O to another directory leaves both alone.
    if (m_saveDestination && WriteInstallDir(m_destination)) WriteEdition(SlovakEdition);

    int completed = 0;
    int interrupted = 0;
    InstallContext::StopReason stopReason = InstallContext::StopReason::kNone;
    {
        CCopyDlg copy;
        copy.SetSourceRoot(m_source);
        copy.SetDestinationRoot(m_destination);
        copy.SetChoosePartsAnew(options.GetChooseAnew());
        copy.SetOnlyNewer(options.GetOnlyNewer());
        copy.SetDeleteFromDisk(options.GetDeleteFromDisk());
        copy.SetLiterature(options.GetLiterature());
        copy.SetOtherCountry(options.GetOtherTexts());
        copy.SetNetMaster(options.GetNetMaster());
        copy.SetNetInst(options.GetNetInst());
        if (m_imageHandle && m_imageList) {
            copy.SetDiskImages(std::move(m_imageHandle), m_imageList.get(), m_longDestination);
        }
        copy.DoModal();
        completed = copy.GetCompleted();
        interrupted = copy.GetInterrupted();
        stopReason = copy.GetStopReason();
        // An image the copy run left attached comes back, for AfterCopy to close.
        if (ImageHandle left = copy.TakeImageHandle()) m_imageHandle = std::move(left);
    }

    if (stopReason == InstallContext::StopReason::kQuit) {
        // The script ended the program: nothing more is shown, started or recorded, and the
        // menu closes so that the program ends with the status of "quit".
        m_runOutcome = RunOutcome::kScriptQuit;
        service.Release();
        if (!m_quiet) EndDialog(ui::kIdCancel);
        return;
    }

    // Past the copy run the images stay: attached again for the product, and recorded or
    // kept for a later run by AfterCopy.
    downloadState.Keep();
    if (completed) {
        m_runOutcome = RunOutcome::kCompleted;
        if (options.GetProgramGroup() && !m_serverInstallation) CreateProgramGroup();
        ui::MessageBox(kStringCompleted, ui::Buttons::Ok, ui::Icon::Information);
        service.RestartOffer(m_quiet != 0);
        if (m_imageList) AfterCopy(true);
    } else {
        m_runOutcome = stopReason == InstallContext::StopReason::kCopyErrorExit
                           ? RunOutcome::kCopyErrorExit
                           : RunOutcome::kInterrupted;
        if (interrupted) ui::MessageBox(kStringInterrupted, ui::Buttons::Ok, ui::Icon::None);
        // The service stays stopped after an interrupted run.
        service.Release();
        // The images stay on disk for a later run, and no image set is recorded as installed.
        if (m_imageList) AfterCopy(false);
    }
}

}  // namespace zefi
