// The real windows of the dialog host, driven as a person would: window messages sent to the
// dialog's controls from another thread (clicks, keys, typed characters), never the object's
// own calls.
#include "platform/win32/win_util.h"  // windows.h
#undef MessageBox

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "platform/machine.h"
#include "platform/win32/wide_text.h"
#include "resources/dialogs.h"
#include "ui/host.h"
#include "ui/hosts/win32/dialog_host.h"

namespace {

using platform::win32::Utf8ToWide;
using resources::ControlKind;
using resources::ControlTemplate;

constexpr int kTestDialog = 9100;
constexpr int kEdit = 100, kCheck = 101, kProgress = 102, kTicks = 103, kLater = 104;

// Waits (up to a minute: the machine may be slow, and the wait only ends a failing test) until
// pred holds; true when it did.
bool WaitFor(const std::function<bool()>& pred) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (!pred()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// The visible dialog window (class #32770) of a thread whose caption is caption.
HWND FindDialogOf(DWORD thread, const std::wstring& caption) {
    struct Search {
        std::wstring caption;
        HWND found = nullptr;
    } search{caption};
    ::EnumThreadWindows(
        thread,
        [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            wchar_t cls[16] = {}, text[256] = {};
            ::GetClassNameW(window, cls, 16);
            ::GetWindowTextW(window, text, 256);
            if (std::wstring(cls) == L"#32770" && ::IsWindowVisible(window) && s->caption == text) {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForDialog(DWORD thread, const std::wstring& caption) {
    HWND window = nullptr;
    WaitFor([&] { return (window = FindDialogOf(thread, caption)) != nullptr; });
    return window;
}

std::wstring TextOf(HWND window) {
    wchar_t text[1024] = {};
    ::GetWindowTextW(window, text, 1024);
    return text;
}

ControlTemplate Control(int id, ControlKind kind, const char* text, int y) {
    return ControlTemplate{id, kind, text, text, 7, y, 120, 12};
}

// A dialog of its own: an edit field, a check box that enables a button, a progress bar and a
// text that a 50 ms timer moves.
class DrivenDialog : public ui::Dialog {
  public:
    DrivenDialog() : ui::Dialog(kTestDialog) {}
    std::string typed;
    int check = 0;
    std::atomic<int> ticks{0};
    bool laterPressed = false;

  protected:
    bool OnInitDialog() override {
        ui::Dialog::OnInitDialog();
        SetTimer(1, 50);
        return true;
    }
    void OnTimer(int) override {
        const int n = ++ticks;
        SetPos(kProgress, n * 10);
        SetItemText(kTicks, "tik " + std::to_string(n));
    }
    bool OnCommand(int id) override {
        if (id == kCheck) EnableItem(kLater, GetCheck(kCheck) != 0);
        if (id == kLater) laterPressed = true;
        return id == kCheck || id == kLater;
    }
    void DoDataExchange(ui::DataExchange& dx) override {
        ui::DDX_Text(dx, kEdit, typed);
        ui::DDX_Check(dx, kCheck, check);
    }
};

class DialogHostTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ControlTemplate later = Control(kLater, ControlKind::Button, "Později", 64);
        later.enabled = false;
        ui::RegisterDialogTemplate({kTestDialog,
                                    "Zkouška oken",
                                    "Skúška okien",
                                    200,
                                    120,
                                    {Control(kEdit, ControlKind::Edit, "", 7),
                                     Control(kCheck, ControlKind::CheckBox, "Zaškrtnout", 22),
                                     Control(kProgress, ControlKind::Progress, "", 36),
                                     Control(kTicks, ControlKind::Static, "", 50), later,
                                     Control(ui::kIdOk, ControlKind::DefButton, "OK", 80),
                                     Control(ui::kIdCancel, ControlKind::Button, "Storno", 96)}});
    }
    void TearDown() override { ui::UnregisterDialogTemplate(kTestDialog); }

    ui::hosts::win32::WindowsHost m_host;
    ui::ScopedHost m_scoped{m_host};
    const DWORD m_thread = ::GetCurrentThreadId();
};

TEST_F(DialogHostTest, ButtonsCheckBoxEditFieldAndTimerWorkThroughTheWindow) {
    DrivenDialog dialog;
    std::atomic<bool> driven{false};
    std::string failure;
    std::thread person([&] {
        HWND window = WaitForDialog(m_thread, L"Zkouška oken");
        if (!window) return void(failure = "the dialog did not open");
        HWND edit = ::GetDlgItem(window, kEdit), check = ::GetDlgItem(window, kCheck);
        HWND later = ::GetDlgItem(window, kLater);
        for (wchar_t c : std::wstring(L"C:\\Účetní")) ::SendMessageW(edit, WM_CHAR, c, 1);
        if (::IsWindowEnabled(later)) failure += "the button was enabled before the click; ";
        ::SendMessageW(check, BM_CLICK, 0, 0);  // the mouse
        if (!WaitFor([&] { return ::IsWindowEnabled(later) != FALSE; })) {
            failure += "the check box did not enable the button; ";
        }
        ::SendMessageW(later, BM_CLICK, 0, 0);
        // The keyboard: the space bar toggles the focused check box back.
        ::PostMessageW(check, WM_KEYDOWN, VK_SPACE, 0x00390001);
        ::PostMessageW(check, WM_KEYUP, VK_SPACE, 0xC0390001);
        if (!WaitFor([&] { return ::IsWindowEnabled(later) == FALSE; })) {
            failure += "the space bar did not clear the check box; ";
        }
        HWND progress = ::GetDlgItem(window, kProgress);
        if (!WaitFor([&] { return ::SendMessageW(progress, PBM_GETPOS, 0, 0) >= 30; })) {
            failure += "the progress bar did not move; ";
        }
        if (TextOf(::GetDlgItem(window, kTicks)).compare(0, 4, L"tik ") != 0) {
            failure += "the timer's text is not shown; ";
        }
        driven = true;
        ::SendMessageW(::GetDlgItem(window, ui::kIdOk), BM_CLICK, 0, 0);
    });
    const int result = dialog.DoModal();
    person.join();
    EXPECT_EQ(failure, "");
    EXPECT_TRUE(driven);
    EXPECT_EQ(result, ui::kIdOk);
    EXPECT_EQ(dialog.typed, "C:\\Účetní");
    EXPECT_EQ(dialog.check, 0);
    EXPECT_TRUE(dialog.laterPressed);
    EXPECT_GE(dialog.ticks.load(), 3);
}

TEST_F(DialogHostTest, EscapeTheCloseBoxAndAWorkersCloseRequestAreCancel) {
    const std::function<void(HWND, ui::Dialog&)> ways[] = {
        [](HWND window, ui::Dialog&) {
            ::PostMessageW(::GetDlgItem(window, kEdit), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        },
        [](HWND window, ui::Dialog&) { ::PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0); },
        [](HWND, ui::Dialog& dialog) { dialog.PostClose(); },
    };
    for (const auto& way : ways) {
        DrivenDialog dialog;
        std::thread person([&] {
            if (HWND window = WaitForDialog(m_thread, L"Zkouška oken")) way(window, dialog);
        });
        EXPECT_EQ(dialog.DoModal(), ui::kIdCancel);
        person.join();
    }
}

TEST_F(DialogHostTest, AWorkersProgressShowsWhileTheDialogWaits) {
    ui::Dialog dialog(kTestDialog);
    std::string failure;
    std::thread worker([&] {
        HWND window = WaitForDialog(m_thread, L"Zkouška oken");
        if (!window) return void(failure = "the dialog did not open");
        dialog.SetRange(kProgress, 0, 1000);
        dialog.SetPos(kProgress, 750);
        dialog.SetItemText(kTicks, "Kopíruje se");
        HWND progress = ::GetDlgItem(window, kProgress);
        if (!WaitFor([&] { return ::SendMessageW(progress, PBM_GETPOS, 0, 0) == 750; })) {
            failure += "the position is not shown; ";
        }
        if (::SendMessageW(progress, PBM_GETRANGE, FALSE, 0) != 1000) failure += "range; ";
        if (TextOf(::GetDlgItem(window, kTicks)) != L"Kopíruje se") failure += "text; ";
        dialog.PostClose(ui::kIdOk);
    });
    EXPECT_EQ(dialog.DoModal(), ui::kIdOk);
    worker.join();
    EXPECT_EQ(failure, "");
}

// Every dialog of the program opens from its template with its controls, texts, default
// button and a system menu without Size and Maximize, in both languages.
TEST_F(DialogHostTest, EveryProgramDialogOpensFromItsTemplate) {
    for (uint16_t lang : {platform::kLangCzech, platform::kLangSlovak}) {
        platform::SetThreadUILanguage(lang);
        for (const resources::DialogTemplate& t : resources::AllDialogs()) {
            SCOPED_TRACE("dialog " + std::to_string(t.id) + ", language " + std::to_string(lang));
            ui::Dialog dialog(t.id);
            std::string failure;
            std::thread person([&] {
                const std::wstring caption =
                    t.titleBar ? Utf8ToWide(resources::CaptionText(t, lang)) : L"";
                HWND window = WaitForDialog(m_thread, caption);
                if (!window) return void(failure = "did not open");
                for (const ControlTemplate& c : t.controls) {
                    if (c.id < 0) continue;
                    HWND child = ::GetDlgItem(window, c.id);
                    if (!child) {
                        failure += "no control " + std::to_string(c.id) + "; ";
                        continue;
                    }
                    const bool hasText =
                        c.kind != ControlKind::Progress && c.kind != ControlKind::Icon &&
                        c.kind != ControlKind::ListBox && c.kind != ControlKind::Edit;
                    if (hasText && TextOf(child) != Utf8ToWide(resources::ControlText(c, lang))) {
                        failure += "text of " + std::to_string(c.id) + "; ";
                    }
                    if ((::IsWindowVisible(child) != FALSE) != c.visible) {
                        failure += "visibility of " + std::to_string(c.id) + "; ";
                    }
                    if (c.kind == ControlKind::DefButton &&
                        LOWORD(::SendMessageW(window, DM_GETDEFID, 0, 0)) != c.id) {
                        failure += "default button; ";
                    }
                }
                if (t.titleBar) {
                    HMENU menu = ::GetSystemMenu(window, FALSE);
                    if (!menu || !(::GetMenuState(menu, SC_MAXIMIZE, MF_BYCOMMAND) & MF_GRAYED) ||
                        !(::GetMenuState(menu, SC_SIZE, MF_BYCOMMAND) & MF_GRAYED)) {
                        failure += "Size or Maximize offered; ";
                    }
                }
                ::PostMessageW(window, WM_CLOSE, 0, 0);
            });
            EXPECT_EQ(dialog.DoModal(), ui::kIdCancel);
            person.join();
            EXPECT_EQ(failure, "");
        }
    }
    platform::SetThreadUILanguage(platform::kLangCzech);
}

TEST_F(DialogHostTest, AMessageBoxHasItsCaptionTextIconAndButtons) {
    std::string failure;
    std::thread person([&] {
        HWND box = nullptr;
        WaitFor([&] {
            box = ::FindWindowW(L"#32770", L"Setup systému ZEFI");
            return box && ::IsWindowVisible(box);
        });
        if (!box) return void(failure = "no box");
        if (!::GetDlgItem(box, IDYES) || !::GetDlgItem(box, IDNO) || ::GetDlgItem(box, IDOK)) {
            failure += "buttons; ";
        }
        bool hasIcon = false, hasText = false;
        for (HWND child = ::GetWindow(box, GW_CHILD); child;
             child = ::GetWindow(child, GW_HWNDNEXT)) {
            if ((::GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) hasIcon = true;
            if (TextOf(child).find(L"Pokračovat?") != std::wstring::npos) hasText = true;
        }
        if (!hasIcon) failure += "icon; ";
        if (!hasText) failure += "text; ";
        ::SendMessageW(::GetDlgItem(box, IDNO), BM_CLICK, 0, 0);
    });
    ui::MessageRequest request;
    request.caption = "Setup systému ZEFI";
    request.text = "Cíl je plný.\nPokračovat?";
    request.buttons = ui::Buttons::YesNo;
    request.icon = ui::Icon::Question;
    EXPECT_EQ(m_host.ShowMessage(request), ui::kIdNo);
    person.join();
    EXPECT_EQ(failure, "");
}

}  // namespace
