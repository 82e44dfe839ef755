// Developer tool for the Windows build: drives the dialogs of another process through window
// messages, so a script can walk zefisetup.exe through its windows and photograph them.
//
//   ui_probe.exe wait CAPTION [--with ID]... [SECONDS]   prints "x y w h" of the window
//   ui_probe.exe press CAPTION [--with ID]... ID          clicks button ID (posted, never blocks)
//   ui_probe.exe check CAPTION [--with ID]... ID 0|1      sets check box ID as a click would
//   ui_probe.exe settext CAPTION [--with ID]... ID TEXT   replaces the text of control ID
//   ui_probe.exe text CAPTION [--with ID]... ID           prints the text of control ID (UTF-8)
//   ui_probe.exe controls CAPTION [--with ID]...          one line per child control
//   ui_probe.exe close CAPTION [--with ID]...             sends the window WM_CLOSE
//   ui_probe.exe gone CAPTION [--with ID]... [SECONDS]   waits until no such window is left
//   ui_probe.exe activate CAPTION [--with ID]...          makes it the foreground window
//   ui_probe.exe windows                                  lists the visible top-level windows
//                                                         (class, title, x y w h, foreground)
//   ui_probe.exe lock PATH SECONDS                        holds PATH open, shared with nobody
//
// The window is a visible top-level window of class "#32770" (dialogs and message boxes;
// --class NAME picks another class) whose title is CAPTION and which has a child control of
// every ID given with --with. Every command but wait and gone looks for it for up to 10 seconds
// (--timeout SECONDS changes that). Exit status: 0 done, 1 no such window (or, for check,
// the box did not take the state), 2 usage, 3 no such control or the control is disabled.
// lock prints "locked" once the file is open and keeps it so for SECONDS, or until the file
// "PATH.unlock" appears: a file in use, as the running product holds its own.
// "controls" prints tab-separated: id, class, text (tabs and line breaks as \t, \n),
// visible, enabled, and the control's rectangle "x y w h" in screen coordinates.
#include <windows.h>
// after windows.h, whose types it uses
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr DWORD kSendTimeoutMs = 5000;

std::string Utf8(const std::wstring& wide) {
    int n = ::WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string s(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) ::WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, s.data(), n, nullptr, nullptr);
    return s;
}

// Control ids as the templates write them: -1 and 65535 are the same 16-bit id.
int ControlId(HWND control) { return ::GetDlgCtrlID(control) & 0xFFFF; }

int ParseId(const std::wstring& text) {
    return static_cast<int>(std::wcstol(text.c_str(), nullptr, 10)) & 0xFFFF;
}

struct Target {
    std::wstring caption;
    std::wstring windowClass = L"#32770";
    std::vector<int> withIds;
};

struct Search {
    const Target* target;
    HWND found = nullptr;
};

struct ChildSearch {
    int id;
    HWND found = nullptr;
};

BOOL CALLBACK FindChild(HWND child, LPARAM param) {
    auto* search = reinterpret_cast<ChildSearch*>(param);
    if (ControlId(child) != search->id) return TRUE;
    search->found = child;
    return FALSE;
}

// The child of WINDOW (at any depth) with control id ID, or null.
HWND Child(HWND window, int id) {
    ChildSearch search{id};
    ::EnumChildWindows(window, FindChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring WindowText(HWND window) {
    DWORD_PTR length = 0;
    if (!::SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                               &length)) {
        return L"";
    }
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    ::SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                          SMTO_ABORTIFHUNG, kSendTimeoutMs, &copied);
    text.resize(copied);
    return text;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[256];
    int n = ::GetClassNameW(window, name, 256);
    return std::wstring(name, n > 0 ? n : 0);
}

BOOL CALLBACK FindTopLevel(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    const Target& target = *search->target;
    if (!::IsWindowVisible(window) || ClassOf(window) != target.windowClass) return TRUE;
    wchar_t title[512];
    int n = ::GetWindowTextW(window, title, 512);
    if (target.caption != std::wstring(title, n > 0 ? n : 0)) return TRUE;
    for (int id : target.withIds) {
        if (Child(window, id) == nullptr) return TRUE;
    }
    search->found = window;
    return FALSE;
}

HWND FindTarget(const Target& target, int seconds) {
    for (int tenths = 0;; ++tenths) {
        Search search{&target};
        ::EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) return search.found;
        if (tenths >= seconds * 10) return nullptr;
        ::Sleep(100);
    }
}

std::string Escaped(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text) {
        if (c == L'\t')
            out += L"\\t";
        else if (c == L'\n')
            out += L"\\n";
        else if (c == L'\r')
            out += L"\\r";
        else if (c == L'\\')
            out += L"\\\\";
        else
            out += c;
    }
    return Utf8(out);
}

std::string RectText(HWND window) {
    RECT r{};
    ::GetWindowRect(window, &r);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%ld %ld %ld %ld", r.left, r.top, r.right - r.left,
                  r.bottom - r.top);
    return buf;
}

BOOL CALLBACK PrintControl(HWND child, LPARAM) {
    std::printf("%d\t%s\t%s\t%d\t%d\t%s\n", ControlId(child), Utf8(ClassOf(child)).c_str(),
                Escaped(WindowText(child)).c_str(), ::IsWindowVisible(child) ? 1 : 0,
                ::IsWindowEnabled(child) ? 1 : 0, RectText(child).c_str());
    return TRUE;
}

BOOL CALLBACK PrintTopLevel(HWND window, LPARAM) {
    if (!::IsWindowVisible(window)) return TRUE;
    std::printf("%s\t%s\t%s%s\n", Utf8(ClassOf(window)).c_str(),
                Escaped(WindowText(window)).c_str(), RectText(window).c_str(),
                window == ::GetForegroundWindow() ? "\tforeground" : "");
    return TRUE;
}

