// CReadmeDlg: the installation instructions.
#include "dialogs/readme_dlg.h"

#include <cstdint>
#include <vector>

#include "platform/file.h"
#include "platform/machine.h"
#include "resources/dialogs.h"

namespace zefi {

namespace {

constexpr int kEditText = 1032;

}  // namespace

CReadmeDlg::CReadmeDlg() : ui::Dialog(resources::kDlgReadme) {}

bool CReadmeDlg::ReadFile(bool* opened) {
    platform::File file;
    *opened = file.Open(m_filePath, platform::File::kRead, platform::File::kShareNone,
                        platform::File::kOpenExisting);
    if (!*opened) return false;
    uint64_t size = 0;
    if (!file.GetSize(&size) || size > UINT32_MAX) return false;
    std::vector<char> bytes(static_cast<size_t>(size));
    uint32_t got = 0;
    if (size > 0 && !file.Read(bytes.data(), static_cast<uint32_t>(size), &got)) return false;
    if (got != size) return false;
    // The dialog shows exactly what the file holds, also when it is empty.
    m_text.assign(bytes.begin(), bytes.end());
    return true;
}

void CReadmeDlg::ShowText() {
    // The file's text and the path are code-page text; the built-in text is display text.
    if (m_fromResource) {
        SetItemText(kEditText, m_text);
    } else {
        SetItemCodePageText(kEditText, m_text);
    }
}

bool CReadmeDlg::OnInitDialog() {
    ui::Dialog::OnInitDialog();
    m_text = m_filePath + " nenalezen";
    m_fromFile = false;
    m_fromResource = false;
    ShowText();

    bool opened = false;
    if (ReadFile(&opened)) {
        m_fromFile = true;
    } else if (!opened) {
        std::string resource = resources::LoadTextResource(resources::kTextInstructions,
                                                           platform::GetThreadUILanguage());
        if (!resource.empty()) {
            m_text = resource;
            m_fromResource = true;
        }
    }
    ShowText();
    return true;
}

}  // namespace zefi
