// The modal dialog base class: control state, data exchange, timers and posted close requests.
#include "ui/dialog.h"

#include <algorithm>
#include <map>
#include <optional>

#include "platform/instance.h"
#include "platform/machine.h"
#include "platform/text.h"
#include "ui/host.h"
#include "ui/message_box.h"

namespace ui {

namespace {

using Clock = std::chrono::steady_clock;

// Captions under which a running setup is recognised by a second start.
const char* const kSetupTitles[] = {"Instalace ZEFI pro Windows", "Inštalácia ZEFI pre Windows"};

std::mutex g_templatesMutex;
std::map<int, std::unique_ptr<resources::DialogTemplate>>& RegisteredTemplates() {
    static std::map<int, std::unique_ptr<resources::DialogTemplate>> templates;
    return templates;
}

bool IsPushButton(resources::ControlKind kind) {
    return kind == resources::ControlKind::Button || kind == resources::ControlKind::DefButton;
}

bool HasCheck(resources::ControlKind kind) {
    return kind == resources::ControlKind::CheckBox || kind == resources::ControlKind::RadioButton;
}

// The first character of display text that the code page cannot hold, for the refusal; "?"
// for bytes that are no UTF-8 at all.
std::string FirstCharacterWithoutCodePage(const std::string& display) {
    size_t i = 0;
    while (i < display.size()) {
        size_t end = i + 1;
        while (end < display.size() && (static_cast<unsigned char>(display[end]) & 0xC0) == 0x80)
            ++end;
        const std::string character = display.substr(i, end - i);
        std::string ansi;
        if (!platform::DisplayToAnsi(character, &ansi)) {
            return static_cast<unsigned char>(character[0]) >= 0xC0 ? character : "?";
        }
        i = end;
    }
    return "?";
}

}  // namespace

void RegisterDialogTemplate(const resources::DialogTemplate& dialogTemplate) {
    std::lock_guard<std::mutex> lock(g_templatesMutex);
    RegisteredTemplates()[dialogTemplate.id] =
        std::make_unique<resources::DialogTemplate>(dialogTemplate);
}

void UnregisterDialogTemplate(int id) {
    std::lock_guard<std::mutex> lock(g_templatesMutex);
    RegisteredTemplates().erase(id);
}

const resources::DialogTemplate* FindTemplate(int id) {
    {
        std::lock_guard<std::mutex> lock(g_templatesMutex);
        auto it = RegisteredTemplates().find(id);
        if (it != RegisteredTemplates().end()) return it->second.get();
    }
    return resources::FindDialog(id);
}

void DDX_Text(DataExchange& dx, int id, std::string& value) {
    if (dx.IsSaving()) {
        value = dx.GetDialog().GetItemText(id);
    } else {
        dx.GetDialog().SetItemText(id, value);
    }
}

void DDX_CodePageText(DataExchange& dx, int id, std::string& value) {
    if (!dx.IsSaving()) {
        dx.GetDialog().SetItemCodePageText(id, value);
        return;
    }
    const std::string typed = dx.GetDialog().GetItemText(id);
    std::string ansi;
    if (platform::DisplayToAnsi(typed, &ansi)) {
        value = std::move(ansi);
        return;
    }
    MessageBoxF(kStringCharacterRefused, Buttons::Ok, Icon::Exclamation,
                FirstCharacterWithoutCodePage(typed));
    dx.Fail();
}

void DDX_Check(DataExchange& dx, int id, int& value) {
    if (dx.IsSaving()) {
        value = dx.GetDialog().GetCheck(id);
    } else {
        dx.GetDialog().SetCheck(id, value);
    }
}

Dialog::Dialog(int templateId) : m_templateId(templateId) {}

Dialog::~Dialog() = default;

int Dialog::DoModal() {
    const resources::DialogTemplate* tmpl = FindTemplate(m_templateId);
    if (!tmpl) return -1;

    const bool slovak = platform::GetThreadUILanguage() == platform::kLangSlovak;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_caption = tmpl->titleBar ? (slovak ? tmpl->captionSk : tmpl->captionCs) : "";
        m_controls.clear();
        for (const resources::ControlTemplate& ct : tmpl->controls) {
            ControlState state;
            state.id = ct.id;
            state.kind = ct.kind;
            state.text = slovak ? ct.sk : ct.cs;
            state.visible = ct.visible;
            state.enabled = ct.enabled;
            state.style = ct.style;
            m_controls.push_back(std::move(state));
        }
        m_timers.clear();
        m_posted.clear();
        m_open = true;
        m_ended = false;
        m_woken = false;
        m_result = 0;
    }
    Touch();

