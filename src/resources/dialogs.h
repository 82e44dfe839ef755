// Dialog templates: each dialog's caption and controls, described once for every host.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace resources {

enum class ControlKind {
    Button,        // push button
    DefButton,     // default push button
    CheckBox,
    RadioButton,
    Edit,          // edit field
    Static,        // static text
    GroupBox,
    Progress,      // progress bar
    ListBox,
};

struct ControlTemplate {
    int id;             // control id (-1 for an unnamed static)
    ControlKind kind;
    const char* cs;     // Czech text (UTF-8), "" when none
    const char* sk;     // Slovak text
    int x, y, cx, cy;   // dialog units
    bool visible = true;
    bool enabled = true;
};

struct DialogTemplate {
    int id;
    const char* captionCs;
    const char* captionSk;
    int cx, cy;  // dialog units
    std::vector<ControlTemplate> controls;  // in template (tab) order
};

// The template of dialog id, or nullptr.
const DialogTemplate* FindDialog(int id);

// Text resources (resource 145: the instructions), in a language; empty when missing.
std::string LoadTextResource(int id, uint16_t langId);

// Standard button ids.
enum : int { kIdOk = 1, kIdCancel = 2, kIdAbort = 3, kIdRetry = 4, kIdIgnore = 5, kIdYes = 6, kIdNo = 7 };

}  // namespace resources
