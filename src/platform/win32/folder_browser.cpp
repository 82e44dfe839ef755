// The folder browser over SHBrowseForFolderW. The browser speaks UTF-16 only: the title comes
// from display text, the start folder and the answer are converted from and to the ANSI code
// page that the program's paths are kept in.
#include "platform/win32/folder_browser.h"

#include "platform/win32/wide_text.h"
// After <windows.h>, which they need.
#include <objbase.h>
#include <shlobj.h>

namespace platform::win32 {

namespace {

// Selects the start folder once the browser is up; lpData is its UTF-16 path.
int CALLBACK SelectStart(HWND window, UINT message, LPARAM /*param*/, LPARAM data) {
    if (message == BFFM_INITIALIZED && data != 0) {
        ::SendMessageW(window, BFFM_SETSELECTIONW, TRUE, data);
    }
    return 0;
}

}  // namespace

std::string BrowseForFolder(HWND owner, const std::string& title, const std::string& initial) {
    std::wstring wideTitle;
    std::wstring wideStart;
    // A title that is not valid text is left out rather than shown damaged.
    if (!Utf8ToWide(title, &wideTitle)) wideTitle.clear();
    if (!AnsiToWide(initial, &wideStart)) wideStart.clear();

    BROWSEINFOW info = {};
    info.hwndOwner = owner;
    info.lpszTitle = wideTitle.c_str();
    if (!wideStart.empty()) {
        info.lpfn = SelectStart;
        info.lParam = reinterpret_cast<LPARAM>(wideStart.c_str());
    }
    PIDLIST_ABSOLUTE item = ::SHBrowseForFolderW(&info);
    if (item == nullptr) return std::string();
    wchar_t path[MAX_PATH] = {};
    const bool hasPath = ::SHGetPathFromIDListW(item, path) != FALSE && path[0] != L'\0';
    ::CoTaskMemFree(item);
    std::string ansi;
    if (!hasPath || !WideToAnsi(path, &ansi)) return std::string();
    return ansi;
}

}  // namespace platform::win32
