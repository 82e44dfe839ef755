// The screens of the console host: a dialog, a message box and the folder question.
#include "ui/hosts/console_views.h"

#include <algorithm>
#include <cstdlib>
#include <thread>

#include "platform/fs.h"
#include "platform/machine.h"
#include "resources/strings.h"

namespace ui::hosts::detail {

namespace {

using resources::ControlKind;
using Key = ConsoleHost::Key;
using KeyKind = ConsoleHost::Key::Kind;

bool Slovak() { return platform::GetThreadUILanguage() == platform::kLangSlovak; }

// String 181, "Volba je nedostupná": a shown choice that is disabled.
constexpr uint32_t kStringChoiceUnavailable = 181;

// Texts of the host itself, in the language of the thread that shows the view.
struct HostTexts {
    const char* choose;
    const char* chooseWithoutEscape;
    const char* edit;
    const char* invalid;
    const char* folder;
    const char* noFolder;
};
const HostTexts kCzech = {
    "Zvolte číslo a stiskněte Enter (Enter = výchozí tlačítko, Esc = zrušit): ",
    "Zvolte číslo a stiskněte Enter (Enter = výchozí tlačítko): ",
    "Nový text (Enter = potvrdit, Esc = beze změny): ",
    "Neplatná volba",
    "Složka (Enter = potvrdit, prázdná nebo Esc = zrušit): ",
    "Složka neexistuje",
};
const HostTexts kSlovak = {
    "Zvoľte číslo a stlačte Enter (Enter = predvolené tlačidlo, Esc = zrušiť): ",
    "Zvoľte číslo a stlačte Enter (Enter = predvolené tlačidlo): ",
    "Nový text (Enter = potvrdiť, Esc = bez zmeny): ",
    "Neplatná voľba",
    "Priečinok (Enter = potvrdiť, prázdny alebo Esc = zrušiť): ",
    "Priečinok neexistuje",
};

std::string ButtonLabel(int id, bool slovak) {
    switch (id) {
        case kIdOk:
            return "OK";
        case kIdCancel:
            return slovak ? "Zrušiť" : "Storno";
        case kIdRetry:
            return slovak ? "Opakovať" : "Opakovat";
        case kIdYes:
            return slovak ? "Áno" : "Ano";
        case kIdNo:
            return slovak ? "Nie" : "Ne";
        default:
            return ButtonName(id);
    }
}

void PopUtf8(std::string* s) {
    while (!s->empty()) {
        unsigned char c = static_cast<unsigned char>(s->back());
        s->pop_back();
        if ((c & 0xC0) != 0x80) break;
    }
}

}  // namespace

size_t Width(const std::string& s) {
    size_t n = 0;
    for (unsigned char c : s) {
        if ((c & 0xC0) != 0x80) ++n;
    }
    return n;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            lines.push_back(line);
            line.clear();
        } else if (text[i] == '\t') {
            line += "    ";
        } else if (static_cast<unsigned char>(text[i]) >= 0x20 || text[i] < 0) {
            line += text[i];
        }
    }
    lines.push_back(line);
    return lines;
}

namespace {

bool IsPushButton(ControlKind kind) {
    return kind == ControlKind::Button || kind == ControlKind::DefButton;
}

// Whether the user can act on a control: buttons, check boxes, radio buttons and edit fields
// that are not read-only.
bool IsActionable(const ControlState& c) {
    if (!c.visible) return false;
    switch (c.kind) {
        case ControlKind::Button:
        case ControlKind::DefButton:
        case ControlKind::CheckBox:
        case ControlKind::RadioButton:
            return true;
        case ControlKind::Edit:
            return (c.style & resources::kStyleReadOnly) == 0;
        default:
            return false;
    }
}

std::string Dim(const std::string& s, bool dim) { return dim ? "\x1b[2m" + s + "\x1b[0m" : s; }

std::string ProgressBar(const ControlState& c, int columns) {
    const int width = std::clamp(columns - 12, 10, 50);
    const long long span = static_cast<long long>(c.upper) - c.lower;
    const long long done = static_cast<long long>(c.pos) - c.lower;
    const int percent = span > 0 ? static_cast<int>(done * 100 / span) : 0;
    const int filled = span > 0 ? static_cast<int>(done * width / span) : 0;
    return "  [" + std::string(static_cast<size_t>(filled), '#') +
           std::string(static_cast<size_t>(width - filled), '-') + "] " + std::to_string(percent) +
           " %";
}

}  // namespace