    std::optional<platform::TitleRegistration> registration;
    for (const char* title : kSetupTitles) {
        if (m_caption == title) registration.emplace(m_caption);
    }

    OnInitDialog();
    int result = GetHost().RunModal(*this);

    std::lock_guard<std::mutex> lock(m_mutex);
    m_open = false;
    m_timers.clear();
    m_posted.clear();
    if (m_ended) result = m_result;
    return result;
}

void Dialog::EndDialog(int result) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_ended = true;
    m_result = result;
    m_wake.notify_all();
}

void Dialog::PostClose(int result) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_open || m_ended) return;
        m_posted.push_back(result);
        m_wake.notify_all();
    }
    Notify();
}

bool Dialog::SetTimer(int id, uint32_t periodMs) {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!m_open) return false;
    // A period of 0 would fire without pause; Windows raises it to its minimum as well.
    const std::chrono::milliseconds period(std::max<uint32_t>(periodMs, 10));
    const Timer timer{id, period, Clock::now() + period};
    auto it =
        std::find_if(m_timers.begin(), m_timers.end(), [id](const Timer& t) { return t.id == id; });
    if (it != m_timers.end()) {
        *it = timer;
    } else {
        m_timers.push_back(timer);
    }
    m_wake.notify_all();
    lock.unlock();
    Notify();
    return true;
}

void Dialog::KillTimer(int id) {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::erase_if(m_timers, [id](const Timer& t) { return t.id == id; });
}

bool Dialog::UpdateData(bool save) {
    DataExchange dx(*this, save);
    DoDataExchange(dx);
    return !dx.Failed();
}

std::string Dialog::GetCaption() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_caption;
}

void Dialog::SetCaption(const std::string& caption) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_caption = caption;
    }
    Touch();
}

ControlState* Dialog::FindLocked(int id) {
    for (ControlState& c : m_controls) {
        if (c.id == id && id != -1) return &c;
    }
    return nullptr;
}

const ControlState* Dialog::FindLocked(int id) const {
    for (const ControlState& c : m_controls) {
        if (c.id == id && id != -1) return &c;
    }
    return nullptr;
}

bool Dialog::HasItem(int id) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return FindLocked(id) != nullptr;
}

void Dialog::SetItemText(int id, const std::string& text) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ControlState* c = FindLocked(id);
        if (!c || c->text == text) return;
        c->text = text;
    }
    Touch();
}

void Dialog::SetItemCodePageText(int id, const std::string& ansi) {
    SetItemText(id, platform::AnsiToDisplay(ansi));
}

std::string Dialog::GetItemText(int id) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const ControlState* c = FindLocked(id);
    return c ? c->text : std::string();
}

void Dialog::SetCheck(int id, int state) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ControlState* c = FindLocked(id);
        if (!c || !HasCheck(c->kind)) return;
        c->check = std::clamp(state, 0, 2);
        // Radio buttons of one dialog form one group here: setting one clears the others,
        // which is what the automatic radio buttons of the templates do.
        if (c->kind == resources::ControlKind::RadioButton && c->check == 1) {
            for (ControlState& other : m_controls) {
                if (&other != c && other.kind == resources::ControlKind::RadioButton)
                    other.check = 0;
            }
        }
    }
    Touch();
}

int Dialog::GetCheck(int id) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const ControlState* c = FindLocked(id);
    return c && HasCheck(c->kind) ? c->check : 0;
}

void Dialog::EnableItem(int id, bool enable) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ControlState* c = FindLocked(id);
        if (!c || c->enabled == enable) return;
        c->enabled = enable;
    }
    Touch();
}

bool Dialog::IsItemEnabled(int id) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const ControlState* c = FindLocked(id);
    return c && c->enabled;
}

void Dialog::ShowItem(int id, bool show) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ControlState* c = FindLocked(id);
        if (!c || c->visible == show) return;
        c->visible = show;
    }
    Touch();
}

bool Dialog::IsItemVisible(int id) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const ControlState* c = FindLocked(id);
    return c && c->visible;
}

void Dialog::SetRange(int id, int lower, int upper) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ControlState* c = FindLocked(id);
        if (!c) return;
        if (upper < lower) std::swap(lower, upper);
        c->lower = lower;
        c->upper = upper;
        c->pos = std::clamp(c->pos, lower, upper);
    }
    Touch();
}

void Dialog::GetRange(int id, int* lower, int* upper) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const ControlState* c = FindLocked(id);
    if (lower) *lower = c ? c->lower : 0;
    if (upper) *upper = c ? c->upper : 0;
}

void Dialog::SetPos(int id, int pos) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ControlState* c = FindLocked(id);
        if (!c) return;
        pos = std::clamp(pos, c->lower, c->upper);
        if (c->pos == pos) return;
        c->pos = pos;
    }
    Touch();
}

