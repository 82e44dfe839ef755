// The choice of the dialog host: scripted for unattended runs, console on a terminal.
#include "ui/hosts/default_host.h"

#include <unistd.h>

#include <memory>

#include "ui/hosts/answers_host.h"
#include "ui/hosts/console_host.h"

namespace ui::hosts {

DialogHost* InstallDefaultHost() {
    if (HaveAnswersFile() || !isatty(STDIN_FILENO)) return InstallAnswersHost();
    static std::unique_ptr<DialogHost> host;
    host = std::make_unique<ConsoleHost>(STDIN_FILENO, STDOUT_FILENO);
    SetHost(host.get());
    return host.get();
}

}  // namespace ui::hosts
