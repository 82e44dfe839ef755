// Tests of the copy error dialog: the texts it shows, and what Retry, Exit and closing answer.
#include "dialogs/error_dlg.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <thread>

#include "script/copy_error.h"
#include "support/temp_prefix.h"
#include "ui/host.h"
#include "ui/scripted_host.h"

namespace {

const zefi::CopyErrorTexts kTexts = {
    "Chyba p\u0159i kop\u00edrov\u00e1n\u00ed zefi.exe",
    "Chyba p\u0159i z\u00e1pisu C:\\ZEFI\\zefi.exe",
    "P\u0159\u00edstup odep\u0159en (K\u00f3d chyby: 5)",
};

class ErrorDlg : public testsupport::PrefixTest {
  protected:
    // Shows the dialog through the presenter interface with answers; returns the Retry choice
    // and what the host printed in *out.
    bool Show(const std::string& answers, std::string* out) {
        std::ostringstream printed;
        ui::ScriptedHost host(answers, printed);
        ui::ScopedHost scoped(host);
        zefi::CErrorDlg dialog;
        zefi::ErrorDialogPresenter& presenter = dialog;
        bool retry = presenter.ShowCopyError(kTexts);
        EXPECT_EQ(dialog.GetRetry(), retry ? 1 : 0);
        EXPECT_TRUE(host.UnusedAnswers().empty());
        *out = printed.str();
        return retry;
    }
};

TEST_F(ErrorDlg, ShowsTheThreeTextsInItsLine) {
    std::string out;
    Show("dialog 9 ok\n", &out);
    EXPECT_EQ(out, "dialog 9: Instalace ZEFI pro Windows | " + kTexts.headline +
                       " | Podrobnosti: | " + kTexts.detail + " | " + kTexts.code +
                       " | Opakovat | Ukon\u010dit -> ok\n");
}

TEST_F(ErrorDlg, RetryIsReportedAndExitIsNot) {
    std::string out;
    EXPECT_TRUE(Show("dialog 9 retry\n", &out));
    EXPECT_NE(out.find("-> retry"), std::string::npos) << out;
    EXPECT_TRUE(Show("dialog 9 4\n", &out));
    EXPECT_FALSE(Show("dialog 9 1\n", &out));
    EXPECT_NE(out.find("-> ok"), std::string::npos) << out;
}

TEST_F(ErrorDlg, ClosingCountsAsExit) {
    std::string out;
    EXPECT_FALSE(Show("dialog 9 cancel\n", &out));
    EXPECT_NE(out.find("-> cancel"), std::string::npos) << out;
}

TEST_F(ErrorDlg, RetryAndExitBothCloseLikeOk) {
    std::ostringstream printed;
    ui::ScriptedHost host("dialog 9 retry\ndialog 9 ok\n", printed);
    ui::ScopedHost scoped(host);
    zefi::CErrorDlg dialog;
    EXPECT_EQ(dialog.DoModal(), ui::kIdOk);
    EXPECT_EQ(dialog.GetRetry(), 1);
    // A second showing starts without the earlier choice.
    EXPECT_EQ(dialog.DoModal(), ui::kIdOk);
    EXPECT_EQ(dialog.GetRetry(), 0);
}

TEST_F(ErrorDlg, UnsetTextsKeepTheTemplateDefaults) {
    std::ostringstream printed;
    ui::ScriptedHost host("", printed);
    ui::ScopedHost scoped(host);
    zefi::CErrorDlg dialog;
    dialog.SetCode("K\u00f3d chyby: 0)");
    dialog.DoModal();
    EXPECT_EQ(printed.str(),
              "dialog 9: Instalace ZEFI pro Windows | Chyba p\u0159i kop\u00edrov\u00e1n\u00ed: | "
              "Podrobnosti: | Chyba p\u0159i otev\u00edr\u00e1n\u00ed  | K\u00f3d chyby: 0) | "
              "Opakovat | Ukon\u010dit -> ok\n");
}

TEST_F(ErrorDlg, CopyErrorStepTakesTheAnswerIntoTheRecord) {
    std::ostringstream printed;
    ui::ScriptedHost host("dialog 9 retry\ndialog 9 ok\n", printed);
    ui::ScopedHost scoped(host);
    zefi::CErrorDlg dialog;
    zefi::CopyErrorRecord record;
    record.errorCode = 5;
    record.errorIsWrite = 1;
    record.writeName = zefi::CMBString("C:\\ZEFI\\zefi.exe");
    zefi::ShowCopyError(&record, 1, zefi::CMBString("zefi.exe"), &dialog);
    EXPECT_EQ(record.retry, 1);
    EXPECT_EQ(record.stop, 0);
    record.retry = 0;
    zefi::ShowCopyError(&record, 1, zefi::CMBString("zefi.exe"), &dialog);
    EXPECT_EQ(record.retry, 0);
    EXPECT_EQ(record.stop, 1);
    const std::string out = printed.str();
    EXPECT_NE(out.find("dialog 9: Instalace ZEFI pro Windows | "
                       "Chyba p\u0159i kop\u00edrov\u00e1n\u00ed zefi.exe | Podrobnosti: | "
                       "Chyba p\u0159i z\u00e1pisu C:\\ZEFI\\zefi.exe | "
                       "P\u0159\u00edstup odep\u0159en (K\u00f3d chyby: 5) | Opakovat | "
                       "Ukon\u010dit -> retry"),
              std::string::npos)
        << out;
}

TEST_F(ErrorDlg, ShowsFromTheCopyWorkerThread) {
    std::ostringstream printed;
    ui::ScriptedHost host("dialog 9 retry\n", printed);
    ui::ScopedHost scoped(host);
    bool retry = false;
    std::thread worker([&] {
        zefi::CErrorDlg dialog;
        retry = dialog.ShowCopyError(kTexts);
    });
    worker.join();
    EXPECT_TRUE(retry);
    EXPECT_NE(printed.str().find(kTexts.code + " | Opakovat | Ukon\u010dit -> retry"),
              std::string::npos)
        << printed.str();
}

}  // namespace