namespace {

// A dialog on the console: its controls drawn in template order, an input line at the bottom.
class DialogView : public ConsoleHost::View {
  public:
    explicit DialogView(Dialog& dialog) : m_dialog(dialog), m_texts(Slovak() ? kSlovak : kCzech) {}

    std::string Render(int columns) override {
        std::string out = Backdrop(columns);
        if (!m_status.empty()) out += "  " + m_status + "\n";
        out += m_editing ? m_texts.edit : m_texts.choose;
        out += m_input;
        return out;
    }

    // The caption and the controls; reads only the dialog's own state, so any thread may ask.
    std::string Backdrop(int columns) override {
        const std::vector<ControlState> controls = m_dialog.Controls();
        std::string out;
        const std::string caption = m_dialog.GetCaption();
        out +=
            "\x1b[1m=== " + (caption.empty() ? std::string("ZEFI") : caption) + " ===\x1b[0m\n\n";
        int number = 0;
        std::string buttonRow;
        auto flushButtons = [&] {
            if (!buttonRow.empty()) out += "\n" + buttonRow + "\n";
            buttonRow.clear();
        };
        for (const ControlState& c : controls) {
            if (!c.visible) continue;
            const bool numbered = IsActionable(c);
            if (numbered) ++number;
            const std::string tag = numbered ? "[" + std::to_string(number) + "] " : "";
            if (IsPushButton(c.kind)) {
                std::string label = tag + c.text + (c.kind == ControlKind::DefButton ? " *" : "");
                buttonRow += (buttonRow.empty() ? "  " : "   ") + Dim(label, !c.enabled);
                continue;
            }
            flushButtons();
            switch (c.kind) {
                case ControlKind::Static:
                    for (const std::string& line : SplitLines(c.text)) {
                        if (!c.text.empty()) out += "  " + Dim(line, !c.enabled) + "\n";
                    }
                    break;
                case ControlKind::GroupBox:
                    out += "  -- " + c.text + " --\n";
                    break;
                case ControlKind::Icon:
                    out += "  (!)\n";
                    break;
                case ControlKind::CheckBox:
                case ControlKind::RadioButton: {
                    const bool radio = c.kind == ControlKind::RadioButton;
                    std::string mark = radio ? (c.check ? "(*)" : "( )")
                                             : (c.check == 1   ? "[x]"
                                                : c.check == 2 ? "[-]"
                                                               : "[ ]");
                    out += "  " + Dim(tag + mark + " " + c.text, !c.enabled) + "\n";
                    break;
                }
                case ControlKind::Edit:
                    if (c.style & resources::kStyleMultiLine) {
                        if (numbered) out += "  " + tag + "\n";
                        for (const std::string& line : SplitLines(c.text))
                            out += "    " + line + "\n";
                    } else {
                        out += "  " + Dim(tag + "[" + c.text + "]", !c.enabled) + "\n";
                    }
                    break;
                case ControlKind::Progress:
                    out += ProgressBar(c, columns) + "\n";
                    break;
                default:
                    break;
            }
        }
        flushButtons();
        return out + "\n";
    }

    uint64_t Version() override { return m_dialog.ChangeCount() * 1000003u + m_localVersion; }
    uint64_t BackdropVersion() override { return m_dialog.ChangeCount(); }

    void OnKeys(const std::vector<Key>& keys) override {
        for (const Key& key : keys) {
            if (m_dialog.IsEnded()) return;
            ++m_localVersion;
            switch (key.kind) {
                case KeyKind::Char:
                    if (m_editing ||
                        (key.text.size() == 1 && key.text[0] >= '0' && key.text[0] <= '9')) {
                        m_input += key.text;
                    }
                    break;
                case KeyKind::Backspace:
                    PopUtf8(&m_input);
                    break;
                case KeyKind::KillLine:
                    m_input.clear();
                    break;
                case KeyKind::Enter:
                    Enter();
                    break;
                case KeyKind::Escape:
                case KeyKind::Interrupt:
                case KeyKind::EndOfInput:
                    if (m_editing) {
                        m_editing = false;
                        m_input.clear();
                        if (key.kind != KeyKind::EndOfInput) break;
                    }
                    m_status.clear();
                    m_dialog.PressButton(kIdCancel);
                    break;
                case KeyKind::Other:
                    break;
            }
        }
    }

