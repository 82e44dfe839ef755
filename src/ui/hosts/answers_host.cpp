// The scripted host of unattended runs, the same on every backend.
#include "ui/hosts/answers_host.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>

#include "ui/scripted_host.h"

namespace ui::hosts {

bool HaveAnswersFile() {
    const char* path = std::getenv("ZEFISETUP_ANSWERS");
    return path != nullptr && *path != '\0';
}

DialogHost* InstallAnswersHost() {
    static std::unique_ptr<DialogHost> host;
    std::string answers;
    if (HaveAnswersFile()) {
        const char* path = std::getenv("ZEFISETUP_ANSWERS");
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "zefisetup: cannot read the answers file %s\n", path);
            return nullptr;
        }
        std::ostringstream text;
        text << in.rdbuf();
        answers = text.str();
    }
    host = std::make_unique<ScriptedHost>(answers, std::cout);
    SetHost(host.get());
    return host.get();
}

}  // namespace ui::hosts