// A click as the dialog sees it: the button's notification to its parent. Posted, so a
// button that opens a modal window does not hold this tool up.
void PostClick(int id, HWND control) {
    ::PostMessageW(::GetParent(control), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(control));
}

int Usage() {
    std::fprintf(stderr,
                 "usage: ui_probe wait CAPTION [--with ID]... [SECONDS]\n"
                 "       ui_probe press|check|settext|text|controls|close CAPTION [--with ID]... "
                 "[ID [VALUE]]\n"
                 "       options: --class NAME, --timeout SECONDS\n");
    return 2;
}

HWND ControlOrFail(HWND window, int id) {
    HWND control = Child(window, id);
    if (control == nullptr) std::fprintf(stderr, "ui_probe: no control %d\n", id);
    return control;
}

int Lock(const std::wstring& path, int seconds) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "ui_probe: cannot open %s (error %lu)\n", Utf8(path).c_str(),
                     ::GetLastError());
        return 1;
    }
    std::printf("locked\n");
    std::fflush(stdout);
    const std::wstring unlock = path + L".unlock";
    for (int tenths = 0; tenths < seconds * 10; ++tenths) {
        if (::GetFileAttributesW(unlock.c_str()) != INVALID_FILE_ATTRIBUTES) break;
        ::Sleep(100);
    }
    ::CloseHandle(file);
    return 0;
}

}  // namespace

int main() {
    // The arguments as UTF-16: argv holds them in the ANSI code page, which may lack letters of
    // a caption or a text.
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (argv == nullptr || argc < 2) return Usage();
    const std::wstring command = argv[1];
    if (command == L"lock") return argc == 4 ? Lock(argv[2], _wtoi(argv[3])) : Usage();
    if (command == L"windows") {
        ::EnumWindows(PrintTopLevel, 0);
        return 0;
    }
    if (argc < 3) return Usage();
    Target target;
    target.caption = argv[2];
    int timeout = 10;
    std::vector<std::wstring> rest;
    for (int i = 3; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if ((arg == L"--with" || arg == L"--class" || arg == L"--timeout") && i + 1 >= argc) {
            return Usage();
        }
        if (arg == L"--with")
            target.withIds.push_back(ParseId(argv[++i]));
        else if (arg == L"--class")
            target.windowClass = argv[++i];
        else if (arg == L"--timeout")
            timeout = _wtoi(argv[++i]);
        else
            rest.push_back(arg);
    }
    const bool waiting = command == L"wait" || command == L"gone";
    if (waiting) {
        if (rest.size() > 1) return Usage();
        if (!rest.empty()) timeout = _wtoi(rest[0].c_str());
    }
    if (command == L"gone") {
        for (int tenths = 0;; ++tenths) {
            if (FindTarget(target, 0) == nullptr) return 0;
            if (tenths >= timeout * 10) return 1;
            ::Sleep(100);
        }
    }

    const size_t wanted =
        waiting || command == L"controls" || command == L"close" || command == L"activate" ? 0
        : command == L"press" || command == L"text"                                        ? 1
        : command == L"check" || command == L"settext"                                     ? 2
                                                                                           : 99;
    if (wanted == 99 || (!waiting && rest.size() != wanted)) return Usage();

    HWND window = FindTarget(target, timeout);
    if (window == nullptr) {
        std::fprintf(stderr, "ui_probe: no window \"%s\"\n", Utf8(target.caption).c_str());
        return 1;
    }
    if (command == L"wait") {
        std::printf("%s\n", RectText(window).c_str());
        return 0;
    }
    if (command == L"controls") {
        ::EnumChildWindows(window, PrintControl, 0);
        return 0;
    }
    if (command == L"activate") {
        ::SetForegroundWindow(window);
        if (::GetForegroundWindow() != window) return 1;
        // Wine makes the first window of a process started from a shell the foreground window
        // without drawing its caption as active; the activation's own message does that.
        DWORD_PTR ignored = 0;
        ::SendMessageTimeoutW(window, WM_NCACTIVATE, TRUE, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                              &ignored);
        return 0;
    }
    if (command == L"close") {
        ::PostMessageW(window, WM_CLOSE, 0, 0);
        return 0;
    }

    const int id = ParseId(rest[0]);
    HWND control = ControlOrFail(window, id);
    if (control == nullptr) {
        // A dialog answers the standard commands (OK, Cancel...) without a button of that id.
        if (command != L"press") return 3;
        ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
        return 0;
    }
    if (command == L"text") {
        std::printf("%s\n", Utf8(WindowText(control)).c_str());
        return 0;
    }
    if (!::IsWindowEnabled(control)) {
        std::fprintf(stderr, "ui_probe: control %d is disabled\n", id);
        return 3;
    }
    if (command == L"press") {
        PostClick(id, control);
        return 0;
    }
    if (command == L"settext") {
        DWORD_PTR result = 0;
        ::SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(rest[1].c_str()),
                              SMTO_ABORTIFHUNG, kSendTimeoutMs, &result);
        return WindowText(control) == rest[1] ? 0 : 1;
    }
    // check: set the state, then tell the dialog as a click does, so that it reacts.
    const WPARAM state = rest[1] == L"1" ? BST_CHECKED : BST_UNCHECKED;
    DWORD_PTR current = 0;
    ::SendMessageTimeoutW(control, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &current);
    if (current != state) {
        DWORD_PTR ignored = 0;
        ::SendMessageTimeoutW(control, BM_SETCHECK, state, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                              &ignored);
        PostClick(id, control);
    }
    ::SendMessageTimeoutW(control, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &current);
    return current == state ? 0 : 1;
}
