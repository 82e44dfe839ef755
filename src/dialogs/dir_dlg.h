// CDirDlg: asks for the destination directory (dialog 4), with a folder browser.
#pragma once

#include <string>

#include "ui/dialog.h"

namespace zefi {

class CDirDlg : public ui::Dialog {
  public:
    // Edit field of the path and the Browse button.
    static constexpr int kEditPath = 1002;
    static constexpr int kButtonBrowse = 1003;
    // The path proposed when the caller has none.
    static constexpr const char* kDefaultPath = "C:\\ZEFI";
    // Title of the folder browser (the same Czech text in both languages).
    static constexpr const char* kBrowseTitle = "Výběr adresáře pro instalaci ZEFI";

    CDirDlg();

    // The path shown when the dialog opens; after OK, the text of the edit field as the user
    // left it (no check is made here).
    void SetPath(const std::string& path) { m_path = path; }
    const std::string& GetPath() const { return m_path; }

  protected:
    // Proposes kDefaultPath for an empty path and puts the path into the edit field.
    bool OnInitDialog() override;
    // Browse: a folder chosen in the browser becomes the path; in every case the edit field
    // is refilled from the path, dropping text typed but not confirmed.
    bool OnCommand(int id) override;
    void DoDataExchange(ui::DataExchange& dx) override;

  private:
    std::string m_path;
};

}  // namespace zefi
