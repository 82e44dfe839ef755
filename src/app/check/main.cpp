// zefisetup-check: checks the install scripts of a medium before it is pressed, with the reader
// and the tables of the installer itself. Prints one "file:line: message" per finding; exits 0
// when there is none, 1 when there are findings, 2 when it is called wrongly.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "script/script_check.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr,
                     "usage: zefisetup-check <medium directory> [<directory of a further disk> "
                     "...]\n");
        return 2;
    }
    try {
        std::vector<std::string> furtherDisks(argv + 2, argv + argc);
        std::vector<zefi::CheckMessage> messages = zefi::CheckMedium(argv[1], furtherDisks);
        for (const zefi::CheckMessage& message : messages)
            std::printf("%s\n", zefi::FormatCheckMessage(message).c_str());
        return messages.empty() ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zefisetup-check: %s\n", e.what());
        return 12;
    }
}
