// Tests of the confirmation dialog: the texts it shows, the service note, and how its buttons
// end it.
#include "dialogs/warn_dlg.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "support/temp_prefix.h"
#include "ui/host.h"
#include "ui/scripted_host.h"

namespace {

class WarnDlg : public testsupport::PrefixTest {
  protected:
    int Show(zefi::CWarnDlg& dialog, const std::string& answers) {
        ui::ScriptedHost host(answers, m_out);
        ui::ScopedHost scoped(host);
        return dialog.DoModal();
    }
    std::ostringstream m_out;
};

TEST_F(WarnDlg, ShowsLongDestinationAndSizesWithoutTheServiceNote) {
    std::filesystem::create_directories(m_prefix->Host("drive_c/Program Files/Zefi"));
    zefi::CWarnDlg dialog;
    dialog.SetDestination("c:\\PROGRAM FILES\\zefi");
    EXPECT_EQ(dialog.GetDestination(), "C:\\Program Files\\Zefi");
    dialog.SetTotalText("1234 MB");
    dialog.SetFreeText("56789 MB");
    dialog.SetBack(0);
    EXPECT_EQ(Show(dialog, "dialog 7 ok\n"), ui::kIdOk);
    EXPECT_EQ(dialog.GetBack(), 0);
    const std::string expected =
        "dialog 7: Instalace ZEFI pro Windows | Instalace bude nyní pokračovat kopírováním "
        "souborů. | Adresář pro instalaci: | C:\\Program Files\\Zefi | Celkem instalováno: | "
        "1234 MB | Volné místo na disku: | 56789 MB | Zkontrolujte prosím, zda systém ZEFI není "
        "spuštěn. | Další >> | << Zpět | Zrušit -> ok";
    EXPECT_NE(m_out.str().find(expected), std::string::npos) << m_out.str();
}

TEST_F(WarnDlg, DestinationWithoutLongFormStaysAsGiven) {
    zefi::CWarnDlg dialog;
    dialog.SetDestination("C:\\NOTHERE\\ZEFI");
    EXPECT_EQ(dialog.GetDestination(), "C:\\NOTHERE\\ZEFI");
}

TEST_F(WarnDlg, ServiceNoteIsShownWhenAskedFor) {
    zefi::CWarnDlg dialog;
    dialog.SetDestination("C:\\ZEFI");
    dialog.SetHideServiceNote(0);
    EXPECT_EQ(Show(dialog, "dialog 7 ok\n"), ui::kIdOk);
    EXPECT_NE(m_out.str().find("| Při aktualizaci serveru ZEFI musí být Windows služba ZEFI server "
                               "zastavena. |"),
              std::string::npos)
        << m_out.str();
}

TEST_F(WarnDlg, BackEndsWithOkAndSetsTheFlag) {
    zefi::CWarnDlg dialog;
    dialog.SetBack(0);
    EXPECT_EQ(Show(dialog, "dialog 7 1030\n"), ui::kIdOk);
    EXPECT_EQ(dialog.GetBack(), 1);
}

TEST_F(WarnDlg, CancelEndsWithCancelAndLeavesTheFlag) {
    zefi::CWarnDlg dialog;
    EXPECT_EQ(Show(dialog, "dialog 7 cancel\n"), ui::kIdCancel);
    EXPECT_EQ(dialog.GetBack(), 0);
}

}  // namespace
