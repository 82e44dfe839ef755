// Tests of the dialog base class: controls from templates, data exchange, progress bars,
// timers, close requests from other threads and the title registration of setup dialogs.
#include "ui/dialog.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <sstream>
#include <thread>

#include "platform/instance.h"
#include "platform/machine.h"
#include "support/temp_prefix.h"
#include "ui/host.h"
#include "ui/message_box.h"
#include "ui/scripted_host.h"

namespace {

using resources::ControlKind;

constexpr int kDlgForm = 9101;
constexpr int kDlgTitled = 9102;
constexpr int kDlgProgress = 9103;

resources::DialogTemplate FormTemplate() {
    resources::DialogTemplate t{kDlgForm, "Formulář", "Formulár", 200, 100, {}};
    t.controls = {
        {-1, ControlKind::Static, "Adresář", "Adresár", 5, 5, 100, 10},
        {1002, ControlKind::Edit, "C:\\ZEFI", "C:\\ZEFI", 5, 20, 100, 12},
        {1019, ControlKind::CheckBox, "Pouze novější", "Iba novšie", 5, 35, 100, 10},
        {1021, ControlKind::Progress, "", "", 5, 50, 100, 10},
        {1048, ControlKind::Static, "Skrytá poznámka", "Skrytá poznámka", 5, 65, 100, 10, false},
        {1, ControlKind::DefButton, "OK", "OK", 5, 80, 40, 14},
        {2, ControlKind::Button, "Zrušit", "Zrušiť", 50, 80, 40, 14},
        {1030, ControlKind::Button, "<< Zpět", "<< Späť", 95, 80, 40, 14, true, false},
    };
    return t;
}

// A dialog with members exchanged with an edit field and a check box.
class FormDlg : public ui::Dialog {
  public:
    FormDlg() : ui::Dialog(kDlgForm) {}
    std::string m_path;
    int m_newer = 0;
    std::function<void(FormDlg&)> m_onInit;

