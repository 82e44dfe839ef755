// CWarnDlg: the last confirmation before copying (dialog 7): destination, size of the
// installation, free space, and a way back to the options.
#pragma once

#include <string>

#include "ui/dialog.h"

namespace zefi {

class CWarnDlg : public ui::Dialog {
  public:
    static constexpr int kTextDestination = 1031;
    static constexpr int kTextTotal = 1032;
    static constexpr int kTextFree = 1033;
    static constexpr int kButtonBack = 1030;
    static constexpr int kServiceNote = 1048;

    CWarnDlg();

    // The destination directory, stored in its long form when the system can give one that
    // fits 260 characters, else as given.
    void SetDestination(const std::string& destination);
    const std::string& GetDestination() const { return m_destination; }
    // The size texts of the options dialog ("123 MB").
    void SetTotalText(const std::string& text) { m_total = text; }
    void SetFreeText(const std::string& text) { m_free = text; }
    // 1 after "<< Zpět" ended the dialog (with OK); 0 after "Další >>".
    void SetBack(int back) { m_back = back; }
    int GetBack() const { return m_back; }
    // 1 (the default) hides the note that a server's service must be stopped.
    void SetHideServiceNote(int hide) { m_hideServiceNote = hide; }

  protected:
    bool OnInitDialog() override;
    bool OnCommand(int id) override;
    void DoDataExchange(ui::DataExchange& dx) override;

  private:
    std::string m_destination;
    std::string m_total;
    std::string m_free;
    int m_back = 0;
    int m_hideServiceNote = 1;
};

}  // namespace zefi
