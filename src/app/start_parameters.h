// The start parameters of the program and the parser of its parameter line (the command line
// or the registry value AutoParam).
#pragma once

#include <cstdint>
#include <string>

namespace zefi {

struct StartParameters {
    // -o / -O: where the product is installed; ends with a backslash when not empty.
    std::string destination;
    // Whether the driver stores the confirmed destination as InstallDir: -O with a value
    // clears it, -o or -O without a value set it again.
    int32_t saveDestination = 1;
    // -i: the installation medium's directory; ends with a backslash when not empty.
    std::string source;
    // -q / -Q with a value: unattended run.
    int32_t quiet = 0;
    // -Q with a value sets it, -q or -Q without a value clear it: no options dialog.
    int32_t skipOptions = 0;
    // The value of -q / -Q: the choices of the options dialog.
    std::string options;
    std::string masterAddress;  // -m
    std::string proxy;          // -x
    std::string proxyUser;      // -u
    std::string proxyPassword;  // -p
    // -s (no value, any position): every message box answers itself with its default button.
    int32_t autoAnswer = 0;
    // -?: show the usage and end.
    bool usage = false;
    // Set by -o, -O, -i, -q, -Q with a value; when clear, start-up checks for a medium.
    bool explicitStart = false;
    // -d with a value: delete the setup copies in cleanupDirectory (ends with a backslash)
    // and end the program. Parsing stops at such an option.
    bool cleanup = false;
    std::string cleanupDirectory;
};

// Parses a parameter line. Characters other than "-" are skipped; "-" and the next character
// select an option (unknown letters are skipped). A value follows after blanks; it is quoted by
// '"' or "'" up to the matching quote, or else runs up to the next blank. An option followed by
// the end of the line or by "-" has no value. A repeated option appends its value to the earlier
// one, and the result is trimmed.
StartParameters ParseStartParameters(const std::string& line);

// Deletes "cd.cfg", "cds.cfg", "ssetup.dll" and "setup.exe" in directory (which ends with a
// backslash), in this order, read-only ones included, ignoring failures.
void DeleteSetupCopies(const std::string& directory);

}  // namespace zefi
