// CSetupApp: the start-up of the program.
#include "app/setup_app.h"

#include <utility>

#include "app/crash_dump.h"
#include "app/medium.h"
#include "app/relaunch.h"
#include "app/usage.h"
#include "driver/setup_dlg.h"
#include "platform/crashdump.h"
#include "platform/instance.h"
#include "platform/machine.h"
#include "platform/ole.h"
#include "system/registry_settings.h"
#include "ui/message_box.h"

namespace zefi {

CSetupApp::CSetupApp(std::string commandLine) : m_commandLine(std::move(commandLine)) {}

bool CSetupApp::InitInstance() {
    platform::InstallCrashFilter(WriteCrashDump);

    // Any language but Slovak gets the Czech templates and string table.
    if (platform::GetSystemDefaultLangID() == platform::kLangSlovak) {
        platform::SetThreadUILanguage(platform::kLangSlovak);
    }

    // -? and -s are asked for by the person who starts the program, so the command line
    // counts for them even when AutoParam replaces it for everything else.
    const StartParameters typed = ParseStartParameters(m_commandLine);
    if (typed.usage) {
        ShowUsage();
        m_outcome = Outcome::kUsage;
        return false;
    }

    if (platform::IsTitleOpen(kTitleCzech) || platform::IsTitleOpen(kTitleSlovak)) {
        m_outcome = Outcome::kSecondInstance;
        return false;
    }

    std::string autoParam = ReadAutoParam();
    m_parameters = ParseStartParameters(autoParam.empty() ? m_commandLine : autoParam);
    if (m_parameters.usage) {
        ShowUsage();
        m_outcome = Outcome::kUsage;
        return false;
    }
    if (m_parameters.cleanup) {
        DeleteSetupCopies(m_parameters.cleanupDirectory);
        m_outcome = Outcome::kCleanup;
        return false;
    }
    if (typed.autoAnswer || m_parameters.autoAnswer) {
        m_answered = std::make_unique<AnsweredMessages>(AutoAnswerDefaults());
        m_answered->Install();
    }
    m_sourceDirectory = m_parameters.source;

    // Outside a medium the check leaves download mode set and start-up goes on.
    if (!m_parameters.explicitStart && IsInstallationMedium(&m_downloadMode) &&
        RelaunchFromTemp()) {
        m_outcome = Outcome::kRelaunched;
        return false;
    }

    if (!platform::InitializeOle()) {
        ui::MessageBox(kStringOleFailed, ui::Buttons::Ok, ui::Icon::None);
        m_outcome = Outcome::kOleFailed;
        return false;
    }

    m_destination = m_parameters.destination;
    if (m_destination.empty()) m_destination = ReadInstallDir();
    if (!m_destination.empty() && m_destination.back() != '\\') m_destination += '\\';

    CSetupDlg dialog;
    dialog.SetSource(m_sourceDirectory);
    dialog.SetDestination(m_destination);
    dialog.SetSaveDestination(m_parameters.saveDestination);
    dialog.SetDownloadMode(m_downloadMode);
    dialog.SetMasterAddress(m_parameters.masterAddress);
    dialog.SetProxy(m_parameters.proxy);
    dialog.SetProxyUser(m_parameters.proxyUser);
    dialog.SetProxyPassword(m_parameters.proxyPassword);

    if (m_parameters.quiet) {
        dialog.SetQuiet(m_parameters.quiet);
        dialog.SetSkipOptions(m_parameters.skipOptions);
        dialog.SetOptions(m_parameters.options);
        dialog.RunInstall();
        m_outcome = Outcome::kUnattended;
    } else {
        dialog.DoModal();
        m_outcome = Outcome::kMainMenu;
    }
    m_runOutcome = dialog.GetRunOutcome();
    return false;
}

}  // namespace zefi
