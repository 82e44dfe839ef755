// The modal dialog base class: controls built from a template, data exchange, timers and the
// close request that worker threads post.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "resources/dialogs.h"

namespace ui {

// Standard command and result ids (the values of IDOK ... IDNO).
enum : int {
    kIdOk = resources::kIdOk,
    kIdCancel = resources::kIdCancel,
    kIdAbort = resources::kIdAbort,
    kIdRetry = resources::kIdRetry,
    kIdIgnore = resources::kIdIgnore,
    kIdYes = resources::kIdYes,
    kIdNo = resources::kIdNo,
};

// The state of one control of an open dialog, as hosts draw it.
struct ControlState {
    int id = -1;
    resources::ControlKind kind = resources::ControlKind::Static;
    std::string text;    // UTF-8
    uint32_t style = 0;  // resources::kStyle* flags of the template
    bool visible = true;
    bool enabled = true;
    int check = 0;  // check boxes and radio buttons: 0 clear, 1 set, 2 indeterminate
    int lower = 0, upper = 100, pos = 0, step = 10;  // progress bars
};

// Adds a template that FindTemplate returns before the program's own ones: the hook through
// which tests give dialogs of their own. A later registration of the same id replaces the
// earlier one. Thread-safe.
void RegisterDialogTemplate(const resources::DialogTemplate& dialogTemplate);
// Removes a template added by RegisterDialogTemplate.
void UnregisterDialogTemplate(int id);
// The registered template of id, else resources::FindDialog(id); nullptr when neither has one.
// The pointer stays valid until the id is registered again or unregistered.
const resources::DialogTemplate* FindTemplate(int id);

class Dialog;

// The direction and target of one UpdateData call; passed to DoDataExchange.
class DataExchange {
  public:
    DataExchange(Dialog& dialog, bool save) : m_dialog(dialog), m_save(save) {}
    Dialog& GetDialog() const { return m_dialog; }
    // True: controls to members (UpdateData(true)); false: members to controls.
    bool IsSaving() const { return m_save; }
    // A control's text could not be taken: UpdateData returns false, and the default OnOK
    // keeps the dialog open.
    void Fail() { m_failed = true; }
    bool Failed() const { return m_failed; }

  private:
    Dialog& m_dialog;
    bool m_save;
    bool m_failed = false;
};

// Exchanges the text of control id with value, in the direction of dx. Both are display text
// (UTF-8): texts the program makes from its string table.
void DDX_Text(DataExchange& dx, int id, std::string& value);
// Exchanges the text of control id with value held in the system's ANSI code page (a path, the
// text of a file): the control shows it as display text, and the text a person typed is taken
// back into the code page. A character the code page cannot hold is refused instead of
// becoming "?": the message box of string kStringCharacterRefused names it, value keeps what
// it held, and the exchange fails (DataExchange::Fail).
void DDX_CodePageText(DataExchange& dx, int id, std::string& value);
// String 180, the refusal of a typed character the code page cannot hold.
constexpr uint32_t kStringCharacterRefused = 180;
// Exchanges the check state of check box or radio button id with value (0, 1 or 2).
void DDX_Check(DataExchange& dx, int id, int& value);

// Base class of every dialog. A dialog is created by its caller, shown with DoModal on the
// calling thread (the UI thread, or a worker for the dialogs that workers show), and destroyed
// after DoModal returns. The overridables run on the thread that called DoModal. The control
// accessors may be called from any thread (a worker may move a progress bar), but only the
// dialog's own thread may call EndDialog, SetTimer, KillTimer and UpdateData; other threads
// end a dialog with PostClose. Accessors on an id that the dialog does not have do nothing and
// return empty text, 0 or false.
class Dialog {
  public:
    explicit Dialog(int templateId);
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Shows the dialog modally through the current host (GetHost()) and returns the result given
    // to EndDialog, or -1 when the template does not exist. Builds the controls from the
    // template in the calling thread's UI language, calls OnInitDialog, then lets the host run
    // the dialog until it ends. While a dialog whose caption is "Instalace ZEFI pro Windows" or
    // "Inštalácia ZEFI pre Windows" is open, its title is registered (a second start of the
    // program sees it).
    int DoModal();
    // Ends the modal loop with result once the current handler returns.
    void EndDialog(int result);
    // Posts a close request from any thread. The dialog's thread handles it as if button result
    // were pressed, whether or not that button exists or is enabled: kIdCancel goes through
    // OnCommand and then OnCancel (as the close box does), kIdOk through OnCommand and then
    // OnOK, any other id through OnCommand and, when that does not handle it, ends the dialog
    // with that result. Requests posted while the dialog is not open are dropped.
    void PostClose(int result = kIdCancel);

    // Starts or restarts timer id with a period in milliseconds; OnTimer(id) is called on the
    // dialog's thread at that period while the dialog is open, also while the host waits for
    // the user. Returns false when the dialog is not open.
    bool SetTimer(int id, uint32_t periodMs);
    void KillTimer(int id);