int Dialog::GetPos(int id) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const ControlState* c = FindLocked(id);
    return c ? c->pos : 0;
}

void Dialog::SetStep(int id, int step) {
    std::lock_guard<std::mutex> lock(m_mutex);
    ControlState* c = FindLocked(id);
    if (c) c->step = step;
}

int Dialog::StepIt(int id) {
    int previous = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ControlState* c = FindLocked(id);
        if (!c) return 0;
        previous = c->pos;
        // The common control wraps to the start once the position would pass the end, so a
        // bar that is only stepped moves as an activity indicator.
        long long next = static_cast<long long>(c->pos) + c->step;
        if (next > c->upper) next = c->lower + (next - c->upper - 1) % (c->upper - c->lower + 1);
        if (next < c->lower) next = c->lower;
        c->pos = static_cast<int>(next);
    }
    Touch();
    return previous;
}

std::vector<ControlState> Dialog::Controls() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_controls;
}

bool Dialog::IsEnded() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_ended;
}

int Dialog::GetResult() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_result;
}

bool Dialog::HasOkButton() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const ControlState* c = FindLocked(kIdOk);
    return c && IsPushButton(c->kind) && c->visible;
}

void Dialog::ClickCheck(int id, int state) {
    if (GetCheck(id) == state) return;
    SetCheck(id, state);
    OnCommand(id);
}

bool Dialog::PressButton(int id) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_ended) return false;
        if (id != kIdCancel) {
            const ControlState* c = FindLocked(id);
            if (!c || !IsPushButton(c->kind) || !c->visible || !c->enabled) return false;
        }
    }
    Dispatch(id, true);
    return true;
}

void Dialog::Dispatch(int id, bool fromUser) {
    if (OnCommand(id)) return;
    if (id == kIdOk) {
        OnOK();
    } else if (id == kIdCancel) {
        OnCancel();
    } else if (!fromUser) {
        EndDialog(id);
    }
}

bool Dialog::RunPending(std::chrono::milliseconds maxWait) {
    std::vector<int> posted;
    std::vector<int> dueTimers;
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        auto somethingDue = [this] {
            if (m_ended || m_woken || !m_posted.empty()) return true;
            const auto now = Clock::now();
            for (const Timer& t : m_timers) {
                if (t.due <= now) return true;
            }
            return false;
        };
        auto deadline = Clock::now() + maxWait;
        while (!somethingDue()) {
            auto wakeAt = deadline;
            for (const Timer& t : m_timers) wakeAt = std::min(wakeAt, t.due);
            if (Clock::now() >= deadline) break;
            m_wake.wait_until(lock, wakeAt);
        }
        m_woken = false;
        if (m_ended) return false;
        posted.swap(m_posted);
        const auto now = Clock::now();
        for (Timer& t : m_timers) {
            if (t.due <= now) {
                dueTimers.push_back(t.id);
                // Like WM_TIMER, missed periods are not made up: the next tick is one period
                // from now.
                t.due = now + t.period;
            }
        }
    }
    for (int id : posted) {
        if (IsEnded()) return true;
        Dispatch(id, false);
    }
    for (int id : dueTimers) {
        if (IsEnded()) return true;
        // A handler may have killed this timer meanwhile.
        bool alive;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            alive = std::any_of(m_timers.begin(), m_timers.end(),
                                [id](const Timer& t) { return t.id == id; });
        }
        if (alive) OnTimer(id);
    }
    return !posted.empty() || !dueTimers.empty();
}

int64_t Dialog::MillisecondsToNextTimer() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_timers.empty()) return -1;
    auto next = m_timers.front().due;
    for (const Timer& t : m_timers) next = std::min(next, t.due);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(next - Clock::now()).count();
    return std::max<int64_t>(ms, 0);
}

void Dialog::Wake() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_woken = true;
        m_wake.notify_all();
    }
    Notify();
}

void Dialog::SetChangeHook(std::function<void()> hook) {
    std::lock_guard<std::mutex> lock(m_hookMutex);
    m_hook = std::move(hook);
}

void Dialog::Notify() {
    std::lock_guard<std::mutex> lock(m_hookMutex);
    if (m_hook) m_hook();
}

bool Dialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

void Dialog::OnOK() {
    if (UpdateData(true)) EndDialog(kIdOk);
}

void Dialog::OnCancel() { EndDialog(kIdCancel); }

bool Dialog::OnCommand(int) { return false; }

void Dialog::OnTimer(int) {}

void Dialog::DoDataExchange(DataExchange&) {}

}  // namespace ui
