// RunInstall: the install driver, which carries an installation or update from the source and
// the destination through the install script, the server service, the options, the confirmation
// and the copy run to the program group and the closing messages.
#include "dialogs/copy_dlg.h"
#include "dialogs/options_dlg.h"
#include "dialogs/warn_dlg.h"
#include "driver/server_service.h"
#include "driver/setup_dlg.h"
#include "platform/fs.h"
#include "platform/machine.h"
#include "script/inscfg.h"
#include "system/edition.h"
#include "system/registry_settings.h"
#include "ui/message_box.h"

namespace zefi {

namespace {

// Installing from downloaded disk images is not part of this version; the run says so.
void ShowDownloadNotAvailable() {
    bool slovak = platform::GetThreadUILanguage() == platform::kLangSlovak;
    ui::MessageBox(slovak ? "Inštalácia z internetu nie je v tejto verzii k dispozícii."
                          : "Instalace z internetu není v této verzi k dispozici.",
                   ui::Buttons::Ok, ui::Icon::Information);
}

}  // namespace

void CSetupDlg::RunInstall() {
    // Nothing of an earlier run is carried over: this version keeps no download state, and the
    // decisions below are taken anew.
    m_serverInstallation = 0;

    if (m_source.empty()) {
        std::string current;
        if (platform::GetCurrentDirectory(&current)) SetSource(current);
    }

    if (m_source.size() >= 2 && m_source[0] == '\\' && m_source[1] == '\\') {
        ui::MessageBoxF(kStringNetworkSource, ui::Buttons::Ok, ui::Icon::Error, m_source);
        // The program ends: the menu closes as its Cancel does.
        if (!m_quiet) EndDialog(ui::kIdCancel);
        return;
    }

    if (!SettleDestination()) return;

    // The edition belongs to the installation being updated and must be known before the
    // medium is fetched or its install script is read.
    SlovakEdition = DetermineEdition(m_source, m_downloadMode != 0);

    if (m_downloadMode) {
        ShowDownloadNotAvailable();
        return;
    }

    std::string shortPath;
    if (platform::GetShortPathName(m_destination, &shortPath)) m_destination = shortPath;

    const char* script = SlovakEdition ? "cds.cfg" : "cd.cfg";
    InsCfg scriptFile;
    if (!scriptFile.Open(script)) {
        ui::MessageBoxF(kStringNoScript, ui::Buttons::Ok, ui::Icon::Error, script);
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
            service.RestartOffer(m_quiet != 0);
            return;
        }
        if (!warn.GetBack()) break;
    }

    if (m_saveDestination) WriteInstallDir(m_destination);

    int completed = 0;
    int interrupted = 0;
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
        copy.DoModal();
        completed = copy.GetCompleted();
        interrupted = copy.GetInterrupted();
    }

    if (completed) {
        if (options.GetProgramGroup() && !m_serverInstallation) CreateProgramGroup();
        WriteEdition(SlovakEdition);
        ui::MessageBox(kStringCompleted, ui::Buttons::Ok, ui::Icon::Information);
        service.RestartOffer(m_quiet != 0);
    } else {
        if (interrupted) ui::MessageBox(kStringInterrupted, ui::Buttons::Ok, ui::Icon::None);
        // The service stays stopped after an interrupted run.
        service.Release();
    }
}

}  // namespace zefi
