// Real dialogs over the framework's dialog objects. The dialog object holds the state; the
// window shows it. What the user does in the window (a button, a check box, typing) goes into
// the object through the calls a host makes (PressButton, ClickCheck, SetItemText); after every
// handler, timer and change notification the window is brought up to the object's state.
//
// Timers and close requests of the object run from a window timer of the dialog, which the
// system's modal loops (the dialog's own, a message box's, a nested dialog's) keep delivering;
// a change made on another thread (a worker moving a progress bar, PostClose) posts a message
// to the dialog so that it is shown at once.
#include "ui/hosts/win32/dialog_host.h"

#include "platform/win32/win_util.h"  // windows.h
#undef MessageBox                     // the program's own, not the Win32 macro

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <vector>

#include "platform/machine.h"
#include "platform/win32/folder_browser.h"
#include "platform/win32/wide_text.h"
#include "ui/hosts/win32/dialog_template.h"

namespace ui::hosts::win32 {

namespace {

using resources::ControlKind;

// The window timer that runs the object's timers and close requests, and its period: finer
// than any timer of the program (100 ms and up), coarse enough to cost nothing.
constexpr UINT_PTR kPumpTimer = 0x5A45;
constexpr UINT kPumpPeriodMs = 15;
// Posted by the change hook: the object changed on some thread.
constexpr UINT kMessageChanged = WM_APP + 0x5A;
// The icon resource of the main menu, and the system's error icon (IDI_HAND).
constexpr int kMainMenuIcon = 2;
constexpr int kSystemErrorIcon = 32513;

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    const int n = ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    text.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return text;
}

bool IsPushButton(ControlKind kind) {
    return kind == ControlKind::Button || kind == ControlKind::DefButton;
}

// The open dialog windows of the calling thread, innermost last: the owner of the next dialog or
// message box the thread shows. A worker's boxes have no owner: an owner on another thread
// would make the worker wait on that thread's messages, and that thread may be waiting for
// the worker.
std::vector<HWND>& OpenWindows() {
    thread_local std::vector<HWND> windows;
    return windows;
}

HWND TopWindow() { return OpenWindows().empty() ? nullptr : OpenWindows().back(); }

// One open dialog: the object, its window and child windows (template order).
class DialogWindow {
  public:
    DialogWindow(Dialog& dialog, const resources::DialogTemplate& t) : m_dialog(dialog), m_t(t) {}

