// The scripted dialog host: answers dialogs and message boxes from an answers text and prints
// one line for each, for unattended runs and for tests.
#pragma once

#include <cstdint>
#include <mutex>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "ui/host.h"

namespace ui {

// One line of an answers text.
struct Answer {
    enum class Kind { Message, Dialog, Browse } kind = Kind::Message;
    int id = 0;          // string id (message) or template id (dialog); 0 for browse
    std::string button;  // "ok", "cancel", "yes", "no", "retry", a button id, or the
                         // chosen folder (browse; "cancel" or empty for none)
    std::vector<std::pair<int, std::string>> settings;  // dialog control settings id=value
    int line = 0;  // line number in the answers text, for notes
    bool used = false;
};

// Parses an answers text. Lines:
//   message <string id> <ok|cancel|yes|no|retry|abort|ignore|number>
//   dialog <template id> <ok|cancel|...|button id> [<control id>=<value> ...]
//   browse <folder>|cancel
// '#' at the start of a word begins a comment; a value may be quoted ("C:\Program Files").
// Lines that cannot be read are skipped and described in errors (one text per line).
std::vector<Answer> ParseAnswers(const std::string& text, std::vector<std::string>* errors);

// Answers every dialog and message box from a list of answers, writing to out:
//   message <id>: <text> -> <answer>
//   dialog <id>: <caption> | <visible control texts, template order> -> <button>
//   browse: <title> -> <folder or cancel>
// one line each, UTF-8, a line break inside a text written as \n. Each dialog or message box
// takes the first unused answer of its kind and id. Without one: a message box takes its first
// button, except that a Retry/Cancel box (160, an image transfer that keeps breaking) takes
// Cancel, since retrying with nobody there would go on for ever; a dialog with an OK button
// takes OK with its current state; a dialog without an OK button but with other push buttons
// than Cancel (the main menu) takes Cancel; a dialog whose only push button is Cancel shows
// progress and runs its timers until it ends by itself (printed with "-> wait"). An answer that
// sets a disabled, hidden or read-only control or presses a disabled or hidden button is refused
// as a whole, as a person could not do it: nothing changes, the line ends with "-> refused
// <control id> (disabled)" (or "(hidden)", "(read-only)"), and the dialog takes its next answer.
// A dialog answered by default 20 times in a row without ending is cancelled (noted with a '#'
// line). The texts of files that the program shows (ShowText) are printed as "text <n>: <text>".
// Thread-safe: message boxes may come from any thread.
class ScriptedHost : public DialogHost {
  public:
    // answers: the answers text; out: where the lines go (must outlive the host).
    ScriptedHost(const std::string& answers, std::ostream& out);

    int RunModal(Dialog& dialog) override;
    int ShowMessage(const MessageRequest& request) override;
    std::string BrowseForFolder(const std::string& title, const std::string& initial) override;
    // "text <n>: <text>", n counting the texts this host showed from 1, the text on one line
    // (a final line end dropped).
    void ShowText(const std::string& text) override;
    // Writes text as it stands, with a line end, where the answer lines go.
    bool WriteText(const std::string& text) override;

    // Answers not used so far, in file order.
    std::vector<Answer> UnusedAnswers() const;

    // How many default answers in a row end a dialog with Cancel.
    static constexpr int kLoopGuard = 20;

  private:
    Answer* TakeAnswer(Answer::Kind kind, int id);
    void Print(const std::string& line);
    void Note(const std::string& text);
    std::string DialogLine(const Dialog& dialog, const std::string& answer) const;
    void ApplySettings(Dialog& dialog, const Answer& answer);
    // "<id> (disabled)", "<id> (hidden)" or "<id> (read-only)" for the first control that the
    // answer would change or press and a person could not; empty when it can be done.
    std::string RefusedPart(const Dialog& dialog, const Answer& answer, int button) const;

    mutable std::mutex m_mutex;  // the answers
    std::mutex m_outMutex;       // the output stream
    std::vector<Answer> m_answers;
    int m_textsShown = 0;  // guarded by m_mutex
    std::ostream& m_out;
};

// Writes text on one line: CR LF, CR and LF become the two characters \n.
std::string OneLine(const std::string& text);

}  // namespace ui