    // Runs DoDataExchange: save true takes the controls into the members, false puts the members
    // into the controls. False when a text could not be taken (DDX_CodePageText).
    bool UpdateData(bool save = true);

    int GetTemplateId() const { return m_templateId; }
    std::string GetCaption() const;
    void SetCaption(const std::string& caption);
    bool HasItem(int id) const;
    // Control texts as hosts show them: display text (UTF-8).
    void SetItemText(int id, const std::string& text);
    std::string GetItemText(int id) const;
    // Shows text of the ANSI code page (a path, a file's text) in control id, converted to
    // display text as DDX_CodePageText does.
    void SetItemCodePageText(int id, const std::string& ansi);
    void SetCheck(int id, int state);
    int GetCheck(int id) const;
    // A user's click on a check box or radio button: sets its state and, when that changed it,
    // notifies the dialog through OnCommand(id) as a click notification does. Call it on the
    // dialog's own thread.
    void ClickCheck(int id, int state);
    void EnableItem(int id, bool enable);
    bool IsItemEnabled(int id) const;
    void ShowItem(int id, bool show);
    bool IsItemVisible(int id) const;
    // Progress bars. Positions are kept within the range; StepIt advances by the step and wraps
    // to the lower limit when it passes the upper one, and returns the previous position.
    void SetRange(int id, int lower, int upper);
    void GetRange(int id, int* lower, int* upper) const;
    void SetPos(int id, int pos);
    int GetPos(int id) const;
    void SetStep(int id, int step);
    int StepIt(int id);

    // ---- For hosts (DialogHost::RunModal); dialogs and their callers do not use these. ----

    // A copy of the controls in template order.
    std::vector<ControlState> Controls() const;
    // Counts every change of caption or controls, so that hosts redraw only when it moved.
    uint64_t ChangeCount() const { return m_changes.load(); }
    bool IsEnded() const;
    int GetResult() const;
    // The user pressed button id (Enter on the default button, Esc or the close box is
    // kIdCancel). Returns false, doing nothing, when id is not a visible and enabled push button
    // of the dialog; kIdCancel is always accepted. The handler runs on the calling thread, which
    // must be the dialog's thread.
    bool PressButton(int id);
    // Runs what is due on the dialog's thread: posted close requests, then timers that are due.
    // Waits at most maxWait for something to become due (or for the dialog to end) when nothing
    // is due yet. Returns true when something ran.
    bool RunPending(std::chrono::milliseconds maxWait);
    // Milliseconds until the next timer is due (0 when one is due now), or -1 without timers.
    int64_t MillisecondsToNextTimer() const;
    // True when the dialog has a visible push button with id kIdOk.
    bool HasOkButton() const;
    // Wakes a RunPending wait early, from any thread (used by hosts when input arrived).
    void Wake();
    // Sets what is called, on whichever thread did it, after the caption or a control changed,
    // a close request was posted, a timer was set or the dialog was woken: how a host whose
    // thread waits in a message loop learns that it has something to draw or run. The hook
    // must return at once and may not call back into the dialog. An empty function removes it;
    // once that returns, the old hook is not running and is never called again.
    void SetChangeHook(std::function<void()> hook);

  protected:
    // Called once the controls exist; the default puts the members into the controls
    // (UpdateData(false)) and returns true.
    virtual bool OnInitDialog();
    // OK button (id 1): default UpdateData(true), then EndDialog(kIdOk) when that succeeded.
    virtual void OnOK();
    // Cancel (id 2, Esc, close box, PostClose()): default EndDialog(kIdCancel).
    virtual void OnCancel();
    // Any button press or posted close request; return true when handled, which skips the
    // default handling of OK and Cancel. The default handles nothing.
    virtual bool OnCommand(int id);
    virtual void OnTimer(int id);
    // Exchanges members with controls through DDX_Text and DDX_Check; the default does nothing.
    virtual void DoDataExchange(DataExchange& dx);

  private:
    struct Timer {
        int id;
        std::chrono::milliseconds period;
        std::chrono::steady_clock::time_point due;
    };
    ControlState* FindLocked(int id);
    const ControlState* FindLocked(int id) const;
    void Dispatch(int id, bool fromUser);
    void Touch() {
        m_changes.fetch_add(1);
        Notify();
    }
    void Notify();

    const int m_templateId;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::string m_caption;
    std::vector<ControlState> m_controls;
    std::vector<Timer> m_timers;
    std::vector<int> m_posted;
    bool m_open = false;
    bool m_ended = false;
    bool m_woken = false;
    int m_result = 0;
    std::atomic<uint64_t> m_changes{0};
    std::mutex m_hookMutex;  // held while the hook runs
    std::function<void()> m_hook;
};

}  // namespace ui
