// The scripted dialog host: answers from an answers text, one output line per answer.
#include "ui/scripted_host.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "platform/ascii.h"

namespace ui {

namespace {

bool ParseInt(const std::string& s, int* out) {
    if (s.empty()) return false;
    const char* first = s.data();
    const char* last = s.data() + s.size();
    if (*first == '+') ++first;
    auto [ptr, ec] = std::from_chars(first, last, *out);
    return ec == std::errc() && ptr == last;
}

// The id of a button token: a standard name or a number; 0 when it is neither.
int ButtonId(const std::string& token) {
    const std::string t = platform::LowerAscii(token);
    static const std::pair<const char*, int> kNames[] = {
        {"ok", kIdOk},         {"cancel", kIdCancel}, {"abort", kIdAbort}, {"retry", kIdRetry},
        {"ignore", kIdIgnore}, {"yes", kIdYes},       {"no", kIdNo},
    };
    for (const auto& [name, id] : kNames) {
        if (t == name) return id;
    }
    int id = 0;
    return ParseInt(token, &id) && id > 0 ? id : 0;
}

// Splits a line into words; '"' quotes a part of a word (removed), '#' at the start of a word
// ends the line.
bool Tokenize(const std::string& line, std::vector<std::string>* words) {
    size_t i = 0;
    while (i < line.size()) {
        if (std::isspace(static_cast<unsigned char>(line[i]))) {
            ++i;
            continue;
        }
        if (line[i] == '#') break;
        std::string word;
        while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) {
            if (line[i] == '"') {
                size_t end = line.find('"', i + 1);
                if (end == std::string::npos) return false;
                word += line.substr(i + 1, end - i - 1);
                i = end + 1;
            } else {
                word += line[i++];
            }
        }
        words->push_back(std::move(word));
    }
    return true;
}

bool IsPushButton(resources::ControlKind kind) {
    return kind == resources::ControlKind::Button || kind == resources::ControlKind::DefButton;
}

// A dialog that only shows progress: no push button but Cancel (copy, download, search).
bool IsProgressOnly(const Dialog& dialog) {
    for (const ControlState& c : dialog.Controls()) {
        if (IsPushButton(c.kind) && c.visible && c.id != kIdCancel) return false;
    }
    return true;
}

// Why a person could not do what an answer asks of control id: "disabled", "hidden" or
// "read-only"; empty when it can be done (or the dialog has no such control, which the caller
// notes).
std::string Refusal(const std::vector<ControlState>& controls, int id, bool press) {
    for (const ControlState& c : controls) {
        if (c.id != id) continue;
        if (!c.visible) return "hidden";
        if (!c.enabled) return "disabled";
        if (!press && c.kind == resources::ControlKind::Edit &&
            (c.style & resources::kStyleReadOnly) != 0) {
            return "read-only";
        }
        return "";
    }
    return "";
}

}  // namespace

std::string OneLine(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out += "\\n";
        } else if (text[i] == '\n') {
            out += "\\n";
        } else {
            out += text[i];
        }
    }
    return out;
}

