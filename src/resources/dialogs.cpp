// Look-up of dialog templates and of their texts and positions by language.
#include "resources/dialogs.h"

#include "resources/dialog_templates.h"
#include "resources/strings.h"

namespace resources {

const std::vector<DialogTemplate>& AllDialogs() {
    // Built once, on first use, so that no other static initialiser can see it half made.
    static const std::vector<DialogTemplate> templates = detail::BuildDialogTemplates();
    return templates;
}

const DialogTemplate* FindDialog(int id) {
    for (const DialogTemplate& dialog : AllDialogs()) {
        if (dialog.id == id) return &dialog;
    }
    return nullptr;
}

const ControlTemplate* FindControl(const DialogTemplate& dialog, int id) {
    for (const ControlTemplate& control : dialog.controls) {
        if (control.id == id) return &control;
    }
    return nullptr;
}

const char* CaptionText(const DialogTemplate& dialog, uint16_t langId) {
    return IsSlovak(langId) ? dialog.captionSk : dialog.captionCs;
}

const char* ControlText(const ControlTemplate& control, uint16_t langId) {
    return IsSlovak(langId) ? control.sk : control.cs;
}

DialogRect ControlRect(const ControlTemplate& control, uint16_t langId) {
    if (IsSlovak(langId) && control.skCx > 0) {
        return {control.skX, control.skY, control.skCx, control.skCy};
    }
    return {control.x, control.y, control.cx, control.cy};
}

}  // namespace resources
