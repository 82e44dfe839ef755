// The console dialog host: dialogs and message boxes as text on a terminal.
#include "ui/hosts/console_host.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>

#include "ui/hosts/console_views.h"

namespace ui::hosts {

using detail::SplitLines;
using detail::Width;
using Key = ConsoleHost::Key;
using KeyKind = ConsoleHost::Key::Kind;

namespace {

// Writes all of text to fd, going on after interrupted writes. False when a write fails.
bool WriteAll(int fd, const std::string& text) {
    size_t written = 0;
    while (written < text.size()) {
        ssize_t n = write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        written += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

ConsoleHost::ConsoleHost(int inFd, int outFd) : m_in(inFd), m_out(outFd) {}

ConsoleHost::~ConsoleHost() {
    std::lock_guard<std::mutex> lock(m_mutex);
    LeaveRawMode();
}

std::vector<Key> ConsoleHost::DecodeKeys(const std::string& bytes) {
    std::vector<Key> keys;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        Key key;
        if (c == 0x1b) {
            if (i + 1 < bytes.size() && (bytes[i + 1] == '[' || bytes[i + 1] == 'O')) {
                // A control sequence: ESC [ parameters final byte, or ESC O x.
                size_t j = i + 2;
                if (bytes[i + 1] == '[') {
                    while (j < bytes.size() && !(bytes[j] >= 0x40 && bytes[j] <= 0x7e)) ++j;
                }
                i = std::min(j, bytes.size() - 1);
                key.kind = KeyKind::Other;
            } else {
                key.kind = KeyKind::Escape;
            }
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
            key.kind = KeyKind::Enter;
        } else if (c == 0x03) {
            key.kind = KeyKind::Interrupt;
        } else if (c == 0x7f || c == 0x08) {
            key.kind = KeyKind::Backspace;
        } else if (c == 0x15) {
            key.kind = KeyKind::KillLine;
        } else if (c < 0x20) {
            key.kind = KeyKind::Other;
        } else {
            key.kind = KeyKind::Char;
            key.text = bytes.substr(i, 1);
            // The continuation bytes of a UTF-8 character belong to the same key.
            if (c >= 0xC0) {
                while (i + 1 < bytes.size() &&
                       (static_cast<unsigned char>(bytes[i + 1]) & 0xC0) == 0x80) {
                    key.text += bytes[++i];
                }
            }
        }
        keys.push_back(std::move(key));
    }
    return keys;
}

int ConsoleHost::RunModal(Dialog& dialog) {
    Run(*detail::MakeDialogView(dialog));
    return dialog.GetResult();
}

int ConsoleHost::ShowMessage(const MessageRequest& request) {
    int answer = kIdCancel;
    Run(*detail::MakeMessageView(request, &answer));
    return answer;
}

std::string ConsoleHost::BrowseForFolder(const std::string& title, const std::string& initial) {
    std::string result;
    Run(*detail::MakeFolderView(title, initial, &result));
    return result;
}

void ConsoleHost::Run(View& view) {
    Push(&view);
    uint64_t drawnVersion = 0;
    uint64_t drawnGeneration = 0;
    bool drawn = false;
    bool sentEnd = false;
    while (!view.Done()) {
        std::vector<Key> keys;
        bool top = false;
        bool endOfInput = false;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            top = m_frames.back().view == &view;
            if (top) {
                View* below = Backdrop(view);
                const uint64_t version =
                    view.Version() * 1000003u + (below ? below->BackdropVersion() : 0);
                if (!drawn || version != drawnVersion || m_generation != drawnGeneration) {
                    const int columns = Columns();
                    std::string screen = view.Render(columns);
                    if (below) screen = below->Backdrop(columns) + "\n" + screen;
                    if (!m_shownText.empty()) screen = m_shownText + "\n\n" + screen;
                    Draw(screen);
                    drawn = true;
                    drawnVersion = version;
                    drawnGeneration = m_generation;
                }
                if (!m_endOfInput) keys = ReadKeys(view.KeyTimeoutMs());
                endOfInput = m_endOfInput;
            }
        }
        if (!top) {
            view.Idle(std::chrono::milliseconds(100));
            continue;
        }
        if (endOfInput && !sentEnd) {
            // The terminal is gone: answer as Esc would, once, and let the view finish.
            sentEnd = true;
            Key end;
            end.kind = Key::Kind::EndOfInput;
            keys.push_back(end);
        }
        if (!keys.empty()) view.OnKeys(keys);
        view.Idle(std::chrono::milliseconds(endOfInput && keys.empty() ? 100 : 0));
    }
    Pop(&view);
}

ConsoleHost::View* ConsoleHost::Backdrop(View& view) {
    if (!view.IsQuestion()) return nullptr;
    for (auto it = m_frames.rbegin(); it != m_frames.rend(); ++it) {
        if (it->view != &view && !it->view->IsQuestion()) return it->view;
    }
    return nullptr;
}

void ConsoleHost::ShowText(const std::string& text) {
    std::vector<std::string> lines = SplitLines(text);
    if (lines.size() > 1 && lines.back().empty()) lines.pop_back();
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_frames.empty()) {
        std::string out;
        for (const std::string& line : lines) out += line + "\r\n";
        WriteOut(out);
        return;
    }
    // While something is open the text stays above it (its last lines), and is written out
    // for good when the terminal is handed back.
    for (const std::string& line : lines) m_shownLines.push_back(line);
    m_shownText.clear();
    const size_t first = m_shownLines.size() > kShownLines ? m_shownLines.size() - kShownLines : 0;
    for (size_t i = first; i < m_shownLines.size(); ++i)
        m_shownText += (i > first ? "\n" : "") + m_shownLines[i];
    ++m_generation;
}

void ConsoleHost::WriteOut(const std::string& out) {
    size_t written = 0;
    while (written < out.size()) {
        ssize_t n = write(m_out, out.data() + written, out.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        written += static_cast<size_t>(n);
    }
}

void ConsoleHost::Push(View* view) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_frames.empty()) EnterRawMode();
    // A question that another thread is asking keeps the terminal until it is answered: a
    // worker's message box can come up while its dialog is still starting.
    auto at = m_frames.end();
    const std::thread::id self = std::this_thread::get_id();
    while (at != m_frames.begin() && (at - 1)->view->IsQuestion() && (at - 1)->thread != self) --at;
    m_frames.insert(at, Frame{view, self});
    ++m_generation;
}