std::vector<Answer> ParseAnswers(const std::string& text, std::vector<std::string>* errors) {
    std::vector<Answer> answers;
    size_t start = 0;
    int lineNo = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();

        std::vector<std::string> words;
        auto fail = [&](const std::string& why) {
            if (errors) errors->push_back("answers line " + std::to_string(lineNo) + ": " + why);
        };
        if (!Tokenize(line, &words)) {
            fail("unterminated quote");
            continue;
        }
        if (words.empty()) continue;

        Answer answer;
        answer.line = lineNo;
        const std::string kind = platform::LowerAscii(words[0]);
        if (kind == "browse") {
            if (words.size() != 2) {
                fail("browse takes one folder (quote it when it has blanks)");
                continue;
            }
            answer.kind = Answer::Kind::Browse;
            answer.button = platform::LowerAscii(words[1]) == "cancel" ? "" : words[1];
            answers.push_back(std::move(answer));
            continue;
        }
        if (kind != "message" && kind != "dialog") {
            fail("unknown kind '" + words[0] + "'");
            continue;
        }
        answer.kind = kind == "message" ? Answer::Kind::Message : Answer::Kind::Dialog;
        if (words.size() < 3 || !ParseInt(words[1], &answer.id) || answer.id < 0) {
            fail("expected '" + kind + " <id> <answer>'");
            continue;
        }
        if (ButtonId(words[2]) == 0) {
            fail("unknown answer '" + words[2] + "'");
            continue;
        }
        answer.button = words[2];
        bool ok = true;
        for (size_t i = 3; i < words.size(); ++i) {
            size_t eq = words[i].find('=');
            int controlId = 0;
            if (answer.kind != Answer::Kind::Dialog || eq == std::string::npos ||
                !ParseInt(words[i].substr(0, eq), &controlId)) {
                fail("unexpected '" + words[i] + "'");
                ok = false;
                break;
            }
            answer.settings.emplace_back(controlId, words[i].substr(eq + 1));
        }
        if (ok) answers.push_back(std::move(answer));
    }
    return answers;
}

ScriptedHost::ScriptedHost(const std::string& answers, std::ostream& out) : m_out(out) {
    std::vector<std::string> errors;
    m_answers = ParseAnswers(answers, &errors);
    for (const std::string& e : errors) Note(e);
}

std::vector<Answer> ScriptedHost::UnusedAnswers() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<Answer> unused;
    for (const Answer& a : m_answers) {
        if (!a.used) unused.push_back(a);
    }
    return unused;
}

Answer* ScriptedHost::TakeAnswer(Answer::Kind kind, int id) {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (Answer& a : m_answers) {
        if (!a.used && a.kind == kind && a.id == id) {
            a.used = true;
            return &a;
        }
    }
    return nullptr;
}

void ScriptedHost::Print(const std::string& line) {
    std::lock_guard<std::mutex> lock(m_outMutex);
    m_out << line << '\n';
    m_out.flush();
}

bool ScriptedHost::WriteText(const std::string& text) {
    Print(text);
    return true;
}

void ScriptedHost::Note(const std::string& text) { Print("# " + OneLine(text)); }

std::string ScriptedHost::DialogLine(const Dialog& dialog, const std::string& answer) const {
    std::string line =
        "dialog " + std::to_string(dialog.GetTemplateId()) + ": " + OneLine(dialog.GetCaption());
    for (const ControlState& c : dialog.Controls()) {
        if (c.visible && !c.text.empty()) line += " | " + OneLine(c.text);
    }
    return line + " -> " + answer;
}

std::string ScriptedHost::RefusedPart(const Dialog& dialog, const Answer& answer,
                                      int button) const {
    const std::vector<ControlState> controls = dialog.Controls();
    for (const auto& [id, value] : answer.settings) {
        if (std::string why = Refusal(controls, id, false); !why.empty()) {
            return std::to_string(id) + " (" + why + ")";
        }
    }
    // Cancel is always at hand: Esc and the close box.
    if (button == kIdCancel) return "";
    std::string why = Refusal(controls, button, true);
    return why.empty() ? "" : std::to_string(button) + " (" + why + ")";
}

void ScriptedHost::ApplySettings(Dialog& dialog, const Answer& answer) {
    for (const auto& [id, value] : answer.settings) {
        if (!dialog.HasItem(id)) {
            Note("answers line " + std::to_string(answer.line) + ": dialog " +
                 std::to_string(dialog.GetTemplateId()) + " has no control " + std::to_string(id));
            continue;
        }
        const auto controls = dialog.Controls();
        // Clang before 16 cannot capture a structured binding, so the lambda captures a copy.
        auto it = std::find_if(controls.begin(), controls.end(),
                               [wanted = id](const ControlState& c) { return c.id == wanted; });
        if (it->kind == resources::ControlKind::CheckBox ||
            it->kind == resources::ControlKind::RadioButton) {
            int state = 0;
            if (!ParseInt(value, &state) || state < 0 || state > 2) {
                Note("answers line " + std::to_string(answer.line) + ": check state '" + value +
                     "' is not 0, 1 or 2");
                continue;
            }
            dialog.ClickCheck(id, state);
        } else {
            dialog.SetItemText(id, value);
        }
    }
}

