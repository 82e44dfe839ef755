// Tests of the destination dialog: the proposed default, typed paths, and the folder browser
// with and without a choice.
#include "dialogs/dir_dlg.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "support/temp_prefix.h"
#include "ui/host.h"
#include "ui/scripted_host.h"

namespace {

class DirDlg : public testsupport::PrefixTest {
  protected:
    int Show(zefi::CDirDlg& dialog, const std::string& answers) {
        ui::ScriptedHost host(answers, m_out);
        ui::ScopedHost scoped(host);
        return dialog.DoModal();
    }
    std::ostringstream m_out;
};

TEST_F(DirDlg, EmptyPathProposesCZefi) {
    zefi::CDirDlg dialog;
    EXPECT_EQ(dialog.GetPath(), "");
    EXPECT_EQ(Show(dialog, ""), ui::kIdOk);
    EXPECT_EQ(dialog.GetPath(), "C:\\ZEFI");
    EXPECT_NE(m_out.str().find("dialog 4: Instalace ZEFI pro Windows | Adresář pro instalaci ZEFI "
                               "| C:\\ZEFI | Procházet | OK | Zrušit -> ok"),
              std::string::npos)
        << m_out.str();
}

TEST_F(DirDlg, GivenPathIsShownAndTypedTextTaken) {
    zefi::CDirDlg dialog;
    dialog.SetPath("D:\\OLD");
    EXPECT_EQ(Show(dialog, "dialog 4 ok 1002=D:\\NEW\\\n"), ui::kIdOk);
    // No check and no clean-up here: the driver handles the trailing backslash.
    EXPECT_EQ(dialog.GetPath(), "D:\\NEW\\");
    EXPECT_NE(m_out.str().find("| D:\\NEW\\ |"), std::string::npos) << m_out.str();
}

TEST_F(DirDlg, BrowseChoiceBecomesThePath) {
    zefi::CDirDlg dialog;
    dialog.SetPath("C:\\ZEFI");
    EXPECT_EQ(Show(dialog, "dialog 4 1003\nbrowse \"E:\\Program Files\\Zefi\"\ndialog 4 ok\n"),
              ui::kIdOk);
    EXPECT_EQ(dialog.GetPath(), "E:\\Program Files\\Zefi");
    EXPECT_NE(m_out.str().find("browse: Výběr adresáře pro instalaci ZEFI -> "
                               "E:\\Program Files\\Zefi"),
              std::string::npos)
        << m_out.str();
    // The edit was refilled before OK took it.
    EXPECT_NE(m_out.str().find("| E:\\Program Files\\Zefi | Procházet | OK | Zrušit -> ok"),
              std::string::npos)
        << m_out.str();
}

TEST_F(DirDlg, CancelledBrowserBringsBackThePreviousPath) {
    zefi::CDirDlg dialog;
    dialog.SetPath("C:\\OLD");
    EXPECT_EQ(Show(dialog, "dialog 4 1003 1002=D:\\TYPED\nbrowse cancel\ndialog 4 ok\n"),
              ui::kIdOk);
    EXPECT_EQ(dialog.GetPath(), "C:\\OLD");
}

TEST_F(DirDlg, CancelEndsWithCancel) {
    zefi::CDirDlg dialog;
    EXPECT_EQ(Show(dialog, "dialog 4 cancel 1002=D:\\X\n"), ui::kIdCancel);
}

}  // namespace
