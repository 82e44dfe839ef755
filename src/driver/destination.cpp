// The destination of an installation run: where it comes from (the parameters, the registry,
// the old program-group shortcut, the search) and the checks it must pass.
#include "dialogs/dir_dlg.h"
#include "dialogs/search_dlg.h"
#include "driver/setup_dlg.h"
#include "platform/fs.h"
#include "system/csystem.h"
#include "system/log.h"
#include "system/registry_settings.h"
#include "system/shortcuts.h"
#include "ui/message_box.h"

namespace zefi {

namespace {

// The length of "\" + "Zefiwin.exe" at the end of the product shortcut's target.
constexpr size_t kProgramSuffixLength = 12;

bool IsDirectory(const std::string& path) {
    uint32_t attributes = platform::GetFileAttributes(path);
    return attributes != platform::kInvalidFileAttributes &&
           (attributes & platform::kAttrDirectory) != 0;
}

}  // namespace

bool CSetupDlg::SettleDestination() {
    if (m_destination.empty()) SetDestination(ReadInstallDir());

    {
        CShortcuts shortcuts;
        m_programsFolder = shortcuts.GetProgramsFolder();
        if (!m_quiet && !m_programsFolder.empty()) {
            std::string group = m_programsFolder + "\\" + kProgramGroupName + "\\";
            // Update shortcuts of older versions go; it does not matter when there are none.
            platform::DeleteFile(group + kOldUpdateShortcutLnk);
            platform::DeleteFile(group + kOldUpdateShortcutPif);
            std::string target = shortcuts.GetShortcutTarget(group + kProductShortcutName);
            // A target too short to end in "\Zefiwin.exe" names no installation directory.
            if (m_destination.empty() && target.size() > kProgramSuffixLength)
                m_destination = target.substr(0, target.size() - kProgramSuffixLength);
        }
    }

    bool searched = false;
    if (m_destination.empty()) {
        SearchDlg search;
        search.DoModal();
        m_destination = search.GetFoundPath();
        searched = true;
    }

    // What the destination dialog shows: the proposal, and after a failed check the text as the
    // user typed it (the check drops a trailing backslash from the destination itself).
    std::string shown = m_destination;
    for (;;) {
        if (!m_quiet || searched) {
            CDirDlg dirDlg;
            if (!shown.empty()) dirDlg.SetPath(shown);
            if (dirDlg.DoModal() != ui::kIdOk) {
                m_runOutcome = RunOutcome::kCancelled;
                return false;
            }
            shown = dirDlg.GetPath();
            m_destination = shown;
        }
        bool endRun = false;
        if (AcceptDestination(&endRun)) return true;
        if (endRun) {
            m_runOutcome = RunOutcome::kCancelled;  // string 109 answered No
            return false;
        }
        // Without the destination dialog the same destination would fail the same check
        // again and again: an unattended run ends with the message instead.
        if (m_quiet && !searched) {
            m_runOutcome = RunOutcome::kDestinationRefused;
            return false;
        }
    }
}

bool CSetupDlg::AcceptDestination(bool* endRun) {
    *endRun = false;
    if (m_destination.size() > 1 && m_destination.back() == '\\') m_destination.pop_back();

    if (m_destination.size() > 3) {
        if (IsDirectory(m_destination)) return true;
        if (ui::MessageBoxF(kStringCreateDirectory, ui::Buttons::YesNo, ui::Icon::Question,
                            ui::CodePage(m_destination)) != ui::kIdYes) {
            *endRun = true;
            return false;
        }
        LogStream unopened;
        CSystem system(unopened);
        if (system.MakeDirectory(m_destination)) return true;
        ui::MessageBoxF(kStringCreateFailed, ui::Buttons::Ok, ui::Icon::Error,
                        ui::CodePage(m_destination));
        return false;
    }

    // A drive such as "C:". An empty destination names no drive at all.
    uint32_t type = platform::kDriveUnknown;
    if (!m_destination.empty()) type = platform::GetDriveType(m_destination + "\\");
    if (type > platform::kDriveNoRootDir) return true;
    ui::MessageBoxF(kStringUnknownDrive, ui::Buttons::Ok, ui::Icon::Question,
                    ui::CodePage(m_destination));
    return false;
}

}  // namespace zefi
