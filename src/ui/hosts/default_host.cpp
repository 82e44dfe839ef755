// The choice of the dialog host: scripted for unattended runs, console on a terminal.
#include "ui/hosts/default_host.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>

#include "ui/hosts/console_host.h"
#include "ui/scripted_host.h"

namespace ui::hosts {

DialogHost* InstallDefaultHost() {
    static std::unique_ptr<DialogHost> host;
    const char* answersPath = std::getenv("ZEFISETUP_ANSWERS");
    const bool haveAnswers = answersPath && *answersPath;
    if (haveAnswers || !isatty(STDIN_FILENO)) {
        std::string answers;
        if (haveAnswers) {
            std::ifstream in(answersPath, std::ios::binary);
            if (in) {
                std::ostringstream text;
                text << in.rdbuf();
                answers = text.str();
            } else {
                std::fprintf(stderr, "zefisetup: cannot read the answers file %s\n", answersPath);
                return nullptr;
            }
        }
        host = std::make_unique<ScriptedHost>(answers, std::cout);
    } else {
        host = std::make_unique<ConsoleHost>(STDIN_FILENO, STDOUT_FILENO);
    }
    SetHost(host.get());
    return host.get();
}

}  // namespace ui::hosts