    bool Done() override { return m_dialog.IsEnded(); }
    void Idle(std::chrono::milliseconds maxWait) override { m_dialog.RunPending(maxWait); }
    int KeyTimeoutMs() override {
        const int64_t next = m_dialog.MillisecondsToNextTimer();
        return next < 0 ? 100 : static_cast<int>(std::min<int64_t>(next, 100));
    }

  private:
    void Enter() {
        m_status.clear();
        if (m_editing) {
            m_dialog.SetItemText(m_editId, m_input);
            m_editing = false;
            m_input.clear();
            return;
        }
        const std::vector<ControlState> controls = m_dialog.Controls();
        if (m_input.empty()) {
            // Enter alone: the default button, else OK.
            int id = kIdOk;
            for (const ControlState& c : controls) {
                if (c.kind == ControlKind::DefButton && c.visible && c.enabled) {
                    id = c.id;
                    break;
                }
            }
            if (!m_dialog.PressButton(id)) m_status = Unavailable();
            return;
        }
        const int wanted = std::atoi(m_input.c_str());
        m_input.clear();
        int number = 0;
        for (const ControlState& c : controls) {
            if (!IsActionable(c) || ++number != wanted) continue;
            if (!c.enabled) {
                m_status = Unavailable();
                return;
            }
            switch (c.kind) {
                case ControlKind::CheckBox:
                    m_dialog.ClickCheck(c.id, c.check == 1 ? 0 : 1);
                    return;
                case ControlKind::RadioButton:
                    m_dialog.ClickCheck(c.id, 1);
                    return;
                case ControlKind::Edit:
                    m_editing = true;
                    m_editId = c.id;
                    m_input = c.text;
                    return;
                default:
                    if (m_dialog.PressButton(c.id)) return;
                    break;
            }
            break;
        }
        m_status = m_texts.invalid;
    }

    // Why a choice that is shown cannot be taken now.
    static std::string Unavailable() { return resources::LoadString(kStringChoiceUnavailable); }

    Dialog& m_dialog;
    const HostTexts& m_texts;
    std::string m_input;
    std::string m_status;
    bool m_editing = false;
    int m_editId = 0;
    uint64_t m_localVersion = 0;
};

// A message box: caption, text, numbered buttons.
class MessageView : public ConsoleHost::View {
  public:
    MessageView(const MessageRequest& request, int* answer)
        : m_out(answer),
          m_request(request),
          m_buttons(ButtonIds(request.buttons)),
          m_slovak(Slovak()),
          m_texts(m_slovak ? kSlovak : kCzech) {}

    std::string Render(int) override {
        std::string out = "\x1b[1m=== " + m_request.caption + " ===\x1b[0m\n\n";
        const char* icon = "";
        switch (m_request.icon) {
            case Icon::Error:
                icon = "(X) ";
                break;
            case Icon::Exclamation:
                icon = "(!) ";
                break;
            case Icon::Question:
                icon = "(?) ";
                break;
            case Icon::Information:
                icon = "(i) ";
                break;
            case Icon::None:
                break;
        }
        bool first = true;
        for (const std::string& line : SplitLines(m_request.text)) {
            out += std::string("  ") + (first ? icon : "") + line + "\n";
            first = false;
        }
        out += "\n  ";
        for (size_t i = 0; i < m_buttons.size(); ++i) {
            out += std::string(i ? "   " : "") + "[" + std::to_string(i + 1) + "] " +
                   ButtonLabel(m_buttons[i], m_slovak) + (i == 0 ? " *" : "");
        }
        out += "\n\n";
        if (!m_status.empty()) out += "  " + m_status + "\n";
        // Esc is offered only where it answers: a box with Cancel.
        const bool cancellable =
            std::find(m_buttons.begin(), m_buttons.end(), kIdCancel) != m_buttons.end();
        return out + (cancellable ? m_texts.choose : m_texts.chooseWithoutEscape) + m_input;
    }
    uint64_t Version() override { return m_version; }
    void OnKeys(const std::vector<Key>& keys) override {
        for (const Key& key : keys) {
            if (m_answer) return;
            ++m_version;
            switch (key.kind) {
                case KeyKind::Char:
                    if (key.text.size() == 1 && key.text[0] >= '0' && key.text[0] <= '9') {
                        m_input += key.text;
                    }
                    break;
                case KeyKind::Backspace:
                    PopUtf8(&m_input);
                    break;
                case KeyKind::KillLine:
                    m_input.clear();
                    break;
                case KeyKind::Enter: {
                    const size_t n =
                        m_input.empty() ? 1 : std::strtoul(m_input.c_str(), nullptr, 10);
                    m_input.clear();
                    if (n >= 1 && n <= m_buttons.size()) {
                        m_answer = m_buttons[n - 1];
                    } else {
                        m_status = m_texts.invalid;
                    }
                    break;
                }
                case KeyKind::Escape:
                case KeyKind::Interrupt:
                case KeyKind::EndOfInput:
                    // Esc works only where the box has a way out: Cancel, or its only button.
                    if (std::find(m_buttons.begin(), m_buttons.end(), kIdCancel) !=
                        m_buttons.end()) {
                        m_answer = kIdCancel;
                    } else if (m_buttons.size() == 1 || key.kind == KeyKind::EndOfInput) {
                        m_answer = m_buttons.front();
                    }
                    break;
                case KeyKind::Other:
                    break;
            }
        }
    }
    bool Done() override {
        if (m_answer != 0) *m_out = m_answer;
        return m_answer != 0;
    }
    void Idle(std::chrono::milliseconds maxWait) override {
        if (maxWait.count() > 0) std::this_thread::sleep_for(maxWait);
    }
    int KeyTimeoutMs() override { return 100; }
    bool IsQuestion() const override { return true; }

