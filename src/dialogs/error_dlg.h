// CErrorDlg: the copy error dialog (dialog 9) that names what failed, on which side and why,
// and offers Retry or Exit.
#pragma once

#include <string>

#include "script/copy_error.h"
#include "ui/dialog.h"

namespace zefi {

// Shown modally, without a parent, from the copy worker thread. Also the script engine's
// presenter of the copy error step.
class CErrorDlg : public ui::Dialog, public ErrorDialogPresenter {
  public:
    // Control ids of the three texts.
    static constexpr int kHeadline = 1037;
    static constexpr int kDetail = 1035;
    static constexpr int kCode = 1036;

    CErrorDlg();

    // The texts shown by the next DoModal (UTF-8). A text left empty keeps the template's
    // default text.
    void SetHeadline(const std::string& text) { m_headline = text; }
    void SetDetail(const std::string& text) { m_detail = text; }
    void SetCode(const std::string& text) { m_code = text; }
    const std::string& GetHeadline() const { return m_headline; }
    const std::string& GetDetail() const { return m_detail; }
    const std::string& GetCode() const { return m_code; }

    // 1 after Retry was pressed, 0 after Exit or closing (and before the dialog ends).
    int GetRetry() const { return m_retry; }

    // Sets the three texts, shows the dialog and returns whether the user chose Retry. A
    // dialog that cannot be shown counts as Exit.
    bool ShowCopyError(const CopyErrorTexts& texts) override;

  protected:
    bool OnInitDialog() override;
    // Retry sets the retry flag and closes the dialog the way OK (Exit) does.
    bool OnCommand(int id) override;

  private:
    std::string m_headline;
    std::string m_detail;
    std::string m_code;
    int m_retry = 0;
};

}  // namespace zefi