  protected:
    bool OnInitDialog() override {
        ui::Dialog::OnInitDialog();
        if (m_onInit) m_onInit(*this);
        return true;
    }
    void DoDataExchange(ui::DataExchange& dx) override {
        ui::DDX_Text(dx, 1002, m_path);
        ui::DDX_Check(dx, 1019, m_newer);
    }
};

class DialogTest : public testsupport::PrefixTest {
  protected:
    void SetUp() override {
        PrefixTest::SetUp();
        ui::RegisterDialogTemplate(FormTemplate());
        m_host = std::make_unique<ui::ScriptedHost>(m_answers, m_out);
        m_scoped = std::make_unique<ui::ScopedHost>(*m_host);
    }
    void TearDown() override {
        m_scoped.reset();
        ui::UnregisterDialogTemplate(kDlgForm);
        PrefixTest::TearDown();
    }
    void UseAnswers(const std::string& answers) {
        m_scoped.reset();
        m_host = std::make_unique<ui::ScriptedHost>(answers, m_out);
        m_scoped = std::make_unique<ui::ScopedHost>(*m_host);
    }
    std::string m_answers;
    std::ostringstream m_out;
    std::unique_ptr<ui::ScriptedHost> m_host;
    std::unique_ptr<ui::ScopedHost> m_scoped;
};

TEST_F(DialogTest, ControlsStartFromTheTemplateInTheThreadLanguage) {
    FormDlg dlg;
    std::vector<ui::ControlState> seen;
    std::string caption;
    dlg.m_onInit = [&](FormDlg& d) {
        seen = d.Controls();
        caption = d.GetCaption();
    };
    dlg.DoModal();
    EXPECT_EQ(caption, "Formulář");
    ASSERT_EQ(seen.size(), 8u);
    EXPECT_EQ(seen[2].text, "Pouze novější");
    EXPECT_FALSE(seen[4].visible);
    EXPECT_FALSE(seen[7].enabled);

    std::thread slovak([&] {
        platform::SetThreadUILanguage(platform::kLangSlovak);
        FormDlg sk;
        sk.m_onInit = [&](FormDlg& d) {
            seen = d.Controls();
            caption = d.GetCaption();
        };
        sk.DoModal();
    });
    slovak.join();
    EXPECT_EQ(caption, "Formulár");
    EXPECT_EQ(seen[2].text, "Iba novšie");
    EXPECT_EQ(seen[6].text, "Zrušiť");
}

TEST_F(DialogTest, DataExchangeRunsInBothDirections) {
    FormDlg dlg;
    dlg.m_path = "D:\\NEW";
    dlg.m_newer = 1;
    std::string shownText;
    int shownCheck = -1;
    dlg.m_onInit = [&](FormDlg& d) {
        // The base OnInitDialog put the members into the controls.
        shownText = d.GetItemText(1002);
        shownCheck = d.GetCheck(1019);
        d.SetItemText(1002, "E:\\OTHER");
        d.SetCheck(1019, 0);
    };
    EXPECT_EQ(dlg.DoModal(), ui::kIdOk);
    EXPECT_EQ(shownText, "D:\\NEW");
    EXPECT_EQ(shownCheck, 1);
    // The default OK took the controls back into the members.
    EXPECT_EQ(dlg.m_path, "E:\\OTHER");
    EXPECT_EQ(dlg.m_newer, 0);
}

TEST_F(DialogTest, CancelLeavesTheMembersAsTheyWere) {
    UseAnswers("dialog 9101 cancel 1002=X:\\\n");
    FormDlg dlg;
    dlg.m_path = "C:\\ZEFI";
    EXPECT_EQ(dlg.DoModal(), ui::kIdCancel);
    EXPECT_EQ(dlg.m_path, "C:\\ZEFI");
}

TEST_F(DialogTest, ProgressBarsClampAndWrap) {
    FormDlg dlg;
    dlg.m_onInit = [](FormDlg& d) {
        d.SetRange(1021, 0, 100);
        d.SetPos(1021, 150);
        EXPECT_EQ(d.GetPos(1021), 100);
        d.SetPos(1021, -3);
        EXPECT_EQ(d.GetPos(1021), 0);
        d.SetStep(1021, 1);
        d.SetPos(1021, 99);
        EXPECT_EQ(d.StepIt(1021), 99);
        EXPECT_EQ(d.GetPos(1021), 100);
        d.StepIt(1021);
        EXPECT_EQ(d.GetPos(1021), 0);  // wraps after the end, as an activity bar does
        d.SetStep(1021, 30);
        d.SetPos(1021, 90);
        d.StepIt(1021);
        EXPECT_EQ(d.GetPos(1021), 19);
    };
    dlg.DoModal();
}

TEST_F(DialogTest, AccessorsOnMissingControlsDoNothing) {
    FormDlg dlg;
    dlg.m_onInit = [](FormDlg& d) {
        d.SetItemText(4711, "x");
        EXPECT_EQ(d.GetItemText(4711), "");
        EXPECT_FALSE(d.HasItem(4711));
        EXPECT_FALSE(d.IsItemVisible(4711));
        EXPECT_EQ(d.GetPos(4711), 0);
        // A check state on a control that is not a check box is ignored.
        d.SetCheck(1002, 1);
        EXPECT_EQ(d.GetCheck(1002), 0);
        d.ShowItem(1048, true);
        EXPECT_TRUE(d.IsItemVisible(1048));
        d.EnableItem(1, false);
        EXPECT_FALSE(d.IsItemEnabled(1));
    };
    // With OK disabled the default answer cannot end the dialog; the loop guard cancels it.
    EXPECT_EQ(dlg.DoModal(), ui::kIdCancel);
}

TEST_F(DialogTest, MissingTemplateFailsWithoutRunning) {
    FormDlg dlg;
    ui::UnregisterDialogTemplate(kDlgForm);
    bool initialised = false;
    dlg.m_onInit = [&](FormDlg&) { initialised = true; };
    EXPECT_EQ(dlg.DoModal(), -1);
    EXPECT_FALSE(initialised);
    EXPECT_EQ(m_out.str(), "");
}

TEST_F(DialogTest, EndDialogInInitialisationEndsAtOnce) {
    FormDlg dlg;
    dlg.m_onInit = [](FormDlg& d) { d.EndDialog(77); };
    EXPECT_EQ(dlg.DoModal(), 77);
    EXPECT_EQ(m_out.str(), "");  // nothing was left to answer
}

TEST_F(DialogTest, DialogCanBeShownAgain) {
    UseAnswers("dialog 9101 cancel\ndialog 9101 ok 1002=A:\\\n");
    FormDlg dlg;
    EXPECT_EQ(dlg.DoModal(), ui::kIdCancel);
    EXPECT_EQ(dlg.DoModal(), ui::kIdOk);
    EXPECT_EQ(dlg.m_path, "A:\\");
}

// A setup dialog holds its title while open, so that a second start sees it.
class TitledDlg : public ui::Dialog {
  public:
    explicit TitledDlg(int id) : ui::Dialog(id) {}
    bool m_openInside = false;

