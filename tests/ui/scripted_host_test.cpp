// Tests of the scripted dialog host: answers matching, defaults, the output lines, control
// settings, progress dialogs, message boxes from workers and the loop guard.
#include "ui/scripted_host.h"

#include <gtest/gtest.h>

#include <sstream>
#include <thread>

#include "support/temp_prefix.h"
#include "ui/folder_browser.h"
#include "ui/message_box.h"

namespace {

using resources::ControlKind;

constexpr int kDlgDir = 9201;
constexpr int kDlgMenu = 9202;
constexpr int kDlgSearch = 9203;
constexpr int kDlgStubborn = 9204;

// A destination dialog: a static, an edit, a check box, OK, Cancel and a browse button.
class DirDlg : public ui::Dialog {
  public:
    DirDlg() : ui::Dialog(kDlgDir) {}
    std::string m_path;
    int m_check = 0;
    int m_browses = 0;

  protected:
    void DoDataExchange(ui::DataExchange& dx) override {
        ui::DDX_Text(dx, 1002, m_path);
        ui::DDX_Check(dx, 1019, m_check);
    }
    bool OnCommand(int id) override {
        if (id != 1003) return false;
        ++m_browses;
        std::string folder = ui::BrowseForFolder("Výběr adresáře", m_path);
        if (!folder.empty()) m_path = folder;
        UpdateData(false);
        return true;
    }
};

// A menu without an OK button, whose buttons open other dialogs.
class MenuDlg : public ui::Dialog {
  public:
    MenuDlg() : ui::Dialog(kDlgMenu) {}
    std::vector<std::string> m_paths;

  protected:
    bool OnCommand(int id) override {
        if (id != 1000) return false;
        DirDlg dir;
        dir.DoModal();
        m_paths.push_back(dir.m_path);
        return true;
    }
};

// A progress dialog that ends from its timer once its worker is done.
class SearchDlg : public ui::Dialog {
  public:
    SearchDlg() : ui::Dialog(kDlgSearch) {}
    ~SearchDlg() override {
        if (m_worker.joinable()) m_worker.join();
    }
    std::atomic<int> m_state{0};  // 0 running, 1 cancel requested, 2 finished
    int m_answer = 0;
    bool m_askFromWorker = false;

  protected:
    bool OnInitDialog() override {
        ui::Dialog::OnInitDialog();
        SetTimer(1, 10);
        m_worker = std::thread([this] {
            if (m_askFromWorker)
                m_answer = ui::MessageBox(9301, ui::Buttons::YesNo, ui::Icon::Question);
            m_state = 2;
        });
        return true;
    }
    void OnTimer(int) override {
        if (m_state == 2) EndDialog(ui::kIdOk);
    }
    void OnCancel() override {
        m_state = m_state == 2 ? 2 : 1;
        while (m_state != 2) std::this_thread::yield();
        EndDialog(ui::kIdCancel);
    }

  private:
    std::thread m_worker;
};

// A dialog whose OK never ends it.
class StubbornDlg : public ui::Dialog {
  public:
    StubbornDlg() : ui::Dialog(kDlgStubborn) {}
    int m_oks = 0;

