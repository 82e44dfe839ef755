// Test helper for the Windows build: waits for a message box with the given caption, in
// any process of the session, prints its text (UTF-8) and presses its OK button; so a test can
// see what zefisetup.exe shows without a person at the screen.
//   zefi_close_message.exe CAPTION [SECONDS]   exit 0: found and closed, 1: none appeared
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

std::string Utf8(const std::wstring& wide) {
    int n = ::WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string s(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) ::WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, s.data(), n, nullptr, nullptr);
    return s;
}

// The message text of a message box: its static control (id 0xFFFF).
std::wstring MessageText(HWND box) {
    wchar_t buf[4096];
    UINT n = ::GetDlgItemTextW(box, 0xFFFF, buf, sizeof buf / sizeof buf[0]);
    return std::wstring(buf, n);
}

}  // namespace

int main() {
    // The arguments as UTF-16: argv holds them in the ANSI code page, which may lack letters of
    // the caption.
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (argv == nullptr || argc < 2) {
        std::fprintf(stderr, "usage: zefi_close_message CAPTION [SECONDS]\n");
        return 2;
    }
    const std::wstring caption = argv[1];
    const int seconds = argc > 2 ? std::max(1, _wtoi(argv[2])) : 60;
    for (int waited = 0; waited < seconds * 10; ++waited) {
        // "#32770" is the window class of dialog boxes, message boxes among them.
        HWND box = ::FindWindowW(L"#32770", caption.c_str());
        if (box != nullptr) {
            std::printf("%s\n", Utf8(MessageText(box)).c_str());
            std::fflush(stdout);
            ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            return 0;
        }
        ::Sleep(100);
    }
    std::fprintf(stderr, "zefi_close_message: no message box appeared\n");
    return 1;
}
