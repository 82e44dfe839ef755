// CSetupDlg: the main menu and its start-up values.
#include "driver/setup_dlg.h"

#include "dialogs/readme_dlg.h"
#include "platform/machine.h"
#include "resources/dialogs.h"

namespace zefi {

namespace {

void AddBackslash(std::string* directory) {
    if (!directory->empty() && directory->back() != '\\') *directory += '\\';
}

}  // namespace

CSetupDlg::CSetupDlg() : ui::Dialog(resources::kDlgSetup) {}

void CSetupDlg::SetDestination(const std::string& directory) {
    m_destination = directory;
    AddBackslash(&m_destination);
}

void CSetupDlg::SetSource(const std::string& directory) {
    m_source = directory;
    AddBackslash(&m_source);
}

std::string CSetupDlg::InstructionsPath() const {
    bool slovak = platform::GetSystemDefaultLangID() == platform::kLangSlovak;
    return m_source + (slovak ? "sinstall.txt" : "installw.txt");
}

void CSetupDlg::ShowInstructions() {
    CReadmeDlg readme;
    readme.SetFilePath(InstructionsPath());
    readme.DoModal();
}

bool CSetupDlg::OnCommand(int id) {
    switch (id) {
        case kIdInstall:
            RunInstall();
            return true;
        case kIdInstructions:
            ShowInstructions();
            return true;
        default:
            return false;
    }
}

}  // namespace zefi
