// CReadmeDlg: the installation instructions (dialog 8), read from the medium or, without a file
// there, from the built-in instructions text.
#pragma once

#include <string>

#include "ui/dialog.h"

namespace zefi {

class CReadmeDlg : public ui::Dialog {
  public:
    CReadmeDlg();

    // The instructions file to show; set before DoModal.
    void SetFilePath(const std::string& path) { m_filePath = path; }
    const std::string& GetFilePath() const { return m_filePath; }

    // The text after the dialog started: the file's bytes exactly (Windows-1250), else the
    // instructions text resource 145 in the UI language, else the path + " nenalezen".
    const std::string& GetText() const { return m_text; }
    // Whether the text came from the file (and so is shown converted from Windows-1250).
    bool IsTextFromFile() const { return m_fromFile; }

  protected:
    bool OnInitDialog() override;

  private:
    // Loads the file's bytes into m_text; false (m_text unchanged) when it cannot be opened,
    // sized or read in one read of its size. *opened tells whether it could be opened.
    bool ReadFile(bool* opened);
    void ShowText();

    std::string m_filePath;
    std::string m_text;
    bool m_fromFile = false;
    bool m_fromResource = false;
};

}  // namespace zefi
