// The dialog host: what shows dialogs and message boxes to the user (a terminal, an answers
// file, later real windows), and the process-wide choice of it.
#pragma once

#include <cstdint>
#include <string>

#include "ui/dialog.h"
#include "ui/message_box.h"

namespace ui {

// Everything a host needs to show one message box.
struct MessageRequest {
    uint32_t stringId = 0;  // 0 for a text that is not a string-table entry
    std::string caption;    // UTF-8
    std::string text;       // UTF-8, already formatted
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::None;
};

class DialogHost {
  public:
    virtual ~DialogHost() = default;
    // Runs an open dialog until it ends (Dialog::IsEnded) and returns its result: shows it,
    // presses buttons for the user through Dialog::PressButton, and calls Dialog::RunPending so
    // that its timers and posted close requests run. Called by Dialog::DoModal on the dialog's
    // thread after OnInitDialog; the dialog may already be ended.
    virtual int RunModal(Dialog& dialog) = 0;
    // Shows a message box and returns the pressed button id. Called from any thread.
    virtual int ShowMessage(const MessageRequest& request) = 0;
    // Asks for a folder; empty text when cancelled. Called from any thread.
    virtual std::string BrowseForFolder(const std::string& title, const std::string& initial) = 0;
    // Shows the text of a file to the person running the program, without waiting for an
    // answer (display text; lines end with "\n" or "\r\n"). Called from any thread. The
    // default writes the text to standard output, then a line end.
    virtual void ShowText(const std::string& text);
    // Writes a long text for the person to read (the usage of -?) where the host's output
    // goes, a console or terminal, and returns true; a host without one (real windows)
    // returns false and the caller shows the text in a message box. Main thread.
    virtual bool WriteText(const std::string& text) {
        (void)text;
        return false;
    }
};

// Makes host the process-wide host (not owned; it must outlive its use), or with nullptr goes
// back to the fallback. Not meant to be switched while dialogs are open.
void SetHost(DialogHost* host);
// The current host. Without one set, a scripted host with no answers that writes to standard
// output: message boxes take their first button, dialogs take their defaults.
DialogHost& GetHost();

// Sets a host for the lifetime of the object and puts the previous one back afterwards.
class ScopedHost {
  public:
    explicit ScopedHost(DialogHost& host);
    ~ScopedHost();
    ScopedHost(const ScopedHost&) = delete;
    ScopedHost& operator=(const ScopedHost&) = delete;

  private:
    DialogHost* m_previous;
};

}  // namespace ui
