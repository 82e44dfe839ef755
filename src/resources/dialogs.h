// Dialog templates: each dialog's caption and controls, described once for every host.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace resources {

enum class ControlKind {
    Button,     // push button
    DefButton,  // default push button
    CheckBox,
    RadioButton,
    Edit,    // edit field
    Static,  // static text
    GroupBox,
    Progress,  // progress bar
    ListBox,
    Icon,  // the system's error icon (no text)
};

// Style flags of a control (ControlTemplate::style); 0 is the kind's plain look.
enum : uint32_t {
    kStyleMultiLine = 1u << 0,    // edit: several lines, wrapped, Enter inserts a line break
    kStyleReadOnly = 1u << 1,     // edit: shown but not changed by the user
    kStyleVScroll = 1u << 2,      // vertical scroll bar
    kStyleBorder = 1u << 3,       // framed
    kStyleAutoHScroll = 1u << 4,  // edit: scrolls sideways while typing past its width
    kStyleRightAlign = 1u << 5,   // static: text aligned to the right edge
    kStyleCenter = 1u << 6,       // static: text centred
};

// A rectangle in dialog units: left, top, width, height.
struct DialogRect {
    int x, y, cx, cy;
};

struct ControlTemplate {
    int id;  // control id (-1 for an unnamed static)
    ControlKind kind;
    const char* cs;    // Czech text (UTF-8), "" when none
    const char* sk;    // Slovak text
    int x, y, cx, cy;  // dialog units
    bool visible = true;
    bool enabled = true;
    uint32_t style = 0;  // kStyle* flags
    // The Slovak template's position where it differs from the Czech one (skCx > 0).
    int skX = 0, skY = 0, skCx = 0, skCy = 0;
};

struct DialogTemplate {
    int id;
    const char* captionCs;
    const char* captionSk;
    int cx, cy;                             // dialog units
    std::vector<ControlTemplate> controls;  // in template (tab) order
    bool titleBar = true;                   // false: no caption bar (and the caption is "")
};

// Dialog template ids.
enum : int {
    kDlgSetup = 1,     // main menu, CSetupDlg
    kDlgSearch = 3,    // installation search, SearchDlg
    kDlgDir = 4,       // destination directory, CDirDlg
    kDlgCopy = 6,      // copy progress, CCopyDlg
    kDlgWarn = 7,      // confirmation, CWarnDlg
    kDlgReadme = 8,    // instructions, CReadmeDlg
    kDlgError = 9,     // copy error, CErrorDlg
    kDlgOptions = 11,  // installation options, COptions
    kDlgDown = 142,    // download progress, DlgDown
};

// Text resource 145: the installation instructions shown when the medium has none.
constexpr int kTextInstructions = 145;

// The template of dialog id, or nullptr. Templates are immutable and live for the whole
// program; any thread may call it.
const DialogTemplate* FindDialog(int id);
// Every template, in ascending id order.
const std::vector<DialogTemplate>& AllDialogs();

// The control id of a template, or nullptr.
const ControlTemplate* FindControl(const DialogTemplate& dialog, int id);
// The caption, a control's text and a control's position in a language (1051 Slovak, any
// other value Czech).
const char* CaptionText(const DialogTemplate& dialog, uint16_t langId);
const char* ControlText(const ControlTemplate& control, uint16_t langId);
DialogRect ControlRect(const ControlTemplate& control, uint16_t langId);

// Text resources (resource 145: the instructions), in a language (1051 Slovak, any other value
// Czech); empty when missing. The text is UTF-8 (like the string tables, it needs no code-page
// conversion) with CR LF line ends, the form of a text file on the medium.
std::string LoadTextResource(int id, uint16_t langId);

// Standard button ids.
enum : int {
    kIdOk = 1,
    kIdCancel = 2,
    kIdAbort = 3,
    kIdRetry = 4,
    kIdIgnore = 5,
    kIdYes = 6,
    kIdNo = 7
};

}  // namespace resources
