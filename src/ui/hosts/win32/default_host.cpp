// The choice of the dialog host on Windows. With an answers file the scripted host answers, as
// on the emulated machine (that is how CI drives zefisetup.exe under Wine). The program's own
// windows are not built yet; without an answers file a plain message box says so and the
// program ends without doing anything.
#include "ui/hosts/default_host.h"

#include <windows.h>
#undef LoadString  // the program's own, not the Win32 macro

#include <string>

#include "resources/strings.h"
#include "ui/hosts/answers_host.h"

namespace ui::hosts {

namespace {

std::wstring Utf8ToWide(const std::string& text) {
    int n =
        ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(n > 0 ? n : 0, L'\0');
    if (n > 0) {
        ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                              n);
    }
    return wide;
}

constexpr uint32_t kApplicationTitle = 57344;

}  // namespace

DialogHost* InstallDefaultHost() {
    if (HaveAnswersFile()) return InstallAnswersHost();
    const std::string text =
        "Okna programu pro Windows v této verzi ještě nejsou; program se ukončí.\n"
        "Spuštění bez oken: proměnná prostředí ZEFISETUP_ANSWERS se souborem odpovědí.\n\n"
        "The program's Windows dialogs are not in this build yet; the program ends.\n"
        "To run it without them, set ZEFISETUP_ANSWERS to an answers file.";
    ::MessageBoxW(nullptr, Utf8ToWide(text).c_str(),
                  Utf8ToWide(resources::LoadString(kApplicationTitle)).c_str(),
                  MB_OK | MB_ICONINFORMATION);
    return nullptr;
}

}  // namespace ui::hosts