  private:
    int* m_out;
    MessageRequest m_request;
    std::vector<int> m_buttons;
    bool m_slovak;
    const HostTexts& m_texts;
    std::string m_input;
    std::string m_status;
    uint64_t m_version = 0;
    int m_answer = 0;
};

// The folder question: a path typed on one line, checked to be an existing folder.
class FolderView : public ConsoleHost::View {
  public:
    FolderView(const std::string& title, const std::string& initial, std::string* result)
        : m_out(result), m_title(title), m_input(initial), m_texts(Slovak() ? kSlovak : kCzech) {}

    std::string Render(int) override {
        std::string out = "\x1b[1m=== " + m_title + " ===\x1b[0m\n\n";
        if (!m_status.empty()) out += "  " + m_status + "\n\n";
        return out + m_texts.folder + m_input;
    }
    uint64_t Version() override { return m_version; }
    void OnKeys(const std::vector<Key>& keys) override {
        for (const Key& key : keys) {
            if (m_done) return;
            ++m_version;
            switch (key.kind) {
                case KeyKind::Char:
                    m_input += key.text;
                    break;
                case KeyKind::Backspace:
                    PopUtf8(&m_input);
                    break;
                case KeyKind::KillLine:
                    m_input.clear();
                    break;
                case KeyKind::Enter: {
                    if (m_input.empty()) {
                        m_done = true;
                        break;
                    }
                    const uint32_t attributes = platform::GetFileAttributes(m_input);
                    if (attributes != platform::kInvalidFileAttributes &&
                        (attributes & platform::kAttrDirectory)) {
                        m_result = m_input;
                        m_done = true;
                    } else {
                        m_status = m_texts.noFolder;
                    }
                    break;
                }
                case KeyKind::Escape:
                case KeyKind::Interrupt:
                case KeyKind::EndOfInput:
                    m_done = true;
                    break;
                case KeyKind::Other:
                    break;
            }
        }
    }
    bool Done() override {
        if (m_done) *m_out = m_result;
        return m_done;
    }
    void Idle(std::chrono::milliseconds maxWait) override {
        if (maxWait.count() > 0) std::this_thread::sleep_for(maxWait);
    }
    int KeyTimeoutMs() override { return 100; }
    bool IsQuestion() const override { return true; }

  private:
    std::string* m_out;
    std::string m_title;
    std::string m_input;
    const HostTexts& m_texts;
    std::string m_status;
    std::string m_result;
    uint64_t m_version = 0;
    bool m_done = false;
};

}  // namespace

std::unique_ptr<ConsoleHost::View> MakeDialogView(Dialog& dialog) {
    return std::make_unique<DialogView>(dialog);
}

std::unique_ptr<ConsoleHost::View> MakeMessageView(const MessageRequest& request, int* answer) {
    return std::make_unique<MessageView>(request, answer);
}

std::unique_ptr<ConsoleHost::View> MakeFolderView(const std::string& title,
                                                  const std::string& initial, std::string* result) {
    return std::make_unique<FolderView>(title, initial, result);
}

}  // namespace ui::hosts::detail