    static INT_PTR CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG) {
            ::SetWindowLongPtrW(window, DWLP_USER, lParam);
            return reinterpret_cast<DialogWindow*>(lParam)->OnInit(window);
        }
        auto* self = reinterpret_cast<DialogWindow*>(::GetWindowLongPtrW(window, DWLP_USER));
        return self ? self->Handle(message, wParam, lParam) : FALSE;
    }

  private:
    BOOL OnInit(HWND window) {
        m_window = window;
        OpenWindows().push_back(window);
        for (HWND child = ::GetWindow(window, GW_CHILD); child;
             child = ::GetWindow(child, GW_HWNDNEXT)) {
            m_children.push_back(child);
        }
        const std::vector<ControlState> controls = m_dialog.Controls();
        // The children come in template order (an unnamed static has id -1 there and here);
        // should a system ever order them otherwise, find them by id.
        bool inOrder = m_children.size() == controls.size();
        for (size_t i = 0; inOrder && i < controls.size(); ++i) {
            inOrder = ::GetDlgCtrlID(m_children[i]) == controls[i].id;
        }
        if (!inOrder) {
            m_children.clear();
            for (const ControlState& c : controls) {
                m_children.push_back(c.id < 0 ? nullptr : ::GetDlgItem(window, c.id));
            }
        }
        for (const ControlState& c : controls) m_kinds.push_back(c.kind);
        for (size_t i = 0; i < controls.size(); ++i) {
            if (controls[i].kind == ControlKind::DefButton) {
                ::SendMessageW(window, DM_SETDEFID, static_cast<WPARAM>(controls[i].id), 0);
            }
            // The dialog manager selects the whole text of the edit field that gets the focus
            // at the start; a text shown for reading starts unselected, at its top.
            if (controls[i].kind == ControlKind::Edit &&
                (controls[i].style & resources::kStyleReadOnly) && m_children[i]) {
                ::PostMessageW(m_children[i], EM_SETSEL, 0, 0);
            }
            if (controls[i].kind == ControlKind::Icon && m_children[i]) {
                ::SendMessageW(m_children[i], STM_SETICON,
                               reinterpret_cast<WPARAM>(
                                   ::LoadIconW(nullptr, MAKEINTRESOURCEW(kSystemErrorIcon))),
                               0);
            }
        }
        if (m_t.id == resources::kDlgSetup) SetIcons();
        // Dialogs keep their size: the system menu offers neither Size nor Maximize.
        if (HMENU menu = ::GetSystemMenu(window, FALSE)) {
            ::EnableMenuItem(menu, SC_SIZE, MF_BYCOMMAND | MF_GRAYED);
            ::EnableMenuItem(menu, SC_MAXIMIZE, MF_BYCOMMAND | MF_GRAYED);
            ::DrawMenuBar(window);
        }
        m_dialog.SetChangeHook([this] {
            if (!m_changePosted.exchange(true)) ::PostMessageW(m_window, kMessageChanged, 0, 0);
        });
        ::SetTimer(window, kPumpTimer, kPumpPeriodMs, nullptr);
        Show(true);
        // The dialog may have ended already in its own start (OnInitDialog).
        EndWhenEnded();
        return TRUE;
    }

    void SetIcons() {
        HINSTANCE instance = ::GetModuleHandleW(nullptr);
        auto load = [instance](int cx, int cy) {
            return static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(kMainMenuIcon),
                                                   IMAGE_ICON, cx, cy, LR_DEFAULTCOLOR));
        };
        if (HICON big = load(::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON))) {
            ::SendMessageW(m_window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
        }
        if (HICON small = load(::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON))) {
            ::SendMessageW(m_window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
        }
    }

    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
            case WM_COMMAND:
                OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
                return TRUE;
            case WM_CLOSE:  // the close box and Alt+F4 are Cancel
                RunHandler([this] { m_dialog.PressButton(kIdCancel); });
                return TRUE;
            case WM_TIMER:
                if (wParam != kPumpTimer) return FALSE;
                Pump();
                return TRUE;
            case kMessageChanged:
                m_changePosted = false;
                Pump();
                return TRUE;
            case WM_DESTROY:
                m_dialog.SetChangeHook({});
                ::KillTimer(m_window, kPumpTimer);
                std::erase(OpenWindows(), m_window);
                return FALSE;
        }
        return FALSE;
    }

    void OnCommand(int id, int code, HWND control) {
        if (m_showing) return;  // our own SetWindowText and BM_SETCHECK
        const int index = IndexOf(id, control);
        if (id == IDCANCEL && (index < 0 || code == BN_CLICKED)) {
            RunHandler([this] { m_dialog.PressButton(kIdCancel); });
            return;
        }
        if (index < 0) {
            // Enter with no default button: IDOK from the dialog manager.
            if (id == IDOK && control == nullptr)
                RunHandler([this] { m_dialog.PressButton(kIdOk); });
            return;
        }
        const ControlKind kind = m_kinds[static_cast<size_t>(index)];
        if (IsPushButton(kind) && code == BN_CLICKED) {
            RunHandler([this, id] { m_dialog.PressButton(id); });
        } else if ((kind == ControlKind::CheckBox || kind == ControlKind::RadioButton) &&
                   code == BN_CLICKED) {
            const int state = static_cast<int>(
                ::SendMessageW(m_children[static_cast<size_t>(index)], BM_GETCHECK, 0, 0));
            RunHandler([this, id, state] { m_dialog.ClickCheck(id, state); });
        } else if (kind == ControlKind::Edit && code == EN_CHANGE) {
            const std::string text =
                platform::win32::WideToUtf8(WindowText(m_children[static_cast<size_t>(index)]));
            m_dialog.SetItemText(id, text);
            m_shownChanges = m_dialog.ChangeCount();
        }
    }

    // The index of a control in template order, or -1.
    int IndexOf(int id, HWND control) const {
        for (size_t i = 0; i < m_children.size(); ++i) {
            if (m_children[i] && (m_children[i] == control ||
                                  (control == nullptr && ::GetDlgCtrlID(m_children[i]) == id))) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }

    // Runs a handler of the object, unless one is running already: a handler that opens a
    // message box or a nested dialog lets this window's messages through meanwhile, and the
    // object's handlers do not expect to run inside one another.
    template <class F>
    void RunHandler(F handler) {
        if (m_inHandler) return;
        m_inHandler = true;
        handler();
        m_inHandler = false;
        Show(false);
        EndWhenEnded();
    }

    void Pump() {
        RunHandler([this] { m_dialog.RunPending(std::chrono::milliseconds(0)); });
        if (m_inHandler) Show(false);  // a worker's progress while a handler waits
    }

    void EndWhenEnded() {
        if (!m_inHandler && !m_ended && m_dialog.IsEnded()) {
            m_ended = true;
            ::EndDialog(m_window, m_dialog.GetResult());
        }
    }

    // Brings the window to the object's state; with force, whatever was shown before.
    void Show(bool force) {
        const uint64_t changes = m_dialog.ChangeCount();
        if (!force && changes == m_shownChanges) return;
        m_shownChanges = changes;
        m_showing = true;
        const std::wstring caption = platform::win32::Utf8ToWide(m_dialog.GetCaption());
        if (m_t.titleBar && WindowText(m_window) != caption) {
            ::SetWindowTextW(m_window, caption.c_str());
        }
        const std::vector<ControlState> controls = m_dialog.Controls();
        for (size_t i = 0; i < controls.size() && i < m_children.size(); ++i) {
            if (m_children[i]) ShowControl(m_children[i], controls[i]);
        }
        m_showing = false;
    }

    static void ShowControl(HWND child, const ControlState& c) {
        switch (c.kind) {
            case ControlKind::Progress: {
                PBRANGE range{};
                ::SendMessageW(child, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
                if (range.iLow != c.lower || range.iHigh != c.upper) {
                    ::SendMessageW(child, PBM_SETRANGE32, static_cast<WPARAM>(c.lower),
                                   static_cast<LPARAM>(c.upper));
                }
                if (::SendMessageW(child, PBM_GETPOS, 0, 0) != c.pos) {
                    ::SendMessageW(child, PBM_SETPOS, static_cast<WPARAM>(c.pos), 0);
                }
                break;
            }
            case ControlKind::Icon:
            case ControlKind::ListBox:
                break;
            default: {
                const std::wstring text = ControlWindowText(c);
                if (WindowText(child) != text) ::SetWindowTextW(child, text.c_str());
                if (c.kind == ControlKind::CheckBox || c.kind == ControlKind::RadioButton) {
                    if (::SendMessageW(child, BM_GETCHECK, 0, 0) != c.check) {
                        ::SendMessageW(child, BM_SETCHECK, static_cast<WPARAM>(c.check), 0);
                    }
                }
            }
        }
        if (((::GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE) != 0) != c.visible) {
            ::ShowWindow(child, c.visible ? SW_SHOWNA : SW_HIDE);
        }
        if ((::IsWindowEnabled(child) != FALSE) != c.enabled) ::EnableWindow(child, c.enabled);
    }

    Dialog& m_dialog;
    const resources::DialogTemplate& m_t;
    HWND m_window = nullptr;
    std::vector<HWND> m_children;  // template order; nullptr for one not found
    std::vector<ControlKind> m_kinds;
    std::atomic<bool> m_changePosted{false};
    uint64_t m_shownChanges = 0;
    bool m_showing = false;
    bool m_inHandler = false;
    bool m_ended = false;
};

UINT MessageBoxStyle(const MessageRequest& request) {
    UINT style = MB_SETFOREGROUND;
    switch (request.buttons) {
        case Buttons::Ok:
            style |= MB_OK;
            break;
        case Buttons::OkCancel:
            style |= MB_OKCANCEL;
            break;
        case Buttons::YesNo:
            style |= MB_YESNO;
            break;
        case Buttons::RetryCancel:
            style |= MB_RETRYCANCEL;
            break;
    }
    switch (request.icon) {
        case Icon::None:
            break;
        case Icon::Error:
            style |= MB_ICONERROR;
            break;
        case Icon::Question:
            style |= MB_ICONQUESTION;
            break;
        case Icon::Exclamation:
            style |= MB_ICONEXCLAMATION;
            break;
        case Icon::Information:
            style |= MB_ICONINFORMATION;
            break;
    }
    return style;
}

}  // namespace

