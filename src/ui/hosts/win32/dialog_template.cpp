// The bytes of a DLGTEMPLATEEX: a header, then one DLGITEMTEMPLATEEX per control, each on a
// DWORD boundary, with the class and the text as UTF-16 strings or ordinals.
#include "ui/hosts/win32/dialog_template.h"

#include <commctrl.h>

#include "platform/win32/wide_text.h"

namespace ui::hosts::win32 {

namespace {

using resources::ControlKind;

// Ordinals of the predefined window classes in a dialog template.
constexpr WORD kClassButton = 0x0080;
constexpr WORD kClassEdit = 0x0081;
constexpr WORD kClassStatic = 0x0082;
constexpr WORD kClassListBox = 0x0083;

class TemplateWriter {
  public:
    void Word(WORD w) { m_words.push_back(w); }
    void Dword(DWORD d) {
        Word(LOWORD(d));
        Word(HIWORD(d));
    }
    void Text(const std::wstring& text) {
        for (wchar_t c : text) Word(static_cast<WORD>(c));
        Word(0);
    }
    void Ordinal(WORD ordinal) {
        Word(0xFFFF);
        Word(ordinal);
    }
    void AlignToDword() {
        if (m_words.size() % 2) Word(0);
    }
    // The item count sits in the header; it is written once the items are known.
    size_t Mark() const { return m_words.size(); }
    void Patch(size_t at, WORD w) { m_words[at] = w; }
    std::vector<DWORD> Finish() {
        AlignToDword();
        std::vector<DWORD> out(m_words.size() / 2);
        for (size_t i = 0; i < out.size(); ++i) {
            out[i] = MAKELONG(m_words[2 * i], m_words[2 * i + 1]);
        }
        return out;
    }

  private:
    std::vector<WORD> m_words;
};

DWORD ControlStyle(const ControlState& c) {
    DWORD style = WS_CHILD;
    if (c.visible) style |= WS_VISIBLE;
    if (!c.enabled) style |= WS_DISABLED;
    if (c.style & resources::kStyleBorder) style |= WS_BORDER;
    if (c.style & resources::kStyleVScroll) style |= WS_VSCROLL;
    switch (c.kind) {
        case ControlKind::Button:
            return style | WS_TABSTOP | BS_PUSHBUTTON;
        case ControlKind::DefButton:
            return style | WS_TABSTOP | BS_DEFPUSHBUTTON;
        case ControlKind::CheckBox:
            return style | WS_TABSTOP | BS_AUTOCHECKBOX;
        case ControlKind::RadioButton:
            return style | WS_TABSTOP | BS_AUTORADIOBUTTON;
        case ControlKind::GroupBox:
            return style | BS_GROUPBOX;
        case ControlKind::Edit:
            style |= WS_TABSTOP | WS_BORDER;
            if (c.style & resources::kStyleAutoHScroll) style |= ES_AUTOHSCROLL;
            if (c.style & resources::kStyleMultiLine) style |= ES_MULTILINE | ES_WANTRETURN;
            if (c.style & resources::kStyleReadOnly) style |= ES_READONLY;
            return style;
        case ControlKind::Static:
            // Texts shown here hold paths and file names: an "&" is a letter, not a mnemonic.
            style |= SS_NOPREFIX;
            if (c.style & resources::kStyleCenter) return style | SS_CENTER;
            if (c.style & resources::kStyleRightAlign) return style | SS_RIGHT;
            return style | SS_LEFT;
        case ControlKind::Icon:
            return style | SS_ICON;
        case ControlKind::Progress:
            return style | WS_BORDER;
        case ControlKind::ListBox:
            return style | WS_TABSTOP | WS_BORDER | WS_VSCROLL | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY;
    }
    return style;
}

void WriteClass(TemplateWriter& w, ControlKind kind) {
    switch (kind) {
        case ControlKind::Button:
        case ControlKind::DefButton:
        case ControlKind::CheckBox:
        case ControlKind::RadioButton:
        case ControlKind::GroupBox:
            return w.Ordinal(kClassButton);
        case ControlKind::Edit:
            return w.Ordinal(kClassEdit);
        case ControlKind::ListBox:
            return w.Ordinal(kClassListBox);
        case ControlKind::Progress:
            return w.Text(PROGRESS_CLASSW);
        case ControlKind::Static:
        case ControlKind::Icon:
            return w.Ordinal(kClassStatic);
    }
}

}  // namespace

std::wstring ControlWindowText(const ControlState& control) {
    std::wstring text = platform::win32::Utf8ToWide(control.text);
    if (control.kind != ControlKind::Edit || !(control.style & resources::kStyleMultiLine)) {
        return text;
    }
    std::wstring out;
    out.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\n' && (i == 0 || text[i - 1] != L'\r')) out += L'\r';
        out += text[i];
    }
    return out;
}

std::vector<DWORD> BuildDialogTemplate(const resources::DialogTemplate& t, uint16_t langId,
                                       const std::string& caption,
                                       const std::vector<ControlState>& controls) {
    TemplateWriter w;
    DWORD style = WS_POPUP | DS_MODALFRAME | DS_SHELLFONT | DS_CENTER;
    if (t.titleBar) {
        style |= WS_CAPTION | WS_SYSMENU;
        // The main menu is the program's window: it can be minimised.
        if (t.id == resources::kDlgSetup) style |= WS_MINIMIZEBOX;
    } else {
        style |= WS_BORDER;
    }
    w.Word(1);       // dlgVer
    w.Word(0xFFFF);  // signature
    w.Dword(0);      // helpID
    w.Dword(0);      // exStyle
    w.Dword(style);
    const size_t countAt = w.Mark();
    w.Word(0);  // cDlgItems, patched below
    w.Word(0);  // x, y: DS_CENTER places it
    w.Word(0);
    w.Word(static_cast<WORD>(t.cx));
    w.Word(static_cast<WORD>(t.cy));
    w.Word(0);  // no menu
    w.Word(0);  // the standard dialog class
    w.Text(t.titleBar ? platform::win32::Utf8ToWide(caption) : std::wstring());
    w.Word(8);                                 // point size
    w.Word(FW_NORMAL);                         // weight
    w.Word(MAKEWORD(FALSE, DEFAULT_CHARSET));  // italic, charset
    w.Text(L"MS Shell Dlg");

    WORD count = 0;
    for (size_t i = 0; i < controls.size() && i < t.controls.size(); ++i) {
        const ControlState& c = controls[i];
        const resources::DialogRect r = resources::ControlRect(t.controls[i], langId);
        w.AlignToDword();
        w.Dword(0);  // helpID
        w.Dword(0);  // exStyle
        w.Dword(ControlStyle(c));
        w.Word(static_cast<WORD>(r.x));
        w.Word(static_cast<WORD>(r.y));
        w.Word(static_cast<WORD>(r.cx));
        w.Word(static_cast<WORD>(r.cy));
        w.Dword(c.id < 0 ? 0xFFFFFFFFu : static_cast<DWORD>(c.id));
        WriteClass(w, c.kind);
        const bool hasText = c.kind != ControlKind::Progress && c.kind != ControlKind::Icon &&
                             c.kind != ControlKind::ListBox;
        w.Text(hasText ? ControlWindowText(c) : std::wstring());
        w.Word(0);  // no creation data
        ++count;
    }
    w.Patch(countAt, count);
    return w.Finish();
}

}  // namespace ui::hosts::win32
