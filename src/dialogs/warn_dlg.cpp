// CWarnDlg: the confirmation before copying.
#include "dialogs/warn_dlg.h"

#include "platform/fs.h"
#include "resources/dialogs.h"

namespace zefi {

namespace {

// The system's long-path conversion works in place in a buffer of this size.
constexpr size_t kPathBuffer = 260;

}  // namespace

CWarnDlg::CWarnDlg() : ui::Dialog(resources::kDlgWarn) {}

void CWarnDlg::SetDestination(const std::string& destination) {
    m_destination = destination;
    std::string longPath;
    if (platform::GetLongPathName(destination, &longPath) && longPath.size() < kPathBuffer) {
        m_destination = longPath;
    }
}

void CWarnDlg::DoDataExchange(ui::DataExchange& dx) {
    // The texts only go to the controls; they are static texts the user cannot change.
    if (dx.IsSaving()) return;
    ui::DDX_CodePageText(dx, kTextDestination, m_destination);
    ui::DDX_Text(dx, kTextTotal, m_total);
    ui::DDX_Text(dx, kTextFree, m_free);
}

bool CWarnDlg::OnInitDialog() {
    ui::Dialog::OnInitDialog();
    if (m_hideServiceNote) ShowItem(kServiceNote, false);
    return true;
}

bool CWarnDlg::OnCommand(int id) {
    if (id != kButtonBack) return false;
    // The driver tells "back" from "next" by the flag; both end with OK.
    m_back = 1;
    EndDialog(ui::kIdOk);
    return true;
}

}  // namespace zefi
