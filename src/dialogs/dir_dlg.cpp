// CDirDlg: the destination directory dialog.
#include "dialogs/dir_dlg.h"

#include "resources/dialogs.h"
#include "ui/folder_browser.h"

namespace zefi {

CDirDlg::CDirDlg() : ui::Dialog(resources::kDlgDir) {}

void CDirDlg::DoDataExchange(ui::DataExchange& dx) { ui::DDX_CodePageText(dx, kEditPath, m_path); }

bool CDirDlg::OnInitDialog() {
    if (m_path.empty()) m_path = kDefaultPath;
    ui::Dialog::OnInitDialog();
    // The edit field has the focus; the dialog says it placed it itself.
    return false;
}

bool CDirDlg::OnCommand(int id) {
    if (id != kButtonBrowse) return false;
    // The browser has no root and no flags; it answers "" when cancelled or when the chosen
    // item has no file-system path, and the path then stays as it was.
    const std::string chosen = ui::BrowseForFolder(kBrowseTitle);
    if (!chosen.empty()) m_path = chosen;
    UpdateData(false);
    return true;
}

}  // namespace zefi
