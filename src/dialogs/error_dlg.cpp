// CErrorDlg: the copy error dialog with Retry and Exit.
#include "dialogs/error_dlg.h"

#include "resources/dialogs.h"

namespace zefi {

CErrorDlg::CErrorDlg() : ui::Dialog(resources::kDlgError) {}

bool CErrorDlg::OnInitDialog() {
    ui::Dialog::OnInitDialog();
    m_retry = 0;
    if (!m_headline.empty()) SetItemText(kHeadline, m_headline);
    if (!m_detail.empty()) SetItemText(kDetail, m_detail);
    if (!m_code.empty()) SetItemText(kCode, m_code);
    return true;
}

bool CErrorDlg::OnCommand(int id) {
    if (id != ui::kIdRetry) return false;
    m_retry = 1;
    OnOK();
    return true;
}

bool CErrorDlg::ShowCopyError(const CopyErrorTexts& texts) {
    SetHeadline(texts.headline);
    SetDetail(texts.detail);
    SetCode(texts.code);
    m_retry = 0;
    DoModal();
    return m_retry != 0;
}

}  // namespace zefi