  protected:
    void OnOK() override { ++m_oks; }
};

class ScriptedHostTest : public testsupport::PrefixTest {
  protected:
    void SetUp() override {
        PrefixTest::SetUp();
        resources::DialogTemplate dir{kDlgDir, "Instalace", "Inštalácia", 200, 80, {}};
        dir.controls = {
            {-1, ControlKind::Static, "Adresář pro instalaci", "Adresár", 5, 5, 100, 10},
            {1002, ControlKind::Edit, "", "", 5, 20, 100, 12},
            {1019, ControlKind::CheckBox, "Pouze novější", "Iba novšie", 5, 35, 100, 10},
            {1048, ControlKind::Static, "Skryto", "Skryté", 5, 45, 100, 10, false},
            {1, ControlKind::DefButton, "OK", "OK", 5, 60, 40, 14},
            {2, ControlKind::Button, "Zrušit", "Zrušiť", 50, 60, 40, 14},
            {1003, ControlKind::Button, "Procházet", "Prechádzať", 95, 60, 40, 14},
        };
        ui::RegisterDialogTemplate(dir);
        resources::DialogTemplate menu{kDlgMenu, "Menu", "Menu", 150, 130, {}};
        menu.controls = {
            {1000, ControlKind::DefButton, "Instalace", "Inštalácia", 30, 20, 85, 20},
            {2, ControlKind::Button, "Konec", "Koniec", 30, 80, 85, 20},
        };
        ui::RegisterDialogTemplate(menu);
        resources::DialogTemplate search{kDlgSearch, "", "", 158, 44, {}, false};
        search.controls = {
            {-1, ControlKind::Static, "Hledá se\ninstalace", "Hľadá sa", 5, 5, 100, 10},
            {2, ControlKind::Button, "Zrušit", "Zrušiť", 50, 25, 40, 14},
        };
        ui::RegisterDialogTemplate(search);
        resources::DialogTemplate stubborn{kDlgStubborn, "Tvrdohlavý", "Tvrdohlavý", 100, 50, {}};
        stubborn.controls = {{1, ControlKind::DefButton, "OK", "OK", 5, 5, 40, 14}};
        ui::RegisterDialogTemplate(stubborn);
    }
    void TearDown() override {
        for (int id : {kDlgDir, kDlgMenu, kDlgSearch, kDlgStubborn})
            ui::UnregisterDialogTemplate(id);
        PrefixTest::TearDown();
    }
    std::ostringstream m_out;
};

TEST_F(ScriptedHostTest, ParsesAnswerLinesAndReportsBadOnes) {
    std::vector<std::string> errors;
    auto answers = ui::ParseAnswers(
        "# a comment\n"
        "message 109 yes            # trailing comment\r\n"
        "dialog 4 ok 1002=\"C:\\Program Files\\ZEFI\" 1019=1\n"
        "\n"
        "dialog 1 1000\n"
        "browse D:\\NEW\n"
        "browse cancel\n"
        "message 109 maybe\n"
        "dialog x ok\n"
        "dialog 4 ok 1002\n"
        "window 3 ok\n"
        "dialog 4 ok 1002=\"unterminated\n",
        &errors);
    ASSERT_EQ(answers.size(), 5u);
    EXPECT_EQ(answers[0].kind, ui::Answer::Kind::Message);
    EXPECT_EQ(answers[0].id, 109);
    EXPECT_EQ(answers[0].button, "yes");
    EXPECT_EQ(answers[1].kind, ui::Answer::Kind::Dialog);
    ASSERT_EQ(answers[1].settings.size(), 2u);
    EXPECT_EQ(answers[1].settings[0],
              (std::pair<int, std::string>{1002, "C:\\Program Files\\ZEFI"}));
    EXPECT_EQ(answers[1].settings[1], (std::pair<int, std::string>{1019, "1"}));
    EXPECT_EQ(answers[2].button, "1000");
    EXPECT_EQ(answers[3].kind, ui::Answer::Kind::Browse);
    EXPECT_EQ(answers[3].button, "D:\\NEW");
    EXPECT_EQ(answers[4].button, "");
    ASSERT_EQ(errors.size(), 5u);
    EXPECT_EQ(errors[0].rfind("answers line 8:", 0), 0u) << errors[0];
    EXPECT_EQ(errors[4].rfind("answers line 12:", 0), 0u) << errors[4];
}

TEST_F(ScriptedHostTest, SettingsApplyBeforeTheButtonAndShowInTheLine) {
    ui::ScriptedHost host("dialog 9201 ok 1002=D:\\NEW 1019=1\n", m_out);
    ui::ScopedHost scoped(host);
    DirDlg dlg;
    EXPECT_EQ(dlg.DoModal(), ui::kIdOk);
    EXPECT_EQ(dlg.m_path, "D:\\NEW");
    EXPECT_EQ(dlg.m_check, 1);
    // Hidden controls and controls without text are left out; texts as they stand when answered.
    EXPECT_EQ(m_out.str(),
              "dialog 9201: Instalace | Adresář pro instalaci | D:\\NEW | Pouze novější | OK | "
              "Zrušit | Procházet -> ok\n");
}

TEST_F(ScriptedHostTest, EachShowingTakesTheFirstUnusedLineOfItsKindAndId) {
    ui::ScriptedHost host(
        "message 9301 no\n"
        "dialog 9201 ok 1002=FIRST\n"
        "dialog 9299 cancel\n"
        "dialog 9201 ok 1002=SECOND\n",
        m_out);
    ui::ScopedHost scoped(host);
    DirDlg a, b, c;
    a.DoModal();
    b.DoModal();
    c.m_path = "KEPT";
    c.DoModal();  // no line left: OK with its current state
    EXPECT_EQ(a.m_path, "FIRST");
    EXPECT_EQ(b.m_path, "SECOND");
    EXPECT_EQ(c.m_path, "KEPT");
    auto unused = host.UnusedAnswers();
    ASSERT_EQ(unused.size(), 2u);
    EXPECT_EQ(unused[0].kind, ui::Answer::Kind::Message);
    EXPECT_EQ(unused[1].id, 9299);
}

TEST_F(ScriptedHostTest, MenuWithoutOkButtonClosesByDefault) {
    ui::ScriptedHost host("dialog 9202 1000\ndialog 9201 cancel\ndialog 9202 1000\n", m_out);
    ui::ScopedHost scoped(host);
    MenuDlg menu;
    EXPECT_EQ(menu.DoModal(), ui::kIdCancel);
    // The menu stayed open after each 1000 and was closed ("Konec") when no line was left.
    ASSERT_EQ(menu.m_paths.size(), 2u);
    EXPECT_EQ(m_out.str(),
              "dialog 9202: Menu | Instalace | Konec -> 1000\n"
              "dialog 9201: Instalace | Adresář pro instalaci | Pouze novější | OK | Zrušit | "
              "Procházet -> cancel\n"
              "dialog 9202: Menu | Instalace | Konec -> 1000\n"
              "dialog 9201: Instalace | Adresář pro instalaci | Pouze novější | OK | Zrušit | "
              "Procházet -> ok\n"
              "dialog 9202: Menu | Instalace | Konec -> cancel\n");
}

TEST_F(ScriptedHostTest, MessageAnswersAndDefaults) {
    ui::ScriptedHost host("message 9301 no\nmessage 0 retry\nmessage 9302 yes\n", m_out);
    ui::ScopedHost scoped(host);
    EXPECT_EQ(ui::MessageBox(9301, ui::Buttons::YesNo), ui::kIdNo);
    EXPECT_EQ(ui::MessageBox(9301, ui::Buttons::YesNo), ui::kIdYes);  // none left: first button
    EXPECT_EQ(ui::MessageBox("Line one\r\nline two\nthree", ui::Buttons::RetryCancel),
              ui::kIdRetry);
    EXPECT_EQ(ui::MessageBox(std::string("Other"), ui::Buttons::OkCancel), ui::kIdOk);
    // An answer the box has no button for takes its first button and is noted.
    EXPECT_EQ(ui::MessageBox(9302, ui::Buttons::OkCancel), ui::kIdOk);
    const std::string out = m_out.str();
    EXPECT_NE(out.find("message 9301:  -> no\n"), std::string::npos) << out;
    EXPECT_NE(out.find("message 0: Line one\\nline two\\nthree -> retry\n"), std::string::npos);
    EXPECT_NE(out.find("message 0: Other -> ok\n"), std::string::npos);
    EXPECT_NE(out.find("# answers line 3: message 9302 has no button yes\n"), std::string::npos);
}

TEST_F(ScriptedHostTest, RetryCancelBoxWithoutAnAnswerTakesCancel) {
    // Retry with nobody there would only repeat what failed, for ever.
    ui::ScriptedHost host("message 9301 retry\n", m_out);
    ui::ScopedHost scoped(host);
    EXPECT_EQ(ui::MessageBox(9301, ui::Buttons::RetryCancel), ui::kIdRetry);
    EXPECT_EQ(ui::MessageBox(9301, ui::Buttons::RetryCancel), ui::kIdCancel);
    EXPECT_EQ(ui::MessageBox(std::string("Again?"), ui::Buttons::RetryCancel), ui::kIdCancel);
    // Every other box still takes its first button.
    EXPECT_EQ(ui::MessageBox(9302, ui::Buttons::OkCancel), ui::kIdOk);
    const std::string out = m_out.str();
    EXPECT_NE(out.find("message 0: Again? -> cancel\n"), std::string::npos) << out;
}

TEST_F(ScriptedHostTest, UnusableButtonIsNotedAndTheDialogAnsweredAgain) {
    ui::ScriptedHost host("dialog 9201 1234\n", m_out);
    ui::ScopedHost scoped(host);
    DirDlg dlg;
    EXPECT_EQ(dlg.DoModal(), ui::kIdOk);
    const std::string out = m_out.str();
    EXPECT_NE(out.find("-> 1234\n# answers line 1: dialog 9201 has no enabled button 1234\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("-> ok\n"), std::string::npos);
}

// What a person cannot do, an answer cannot do either.
class GreyDlg : public DirDlg {
  protected:
    bool OnInitDialog() override {
        DirDlg::OnInitDialog();
        EnableItem(1019, false);
        EnableItem(1002, false);
        EnableItem(1003, false);
        return true;
    }
};

TEST_F(ScriptedHostTest, DisabledOrHiddenControlsAndButtonsAreRefused) {
    ui::ScriptedHost host(
        "dialog 9201 ok 1019=1\n"
        "dialog 9201 ok 1002=D:\\X\n"
        "dialog 9201 1003\n"
        "dialog 9201 ok 1048=text\n"
        "dialog 9201 ok\n",
        m_out);
    ui::ScopedHost scoped(host);
    GreyDlg dlg;
    dlg.m_path = "C:\\ZEFI";
    EXPECT_EQ(dlg.DoModal(), ui::kIdOk);
    EXPECT_EQ(dlg.m_check, 0);
    EXPECT_EQ(dlg.m_path, "C:\\ZEFI");
    EXPECT_EQ(dlg.m_browses, 0);
    EXPECT_EQ(dlg.GetItemText(1048), "Skryto");
    const std::string line =
        "dialog 9201: Instalace | Adresář pro instalaci | C:\\ZEFI | Pouze novější | OK | Zrušit | "
        "Procházet -> ";
    EXPECT_EQ(m_out.str(), line + "refused 1019 (disabled)\n" + line + "refused 1002 (disabled)\n" +
                               line + "refused 1003 (disabled)\n" + line +
                               "refused 1048 (hidden)\n" + line + "ok\n");
}

TEST_F(ScriptedHostTest, TextsOfFilesGetOneNumberedLineEach) {
    ui::ScriptedHost host("", m_out);
    ui::ScopedHost scoped(host);
    ui::ShowText("Verze 6\r\n\xC8\xE1st \xE8\xEDslo 2\r\n");
    ui::ShowText("");
    EXPECT_EQ(m_out.str(),
              "text 1: Verze 6\\n\xC4\x8C\xC3\xA1st \xC4\x8D\xC3\xADslo 2\ntext 2: \n");
}

TEST_F(ScriptedHostTest, BrowseAnswersComeFromTheirOwnLines) {
    ui::ScriptedHost host("dialog 9201 1003\nbrowse E:\\DATA\ndialog 9201 1003\ndialog 9201 ok\n",
                          m_out);
    ui::ScopedHost scoped(host);
    DirDlg dlg;
    dlg.m_path = "C:\\ZEFI";
    EXPECT_EQ(dlg.DoModal(), ui::kIdOk);
    EXPECT_EQ(dlg.m_browses, 2);
    EXPECT_EQ(dlg.m_path, "E:\\DATA");  // the second browse was cancelled and changed nothing
    const std::string out = m_out.str();
    EXPECT_NE(out.find("browse: Výběr adresáře -> E:\\DATA\n"), std::string::npos) << out;
    EXPECT_NE(out.find("browse: Výběr adresáře -> cancel\n"), std::string::npos) << out;
}

TEST_F(ScriptedHostTest, ProgressDialogRunsItsTimerUntilTheWorkerIsDone) {
    ui::ScriptedHost host("message 9301 no\n", m_out);
    ui::ScopedHost scoped(host);
    SearchDlg dlg;
    dlg.m_askFromWorker = true;  // a message box from the worker while the dialog waits
    EXPECT_EQ(dlg.DoModal(), ui::kIdOk);
    EXPECT_EQ(dlg.m_answer, ui::kIdNo);
    const std::string out = m_out.str();
    // The dialog has no caption bar; a line break in a static shows as \n.
    EXPECT_NE(out.find("dialog 9203:  | Hledá se\\ninstalace | Zrušit -> wait\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("message 9301:  -> no\n"), std::string::npos) << out;
}

TEST_F(ScriptedHostTest, ProgressDialogCanBeCancelledByAnAnswer) {
    ui::ScriptedHost host("dialog 9203 cancel\n", m_out);
    ui::ScopedHost scoped(host);
    SearchDlg dlg;
    EXPECT_EQ(dlg.DoModal(), ui::kIdCancel);
    EXPECT_EQ(m_out.str(), "dialog 9203:  | Hledá se\\ninstalace | Zrušit -> cancel\n");
}

TEST_F(ScriptedHostTest, LoopGuardCancelsADialogThatNeverEnds) {
    ui::ScriptedHost host("", m_out);
    ui::ScopedHost scoped(host);
    StubbornDlg dlg;
    EXPECT_EQ(dlg.DoModal(), ui::kIdCancel);
    EXPECT_EQ(dlg.m_oks, ui::ScriptedHost::kLoopGuard);
    const std::string out = m_out.str();
    EXPECT_NE(out.find("# dialog 9204 is still open after 20 default answers: cancel\n"
                       "dialog 9204: Tvrdohlavý | OK -> cancel\n"),
              std::string::npos)
        << out;
}

TEST_F(ScriptedHostTest, ExplicitAnswersDoNotCountTowardsTheLoopGuard) {
    std::string answers;
    for (int i = 0; i < 25; ++i) answers += "dialog 9204 ok\n";
    ui::ScriptedHost host(answers, m_out);
    ui::ScopedHost scoped(host);
    StubbornDlg dlg;
    EXPECT_EQ(dlg.DoModal(), ui::kIdCancel);
    EXPECT_EQ(dlg.m_oks, 25 + ui::ScriptedHost::kLoopGuard);
}

TEST_F(ScriptedHostTest, MessageBoxesFromManyThreadsEachGetOneLine) {
    std::string answers;
    for (int i = 0; i < 8; ++i) answers += "message 0 cancel\n";
    ui::ScriptedHost host(answers, m_out);
    ui::ScopedHost scoped(host);
    std::vector<std::thread> threads;
    std::atomic<int> cancels{0};
    for (int i = 0; i < 8; ++i) {
        threads.emplace_back([&] {
            if (ui::MessageBox(std::string("from a worker"), ui::Buttons::OkCancel) ==
                ui::kIdCancel) {
                ++cancels;
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(cancels, 8);
    std::istringstream lines(m_out.str());
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        EXPECT_EQ(line, "message 0: from a worker -> cancel");
        ++count;
    }
    EXPECT_EQ(count, 8);
}

TEST(ScriptedHostText, OneLineWritesLineBreaksAsBackslashN) {
    EXPECT_EQ(ui::OneLine("a\r\nb\nc\rd"), "a\\nb\\nc\\nd");
    EXPECT_EQ(ui::OneLine("C:\\ZEFI"), "C:\\ZEFI");
}

}  // namespace