int ScriptedHost::RunModal(Dialog& dialog) {
    const int templateId = dialog.GetTemplateId();
    const bool progressOnly = IsProgressOnly(dialog);
    bool answered = false;
    int defaultsInARow = 0;
    while (!dialog.IsEnded()) {
        if (progressOnly && answered) {
            // Progress dialogs end by themselves (their timer or their worker's close request).
            dialog.RunPending(std::chrono::milliseconds(200));
            continue;
        }
        answered = true;
        if (Answer* answer = TakeAnswer(Answer::Kind::Dialog, templateId)) {
            defaultsInARow = 0;
            const int id = ButtonId(answer->button);
            // A person cannot change a disabled or hidden control nor press a disabled button:
            // such an answer changes nothing and the dialog waits for the next one.
            if (std::string refused = RefusedPart(dialog, *answer, id); !refused.empty()) {
                Print(DialogLine(dialog, "refused " + refused));
                continue;
            }
            ApplySettings(dialog, *answer);
            Print(DialogLine(dialog, ButtonName(id)));
            if (!dialog.PressButton(id)) {
                Note("answers line " + std::to_string(answer->line) + ": dialog " +
                     std::to_string(templateId) + " has no enabled button " + ButtonName(id));
            }
        } else if (progressOnly) {
            Print(DialogLine(dialog, "wait"));
            continue;
        } else if (defaultsInARow >= kLoopGuard) {
            Note("dialog " + std::to_string(templateId) + " is still open after " +
                 std::to_string(kLoopGuard) + " default answers: cancel");
            Print(DialogLine(dialog, ButtonName(kIdCancel)));
            dialog.PressButton(kIdCancel);
            if (!dialog.IsEnded()) {
                Note("dialog " + std::to_string(templateId) + " did not end on cancel: closed");
                dialog.EndDialog(kIdCancel);
            }
        } else {
            ++defaultsInARow;
            const int id = dialog.HasOkButton() ? kIdOk : kIdCancel;
            Print(DialogLine(dialog, ButtonName(id)));
            dialog.PressButton(id);
        }
        // Whatever the handler posted runs before the next answer.
        if (!dialog.IsEnded()) dialog.RunPending(std::chrono::milliseconds(0));
    }
    return dialog.GetResult();
}

int ScriptedHost::ShowMessage(const MessageRequest& request) {
    const std::vector<int> ids = ButtonIds(request.buttons);
    // Retry would only repeat what failed, with nobody there to change anything: a run
    // without a person would go round for ever.
    int id = request.buttons == Buttons::RetryCancel ? kIdCancel : ids.front();
    if (Answer* answer = TakeAnswer(Answer::Kind::Message, static_cast<int>(request.stringId))) {
        const int wanted = ButtonId(answer->button);
        if (std::find(ids.begin(), ids.end(), wanted) != ids.end()) {
            id = wanted;
        } else {
            Note("answers line " + std::to_string(answer->line) + ": message " +
                 std::to_string(request.stringId) + " has no button " + answer->button);
        }
    }
    Print("message " + std::to_string(request.stringId) + ": " + OneLine(request.text) + " -> " +
          ButtonName(id));
    return id;
}

void ScriptedHost::ShowText(const std::string& text) {
    std::string body = text;
    if (!body.empty() && body.back() == '\n') body.pop_back();
    if (!body.empty() && body.back() == '\r') body.pop_back();
    int number;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        number = ++m_textsShown;
    }
    Print("text " + std::to_string(number) + ": " + OneLine(body));
}

std::string ScriptedHost::BrowseForFolder(const std::string& title, const std::string&) {
    std::string folder;
    if (Answer* answer = TakeAnswer(Answer::Kind::Browse, 0)) folder = answer->button;
    Print("browse: " + OneLine(title) + " -> " + (folder.empty() ? "cancel" : folder));
    return folder;
}

}  // namespace ui
