// The choice of the dialog host on Windows: with an answers file the scripted host answers, as
// on the emulated machine (that is how CI drives zefisetup.exe under Wine); otherwise the
// program's real windows.
#include "ui/hosts/default_host.h"

#include <memory>

#include "ui/hosts/answers_host.h"
#include "ui/hosts/win32/dialog_host.h"

namespace ui::hosts {

DialogHost* InstallDefaultHost() {
    if (HaveAnswersFile()) return InstallAnswersHost();
    static std::unique_ptr<DialogHost> host;
    host = std::make_unique<win32::WindowsHost>();
    SetHost(host.get());
    return host.get();
}

}  // namespace ui::hosts
