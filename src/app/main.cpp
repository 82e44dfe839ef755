// The program's entry point: hands the command line to the application object and runs it.
#include <cstdio>
#include <exception>
#include <string>

#include "app/exit_status.h"
#include "app/setup_app.h"
#include "ui/hosts/default_host.h"

namespace {

// The start-up parser knows no escapes, only a delimiting " or ': an argument with blanks is
// wrapped in " (or in ' when it holds a "), a backslash at its end staying as it is.
std::string QuoteForParser(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\"'") == std::string::npos) {
        return argument;
    }
    const char quote = argument.find('"') == std::string::npos ? '"' : '\'';
    return quote + argument + quote;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        // The application object reads the command line as Windows passes it: the text after
        // the program name, with arguments that hold blanks quoted.
        std::string commandLine;
        for (int i = 1; i < argc; ++i) {
            if (i > 1) commandLine += ' ';
            commandLine += QuoteForParser(argv[i]);
        }
        if (!ui::hosts::InstallDefaultHost()) return zefi::kExitBadCommandLine;
        zefi::CSetupApp app(commandLine);
        app.InitInstance();
        return zefi::ExitStatus(app);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zefisetup: %s\n", e.what());
        return zefi::kExitInternalFailure;
    } catch (...) {
        std::fprintf(stderr, "zefisetup: unexpected failure\n");
        return zefi::kExitInternalFailure;
    }
}
