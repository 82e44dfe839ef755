// The Start menu program group that an installation leaves behind.
#include "driver/setup_dlg.h"
#include "system/csystem.h"
#include "system/log.h"
#include "system/shortcuts.h"

namespace zefi {

void CSetupDlg::CreateProgramGroup() {
    // Without a programs folder the group would land in the root of the current drive.
    if (m_programsFolder.empty()) return;
    std::string group = m_programsFolder + "\\" + kProgramGroupName;
    LogStream unopened;
    CSystem system(unopened);
    system.MakeDirectory(group);
    CShortcuts shortcuts;
    shortcuts.CreateShortcut(group + "\\" + kProductShortcutName,
                             m_destination + "\\" + kProductProgramName, m_destination,
                             kProgramGroupName);
}

}  // namespace zefi