  protected:
    bool OnInitDialog() override {
        m_openInside = platform::IsTitleOpen(GetCaption());
        return ui::Dialog::OnInitDialog();
    }
};

TEST_F(DialogTest, SetupCaptionIsRegisteredWhileOpen) {
    resources::DialogTemplate titled{
        kDlgTitled, "Instalace ZEFI pro Windows", "Inštalácia ZEFI pre Windows", 100, 50, {}};
    titled.controls = {{1, ControlKind::DefButton, "OK", "OK", 5, 5, 40, 14}};
    ui::RegisterDialogTemplate(titled);
    TitledDlg cs(kDlgTitled);
    EXPECT_EQ(cs.DoModal(), ui::kIdOk);
    EXPECT_TRUE(cs.m_openInside);
    EXPECT_FALSE(platform::IsTitleOpen("Instalace ZEFI pro Windows"));

    bool skOpen = false;
    std::thread slovak([&] {
        platform::SetThreadUILanguage(platform::kLangSlovak);
        TitledDlg sk(kDlgTitled);
        sk.DoModal();
        skOpen = sk.m_openInside;
    });
    slovak.join();
    EXPECT_TRUE(skOpen);
    EXPECT_FALSE(platform::IsTitleOpen("Inštalácia ZEFI pre Windows"));

    // Nested setup dialogs (the destination dialog over the main menu) share the title; it
    // stays registered until the outer one closes.
    bool afterInner = false;
    FormDlg outer;
    ui::RegisterDialogTemplate([&] {
        resources::DialogTemplate t = FormTemplate();
        t.captionCs = "Instalace ZEFI pro Windows";
        return t;
    }());
    outer.m_onInit = [&](FormDlg&) {
        TitledDlg inner(kDlgTitled);
        EXPECT_EQ(inner.DoModal(), ui::kIdOk);
        EXPECT_TRUE(inner.m_openInside);
        afterInner = platform::IsTitleOpen("Instalace ZEFI pro Windows");
    };
    outer.DoModal();
    EXPECT_TRUE(afterInner);
    EXPECT_FALSE(platform::IsTitleOpen("Instalace ZEFI pro Windows"));
    ui::RegisterDialogTemplate(FormTemplate());

    // Other captions are not registered.
    TitledDlg form(kDlgForm);
    form.DoModal();
    EXPECT_FALSE(form.m_openInside);
    ui::UnregisterDialogTemplate(kDlgTitled);
}

// A progress dialog: a worker counts and posts the close request; the timer shows the count.
class ProgressDlg : public ui::Dialog {
  public:
    ProgressDlg() : ui::Dialog(kDlgProgress) {}
    ~ProgressDlg() override {
        if (m_worker.joinable()) m_worker.join();
    }
    std::atomic<int> m_count{0};
    std::atomic<bool> m_finished{false};
    int m_ticks = 0;
    int m_cancels = 0;
    int m_closeResult = ui::kIdCancel;

  protected:
    bool OnInitDialog() override {
        ui::Dialog::OnInitDialog();
        SetTimer(1, 10);
        m_worker = std::thread([this] {
            // Wait until the timer has shown progress three times, so that the timer provably
            // ran while the dialog waited.
            while (m_ticksSeen.load() < 3) std::this_thread::yield();
            SetPos(1021, 50);  // workers may move a progress bar directly
            m_finished = true;
            PostClose(m_closeResult);
        });
        return true;
    }
    void OnTimer(int id) override {
        if (id != 1) return;
        ++m_ticks;
        SetItemText(1023, std::to_string(m_ticks));
        m_ticksSeen = m_ticks;
    }
    void OnCancel() override {
        ++m_cancels;
        if (m_finished) EndDialog(ui::kIdCancel);
    }