void ConsoleHost::Pop(View* view) {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::erase_if(m_frames, [view](const Frame& f) { return f.view == view; });
    ++m_generation;
    if (m_frames.empty()) {
        std::string out = "\x1b[H\x1b[2J";
        for (const std::string& line : m_shownLines) out += line + "\r\n";
        m_shownLines.clear();
        m_shownText.clear();
        WriteOut(out);
        LeaveRawMode();
    }
}

void ConsoleHost::EnterRawMode() {
    termios saved{};
    if (m_raw || tcgetattr(m_in, &saved) != 0) return;
    m_savedTermios.assign(reinterpret_cast<unsigned char*>(&saved),
                          reinterpret_cast<unsigned char*>(&saved) + sizeof saved);
    termios raw = saved;
    // Keys arrive one by one and unechoed; Ctrl+C arrives as a key (Cancel), not as a signal.
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG | IEXTEN);
    raw.c_iflag &= ~static_cast<tcflag_t>(IXON | ICRNL | INLCR);
    raw.c_cc[VMIN] = 0;
    raw.c_cc[VTIME] = 0;
    if (tcsetattr(m_in, TCSANOW, &raw) == 0) m_raw = true;
}

void ConsoleHost::LeaveRawMode() {
    if (!m_raw || m_savedTermios.size() != sizeof(termios)) return;
    termios saved;
    std::memcpy(&saved, m_savedTermios.data(), sizeof saved);
    tcsetattr(m_in, TCSANOW, &saved);
    m_raw = false;
}

void ConsoleHost::Draw(const std::string& screen) {
    // Redraw in place from the top-left corner, clearing each line's rest; when the text is
    // taller than the terminal, clear the screen first so that scrolled-off lines do not stay.
    const int columns = std::max(Columns(), 1);
    int lines = 0;
    for (const std::string& line : SplitLines(screen)) {
        lines += 1 + static_cast<int>((Width(line) > 0 ? Width(line) - 1 : 0) /
                                      static_cast<size_t>(columns));
    }
    std::string out = lines >= Rows() ? "\x1b[H\x1b[2J" : "\x1b[H";
    size_t start = 0;
    while (true) {
        size_t end = screen.find('\n', start);
        out += screen.substr(start, end == std::string::npos ? std::string::npos : end - start);
        out += "\x1b[K";
        if (end == std::string::npos) break;
        out += "\r\n";
        start = end + 1;
    }
    // Clear below the cursor line without moving the cursor off the input line.
    out += "\x1b[s\x1b[J\x1b[u";
    WriteOut(out);
}

bool ConsoleHost::WriteText(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    out += "\r\n";
    return WriteAll(m_out, out);
}

std::vector<Key> ConsoleHost::ReadKeys(int timeoutMs) {
    pollfd pfd{m_in, POLLIN, 0};
    int ready = poll(&pfd, 1, std::max(timeoutMs, 0));
    if (ready <= 0) return {};
    char buf[256];
    ssize_t n = read(m_in, buf, sizeof buf);
    if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) {
        // A raw terminal with VMIN 0 reads 0 bytes only when hung up; a pipe or file at its end.
        if (pfd.revents & (POLLHUP | POLLERR | POLLNVAL) || !m_raw || n < 0) m_endOfInput = true;
        return {};
    }
    if (n < 0) return {};
    return DecodeKeys(std::string(buf, static_cast<size_t>(n)));
}

int ConsoleHost::Columns() const {
    winsize ws{};
    if (ioctl(m_out, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0) return ws.ws_col;
    return 80;
}

int ConsoleHost::Rows() const {
    winsize ws{};
    if (ioctl(m_out, TIOCGWINSZ, &ws) == 0 && ws.ws_row > 0) return ws.ws_row;
    return 24;
}

}  // namespace ui::hosts
