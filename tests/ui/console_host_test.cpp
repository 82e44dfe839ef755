// Tests of the console host, driven through pipes in place of a terminal.
#include "ui/hosts/console_host.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "support/temp_prefix.h"
#include "ui/folder_browser.h"
#include "ui/message_box.h"

namespace {

using resources::ControlKind;
using Kind = ui::hosts::ConsoleHost::Key::Kind;

constexpr int kDlgConsole = 9401;

TEST(ConsoleKeys, DecodesControlKeysAndUtf8) {
    auto keys = ui::hosts::ConsoleHost::DecodeKeys("1\r\n\x1b[A\x1b\x03\x7fž\x15x\n");
    ASSERT_EQ(keys.size(), 10u);
    EXPECT_EQ(keys[0].kind, Kind::Char);
    EXPECT_EQ(keys[0].text, "1");
    EXPECT_EQ(keys[1].kind, Kind::Enter);  // CR LF is one Enter
    EXPECT_EQ(keys[2].kind, Kind::Other);  // an arrow key is not Esc
    EXPECT_EQ(keys[3].kind, Kind::Escape);
    EXPECT_EQ(keys[4].kind, Kind::Interrupt);
    EXPECT_EQ(keys[5].kind, Kind::Backspace);
    EXPECT_EQ(keys[6].kind, Kind::Char);
    EXPECT_EQ(keys[6].text, "ž");
    EXPECT_EQ(keys[7].kind, Kind::KillLine);
    EXPECT_EQ(keys[8].text, "x");
    EXPECT_EQ(keys[9].kind, Kind::Enter);
}

// The terminal replaced by two pipes: keys written by the test, the screen collected.
class FakeTerminal {
  public:
    FakeTerminal() {
        EXPECT_EQ(pipe(m_keys), 0);
        EXPECT_EQ(pipe(m_screen), 0);
        m_reader = std::thread([this] {
            char buf[4096];
            ssize_t n;
            while ((n = read(m_screen[0], buf, sizeof buf)) > 0) {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_text.append(buf, static_cast<size_t>(n));
            }
        });
    }
    ~FakeTerminal() {
        close(m_keys[1]);
        close(m_keys[0]);
        close(m_screen[1]);
        m_reader.join();
        close(m_screen[0]);
    }
    int In() const { return m_keys[0]; }
    int Out() const { return m_screen[1]; }
    void Type(const std::string& keys) {
        ASSERT_EQ(write(m_keys[1], keys.data(), keys.size()), (ssize_t)keys.size());
    }
    void HangUp() {
        close(m_keys[1]);
        m_keys[1] = open("/dev/null", O_WRONLY);
    }
    std::string Screen() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_text;
    }
    // Waits until the screen shows text (a safety bound keeps a broken host from hanging).
    bool WaitFor(const std::string& text) {
        for (int i = 0; i < 3000; ++i) {
            if (Screen().find(text) != std::string::npos) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

  private:
    int m_keys[2];
    int m_screen[2];
    std::thread m_reader;
    std::mutex m_mutex;
    std::string m_text;
};

class ConsoleDlg : public ui::Dialog {
  public:
    ConsoleDlg() : ui::Dialog(kDlgConsole) {}
    std::string m_path;
    int m_check = 0;
    std::atomic<int> m_ticks{0};
    int m_endAfterTicks = 0;
    bool m_disableCheck = false;
    std::function<void()> m_worker;
    std::thread m_thread;
    ~ConsoleDlg() override {
        if (m_thread.joinable()) m_thread.join();
    }

  protected:
    bool OnInitDialog() override {
        ui::Dialog::OnInitDialog();
        if (m_disableCheck) EnableItem(1019, false);
        SetTimer(1, 10);
        if (m_worker) m_thread = std::thread(m_worker);
        return true;
    }
    void OnTimer(int) override {
        ++m_ticks;
        SetPos(1021, m_ticks % 100);
        if (m_endAfterTicks && m_ticks >= m_endAfterTicks) EndDialog(55);
    }
    void DoDataExchange(ui::DataExchange& dx) override {
        ui::DDX_Text(dx, 1002, m_path);
        ui::DDX_Check(dx, 1019, m_check);
    }
};

class ConsoleHostTest : public testsupport::PrefixTest {
  protected:
    void SetUp() override {
        PrefixTest::SetUp();
        resources::DialogTemplate t{kDlgConsole, "Konzole", "Konzola", 200, 80, {}};
        t.controls = {
            {-1, ControlKind::Static, "Adresář", "Adresár", 5, 5, 100, 10},
            {1002, ControlKind::Edit, "", "", 5, 20, 100, 12},
            {1019, ControlKind::CheckBox, "Novější", "Novšie", 5, 35, 100, 10},
            {1021, ControlKind::Progress, "", "", 5, 45, 100, 10},
            {1, ControlKind::DefButton, "OK", "OK", 5, 60, 40, 14},
            {2, ControlKind::Button, "Zrušit", "Zrušiť", 50, 60, 40, 14},
        };
        ui::RegisterDialogTemplate(t);
    }
    void TearDown() override {
        ui::UnregisterDialogTemplate(kDlgConsole);
        PrefixTest::TearDown();
    }
};

TEST_F(ConsoleHostTest, NumbersEditFieldsCheckBoxesAndButtons) {
    FakeTerminal term;
    ui::hosts::ConsoleHost host(term.In(), term.Out());
    ui::ScopedHost scoped(host);
    ConsoleDlg dlg;
    dlg.m_path = "C:\\ZEFI";
    int result = 0;
    std::thread ui([&] { result = dlg.DoModal(); });
    ASSERT_TRUE(term.WaitFor("[1] [C:\\ZEFI]")) << term.Screen();
    EXPECT_TRUE(term.WaitFor("=== Konzole ==="));
    EXPECT_TRUE(term.WaitFor("[2] [ ] Novější"));
    EXPECT_TRUE(term.WaitFor("[3] OK *   [4] Zrušit"));
    // 1: the edit field (cleared with Ctrl+U, typed anew), 2: the check box, then Enter (OK).
    term.Type("1\n");
    ASSERT_TRUE(term.WaitFor("Nový text"));
    term.Type(
        "\x15"
        "D:\\NOVÝ\n");
    ASSERT_TRUE(term.WaitFor("[1] [D:\\NOVÝ]"));
    term.Type("2\n");
    ASSERT_TRUE(term.WaitFor("[2] [x] Novější"));
    term.Type("\n");
    ui.join();
    EXPECT_EQ(result, ui::kIdOk);
    EXPECT_EQ(dlg.m_path, "D:\\NOVÝ");
    EXPECT_EQ(dlg.m_check, 1);
}

TEST_F(ConsoleHostTest, EscapeCancelsAndAbortsAnEdit) {
    FakeTerminal term;
    ui::hosts::ConsoleHost host(term.In(), term.Out());
    ui::ScopedHost scoped(host);
    ConsoleDlg dlg;
    dlg.m_path = "C:\\ZEFI";
    int result = 0;
    std::thread ui([&] { result = dlg.DoModal(); });
    term.Type("1\n");
    ASSERT_TRUE(term.WaitFor("Nový text"));
    term.Type("X\x1b");  // Esc abandons the edit
    ASSERT_TRUE(term.WaitFor("Zvolte"));
    term.Type("9\n");  // no such item
    ASSERT_TRUE(term.WaitFor("Neplatná volba"));
    term.Type("\x03");  // Ctrl+C: Cancel
    ui.join();
    EXPECT_EQ(result, ui::kIdCancel);
    EXPECT_EQ(dlg.m_path, "C:\\ZEFI");
    EXPECT_EQ(dlg.GetItemText(1002), "C:\\ZEFI");
}

TEST_F(ConsoleHostTest, TimersRunWhileWaitingForInput) {
    FakeTerminal term;
    ui::hosts::ConsoleHost host(term.In(), term.Out());
    ui::ScopedHost scoped(host);
    ConsoleDlg dlg;
    dlg.m_endAfterTicks = 5;  // nobody types: only the timer can end the dialog
    EXPECT_EQ(dlg.DoModal(), 55);
    EXPECT_EQ(dlg.m_ticks, 5);
    EXPECT_TRUE(term.WaitFor("] 4 %"));  // the bar was redrawn
}

TEST_F(ConsoleHostTest, WorkerMessageBoxTakesTheConsole) {
    FakeTerminal term;
    ui::hosts::ConsoleHost host(term.In(), term.Out());
    ui::ScopedHost scoped(host);
    ConsoleDlg dlg;
    std::atomic<int> answer{0};
    std::atomic<int> ticksWhileOpen{0};
    dlg.m_worker = [&] {
        answer = ui::MessageBox(std::string("Vložte prosím disk"), ui::Buttons::OkCancel,
                                ui::Icon::Exclamation);
        dlg.PostClose(ui::kIdOk);
    };
    std::thread typist([&] {
        if (!term.WaitFor("(!) Vložte prosím disk")) return;
        const int before = dlg.m_ticks;
        // The dialog below keeps its timer running while the box has the console.
        while (dlg.m_ticks < before + 3) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ticksWhileOpen = dlg.m_ticks - before;
        term.Type("2\n");  // the box's second button: Cancel
    });
    EXPECT_EQ(dlg.DoModal(), ui::kIdOk);
    typist.join();
    EXPECT_EQ(answer, ui::kIdCancel);
    EXPECT_GE(ticksWhileOpen, 3);
    EXPECT_TRUE(term.WaitFor("[1] OK *   [2] Storno"));
}

TEST_F(ConsoleHostTest, EndOfInputCancels) {
    FakeTerminal term;
    ui::hosts::ConsoleHost host(term.In(), term.Out());
    ui::ScopedHost scoped(host);
    term.HangUp();
    ConsoleDlg dlg;
    EXPECT_EQ(dlg.DoModal(), ui::kIdCancel);
    EXPECT_EQ(ui::MessageBox(std::string("?"), ui::Buttons::YesNo), ui::kIdYes);
}

TEST_F(ConsoleHostTest, FolderQuestionAcceptsOnlyExistingFolders) {
    FakeTerminal term;
    ui::hosts::ConsoleHost host(term.In(), term.Out());
    ui::ScopedHost scoped(host);
    term.Type(
        "\x15"
        "C:\\NOSUCH\n");
    std::string chosen;
    std::thread asker([&] { chosen = ui::BrowseForFolder("Výběr adresáře", "C:\\"); });
    ASSERT_TRUE(term.WaitFor("Složka neexistuje"));
    term.Type(
        "\x15"
        "C:\\\n");
    asker.join();
    EXPECT_EQ(chosen, "C:\\");
    term.Type("\x1b");
    EXPECT_EQ(ui::BrowseForFolder("Výběr", "C:\\"), "");
}

TEST_F(ConsoleHostTest, WorkerMessageBoxKeepsTheDialogInSightAndOffersEscOnlyWithCancel) {
    FakeTerminal term;
    ui::hosts::ConsoleHost host(term.In(), term.Out());
    ui::ScopedHost scoped(host);
    ConsoleDlg dlg;
    std::atomic<int> answer{0};
    dlg.m_worker = [&] {
        answer = ui::MessageBox(std::string("Přepsat soubor?"), ui::Buttons::YesNo);
        dlg.PostClose(ui::kIdOk);
    };
    // The last frame drawn with the box in it. The worker may ask before its dialog is on the
    // terminal; the box is drawn again with the dialog above it as soon as the dialog is.
    auto lastBoxFrame = [&] {
        const std::string screen = term.Screen();
        const size_t box = screen.rfind("Přepsat soubor?");
        if (box == std::string::npos) return std::string();
        const size_t drawn = screen.rfind("\x1b[H", box);
        const size_t end = screen.find("\x1b[H", box);
        if (drawn == std::string::npos) return std::string();
        return screen.substr(drawn, end == std::string::npos ? end : end - drawn);
    };
    std::thread typist([&] {
        if (!term.WaitFor("Přepsat soubor?")) return;
        for (int i = 0; i < 1000 && lastBoxFrame().find("=== Konzole ===") == std::string::npos;
             ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        term.Type("\x1b");  // a box without Cancel cannot be escaped
        term.Type("2\n");
    });
    EXPECT_EQ(dlg.DoModal(), ui::kIdOk);
    typist.join();
    EXPECT_EQ(answer, ui::kIdNo);
    // The screen drawn with the box holds the dialog's caption and progress bar above it, and
    // its prompt does not offer Esc.
    const std::string screen = term.Screen();
    const size_t box = screen.rfind("Přepsat soubor?");
    ASSERT_NE(box, std::string::npos);
    const size_t drawn = screen.rfind("\x1b[H", box);
    ASSERT_NE(drawn, std::string::npos);
    const size_t end = screen.find("\x1b[H", box);
    const std::string frame = screen.substr(drawn, end == std::string::npos ? end : end - drawn);
    EXPECT_NE(frame.find("=== Konzole ==="), std::string::npos) << frame;
    EXPECT_LT(frame.find("=== Konzole ==="), frame.find("Přepsat soubor?"));
    EXPECT_NE(frame.find(" %"), std::string::npos) << frame;
    EXPECT_NE(frame.find("(Enter = výchozí tlačítko): "), std::string::npos) << frame;
    EXPECT_EQ(frame.find("Esc"), std::string::npos) << frame;
}

TEST_F(ConsoleHostTest, ACancellableBoxOffersEsc) {
    FakeTerminal term;
    ui::hosts::ConsoleHost host(term.In(), term.Out());
    ui::ScopedHost scoped(host);
    std::thread typist([&] {
        if (term.WaitFor("Pokračovat?")) term.Type("\x1b");
    });
    EXPECT_EQ(ui::MessageBox(std::string("Pokračovat?"), ui::Buttons::OkCancel), ui::kIdCancel);
    typist.join();
    EXPECT_NE(term.Screen().find("Esc = zrušit"), std::string::npos);
}

TEST_F(ConsoleHostTest, ADisabledChoiceSaysWhy) {
    FakeTerminal term;
    ui::hosts::ConsoleHost host(term.In(), term.Out());
    ui::ScopedHost scoped(host);
    ConsoleDlg dlg;
    dlg.m_disableCheck = true;
    int result = 0;
    std::thread ui([&] { result = dlg.DoModal(); });
    ASSERT_TRUE(term.WaitFor("Novější"));
    term.Type("2\n");
    EXPECT_TRUE(term.WaitFor("Volba je nedostupná")) << term.Screen();
    term.Type("\x03");
    ui.join();
    EXPECT_EQ(result, ui::kIdCancel);
    EXPECT_EQ(dlg.GetCheck(1019), 0);
}

TEST_F(ConsoleHostTest, ShownTextEndsWithALineAndStaysAboveAnOpenDialog) {
    FakeTerminal term;
    ui::hosts::ConsoleHost host(term.In(), term.Out());
    ui::ScopedHost scoped(host);
    ui::ShowText(
        "Verze \xE8\xED\r\ndruh\xE1 \xF8\xE1"
        "dka\r\n");
    ASSERT_TRUE(term.WaitFor("Verze čí\r\ndruhá řádka\r\n")) << term.Screen();
    ConsoleDlg dlg;
    dlg.m_worker = [&] {
        // Once the dialog is drawn, the text comes while it is open.
        term.WaitFor("=== Konzole ===");
        ui::ShowText(
            "B\xECh"
            "em kop\xEDrov\xE1n\xED");
    };
    std::thread typist([&] {
        term.WaitFor("Během kopírování\x1b[K\r\n");
        term.Type("\x03");
    });
    dlg.DoModal();
    typist.join();
    EXPECT_NE(term.Screen().find("Během kopírování\x1b[K\r\n"), std::string::npos) << term.Screen();
}

}  // namespace
