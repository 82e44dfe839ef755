// Message boxes over the current dialog host.
#include "ui/message_box.h"

#include "platform/machine.h"
#include "platform/text.h"
#include "resources/strings.h"
#include "ui/auto_answer.h"
#include "ui/host.h"

namespace ui {

std::vector<int> ButtonIds(Buttons buttons) {
    switch (buttons) {
        case Buttons::Ok:
            return {kIdOk};
        case Buttons::OkCancel:
            return {kIdOk, kIdCancel};
        case Buttons::YesNo:
            return {kIdYes, kIdNo};
        case Buttons::RetryCancel:
            return {kIdRetry, kIdCancel};
    }
    return {kIdOk};
}

std::string ButtonName(int id) {
    switch (id) {
        case kIdOk:
            return "ok";
        case kIdCancel:
            return "cancel";
        case kIdAbort:
            return "abort";
        case kIdRetry:
            return "retry";
        case kIdIgnore:
            return "ignore";
        case kIdYes:
            return "yes";
        case kIdNo:
            return "no";
        default:
            return std::to_string(id);
    }
}

namespace {

int Show(uint32_t stringId, std::string text, Buttons buttons, Icon icon) {
    MessageRequest request;
    request.stringId = stringId;
    request.caption = resources::LoadString(resources::kAppTitle);
    request.text = std::move(text);
    request.buttons = buttons;
    request.icon = icon;
    AutoAnswer* answerer = GetAutoAnswer();
    int answer = answerer ? answerer->Answer(request) : GetHost().ShowMessage(request);
    // A host can only answer with one of the box's own buttons; anything else counts as the
    // box's first (default) button.
    std::vector<int> ids = ButtonIds(buttons);
    for (int id : ids) {
        if (id == answer) return answer;
    }
    return ids.front();
}

}  // namespace

int MessageBox(uint32_t stringId, Buttons buttons, Icon icon) {
    return Show(stringId, resources::LoadString(stringId), buttons, icon);
}

int MessageBox(const std::string& text, Buttons buttons, Icon icon) {
    return Show(0, text, buttons, icon);
}

int MessageBoxV(uint32_t stringId, Buttons buttons, Icon icon, const std::vector<FormatArg>& args) {
    return Show(stringId, FormatStringV(stringId, args), buttons, icon);
}

void ShowText(const std::string& ansiText) {
    GetHost().ShowText(platform::AnsiToDisplay(ansiText));
}

void Beep() { platform::MessageBeep(); }

}  // namespace ui