WindowsHost::WindowsHost() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
}

int WindowsHost::RunModal(Dialog& dialog) {
    if (dialog.IsEnded()) return dialog.GetResult();
    const resources::DialogTemplate* t = FindTemplate(dialog.GetTemplateId());
    if (!t) return -1;
    const uint16_t lang = platform::GetThreadUILanguage();
    const std::vector<DWORD> bytes =
        BuildDialogTemplate(*t, lang, dialog.GetCaption(), dialog.Controls());
    DialogWindow window(dialog, *t);
    const INT_PTR result = ::DialogBoxIndirectParamW(
        ::GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(bytes.data()), TopWindow(),
        &DialogWindow::Proc, reinterpret_cast<LPARAM>(&window));
    dialog.SetChangeHook({});
    if (result == -1) return -1;
    return dialog.IsEnded() ? dialog.GetResult() : static_cast<int>(result);
}

int WindowsHost::ShowMessage(const MessageRequest& request) {
    using platform::win32::Utf8ToWide;
    return ::MessageBoxW(TopWindow(), Utf8ToWide(request.text).c_str(),
                         Utf8ToWide(request.caption).c_str(), MessageBoxStyle(request));
}

std::string WindowsHost::BrowseForFolder(const std::string& title, const std::string& initial) {
    return platform::win32::BrowseForFolder(TopWindow(), title, initial);
}

}  // namespace ui::hosts::win32