  private:
    std::thread m_worker;
    std::atomic<int> m_ticksSeen{0};
};

resources::DialogTemplate ProgressTemplate() {
    resources::DialogTemplate t{kDlgProgress, "Kopírování", "Kopírovanie", 200, 60, {}};
    t.controls = {
        {1023, ControlKind::Static, "", "", 5, 5, 100, 10},
        {1021, ControlKind::Progress, "", "", 5, 20, 100, 10},
        {2, ControlKind::Button, "Zrušit", "Zrušiť", 50, 40, 40, 14},
    };
    return t;
}

TEST_F(DialogTest, WorkerCloseRequestGoesThroughCancel) {
    ui::RegisterDialogTemplate(ProgressTemplate());
    ProgressDlg dlg;
    EXPECT_EQ(dlg.DoModal(), ui::kIdCancel);
    EXPECT_GE(dlg.m_ticks, 3);
    EXPECT_EQ(dlg.m_cancels, 1);
    EXPECT_EQ(dlg.GetPos(1021), 50);
    EXPECT_EQ(m_out.str(), "dialog 9103: Kopírování | Zrušit -> wait\n");
    ui::UnregisterDialogTemplate(kDlgProgress);
}

TEST_F(DialogTest, CloseRequestWithOtherResultEndsWithIt) {
    ui::RegisterDialogTemplate(ProgressTemplate());
    ProgressDlg dlg;
    dlg.m_closeResult = 42;
    EXPECT_EQ(dlg.DoModal(), 42);
    EXPECT_EQ(dlg.m_cancels, 0);
    ui::UnregisterDialogTemplate(kDlgProgress);
}

TEST_F(DialogTest, CloseRequestWhileNotOpenIsDropped) {
    ui::RegisterDialogTemplate(ProgressTemplate());
    ProgressDlg dlg;
    dlg.PostClose();  // before DoModal: must not end the next showing early
    EXPECT_FALSE(dlg.SetTimer(5, 10));
    EXPECT_EQ(dlg.DoModal(), ui::kIdCancel);
    EXPECT_GE(dlg.m_ticks, 3);
    ui::UnregisterDialogTemplate(kDlgProgress);
}

// Timer handlers may kill their own timer and start others.
class TimerDlg : public ui::Dialog {
  public:
    TimerDlg() : ui::Dialog(kDlgProgress) {}
    std::vector<int> m_fired;

  protected:
    bool OnInitDialog() override {
        ui::Dialog::OnInitDialog();
        SetTimer(1, 10);
        return true;
    }
    void OnTimer(int id) override {
        m_fired.push_back(id);
        if (id == 1 && m_fired.size() == 2) {
            KillTimer(1);
            SetTimer(2, 10);
        } else if (id == 2) {
            EndDialog(ui::kIdOk);
        }
    }
};

TEST_F(DialogTest, TimersCanBeKilledAndReplacedFromTheirHandler) {
    ui::RegisterDialogTemplate(ProgressTemplate());
    TimerDlg dlg;
    EXPECT_EQ(dlg.DoModal(), ui::kIdOk);
    EXPECT_EQ(dlg.m_fired, (std::vector<int>{1, 1, 2}));
    ui::UnregisterDialogTemplate(kDlgProgress);
}

// The form with its path held in the code page, as the program holds paths.
class CodePageFormDlg : public FormDlg {
  protected:
    void DoDataExchange(ui::DataExchange& dx) override { ui::DDX_CodePageText(dx, 1002, m_path); }
};

TEST_F(DialogTest, CodePageTextIsShownAsDisplayTextAndTakenBackIntoTheCodePage) {
    UseAnswers("dialog 9101 ok 1002=D:\\\xC3\x9A\xC4\x8Dty\n");
    CodePageFormDlg dlg;
    dlg.m_path =
        "C:\\\xDA\xE8"
        "etn\xED";
    std::string shown;
    dlg.m_onInit = [&](FormDlg& d) { shown = d.GetItemText(1002); };
    EXPECT_EQ(dlg.DoModal(), ui::kIdOk);
    EXPECT_EQ(shown,
              "C:\\\xC3\x9A\xC4\x8D"
              "etn\xC3\xAD");
    EXPECT_EQ(dlg.m_path, "D:\\\xDA\xE8ty");
}

TEST_F(DialogTest, ACharacterTheCodePageCannotHoldIsRefusedAndTheDialogStaysOpen) {
    UseAnswers(
        "dialog 9101 ok 1002=C:\\\xD0\x96urnal\n"
        "dialog 9101 ok 1002=C:\\Zurnal\n");
    CodePageFormDlg dlg;
    dlg.m_path = "C:\\ZEFI";
    EXPECT_EQ(dlg.DoModal(), ui::kIdOk);
    EXPECT_EQ(dlg.m_path, "C:\\Zurnal");
    const std::string out = m_out.str();
    EXPECT_NE(out.find("message 180: Znak \xE2\x80\x9E\xD0\x96\xE2\x80\x9C nelze"),
              std::string::npos)
        << out;
    // Refused once, then answered again; the member never held a "?".
    EXPECT_EQ(out.find("message 180", out.find("message 180") + 1), std::string::npos) << out;
    EXPECT_EQ(out.find("C:\\?urnal"), std::string::npos);
}

TEST_F(DialogTest, FormattedMessagesShowCodePageArgumentsAsDisplayText) {
    EXPECT_EQ(ui::FormatText("Adres\xC3\xA1\xC5\x99 %s", {ui::CodePage("C:\\\xDA\xE8"
                                                                       "etn\xED")}),
              "Adres\xC3\xA1\xC5\x99 C:\\\xC3\x9A\xC4\x8D"
              "etn\xC3\xAD");
}

}  // namespace
