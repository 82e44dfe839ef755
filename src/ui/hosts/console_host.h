// The console dialog host: dialogs and message boxes drawn as text on a terminal and answered
// from its keyboard.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ui/host.h"

namespace ui::hosts {

// Draws the open dialog as text (caption, statics, edit fields, check boxes, progress bars and
// buttons), numbering what the user can act on; the user types a number and Enter. Enter alone
// presses the default button, Esc or Ctrl+C is Cancel; choosing an edit field prompts for its
// new text. Progress bars and texts are redrawn in place whenever they change, and the
// dialog's timers run while the host waits for a key. A message box or folder question from
// any thread takes the terminal while it is open; the dialogs below it keep running their
// timers, and the caption and controls of the dialog under it are drawn above the question
// (the progress of a copy stays in sight under a worker's message box). The terminal is switched to
// raw input while anything is open and restored afterwards. Thread-safe.
class ConsoleHost : public DialogHost {
  public:
    // inFd: the terminal to read from; outFd: where to draw.
    ConsoleHost(int inFd, int outFd);
    ~ConsoleHost() override;

    int RunModal(Dialog& dialog) override;
    int ShowMessage(const MessageRequest& request) override;
    std::string BrowseForFolder(const std::string& title, const std::string& initial) override;
    // The text, then a line end; while a dialog or message box is open, its last lines stay
    // above what is open until the terminal is handed back, and are written out then.
    void ShowText(const std::string& text) override;
    // Writes text to the terminal, every line end as CR LF.
    bool WriteText(const std::string& text) override;

    // One keystroke, decoded from the terminal's bytes.
    struct Key {
        enum class Kind { Char, Enter, Escape, Interrupt, Backspace, KillLine, EndOfInput, Other };
        Kind kind = Kind::Other;
        std::string text;  // Kind::Char: the character's UTF-8 bytes
    };
    // Decodes terminal bytes into keys (exposed for tests). Escape sequences such as the arrow
    // keys are recognised and ignored (Kind::Other); a lone ESC is Kind::Escape.
    static std::vector<Key> DecodeKeys(const std::string& bytes);

    // Something the host shows and reads keys for: a dialog, a message box, a folder question.
    class View {
      public:
        virtual ~View() = default;
        // The whole screen text; called with the terminal held.
        virtual std::string Render(int columns) = 0;
        // Changes whenever the rendering would change.
        virtual uint64_t Version() = 0;
        // Handles keys; called without the terminal held (handlers may show message boxes).
        virtual void OnKeys(const std::vector<Key>& keys) = 0;
        virtual bool Done() = 0;
        // Runs what is due (timers), waiting at most maxWait.
        virtual void Idle(std::chrono::milliseconds maxWait) = 0;
        // How long the host may wait for a key before Idle must run, in milliseconds.
        virtual int KeyTimeoutMs() = 0;
        // A question (message box, folder) stays above dialogs that other threads open later.
        virtual bool IsQuestion() const { return false; }
        // What a question asked above this view shows of it (a dialog: its caption and
        // controls, so that the progress of the dialog under a worker's message box stays in
        // sight), and a count that changes with it. Called from any thread with the terminal
        // held.
        virtual std::string Backdrop(int) { return ""; }
        virtual uint64_t BackdropVersion() { return 0; }
    };

  private:
    void Run(View& view);
    void Push(View* view);
    void Pop(View* view);
    void EnterRawMode();
    void LeaveRawMode();
    void Draw(const std::string& screen);
    void WriteOut(const std::string& bytes);
    // The view whose backdrop a question shows below itself; nullptr for a dialog or without
    // one. With the terminal held.
    View* Backdrop(View& view);
    std::vector<Key> ReadKeys(int timeoutMs);
    int Columns() const;
    int Rows() const;

    const int m_in;
    const int m_out;
    std::mutex m_mutex;  // the terminal: drawing, reading and the frame stack
    struct Frame {
        View* view;
        std::thread::id thread;
    };
    std::vector<Frame> m_frames;  // the top one draws and reads keys
    uint64_t m_generation = 0;    // bumped when the top frame changes
    static constexpr size_t kShownLines = 10;
    std::vector<std::string> m_shownLines;  // texts shown while views were open
    std::string m_shownText;                // their last kShownLines lines, as drawn
    bool m_raw = false;
    bool m_endOfInput = false;
    std::vector<unsigned char> m_savedTermios;
};

}  // namespace ui::hosts
