// The install script checker: finds, before a medium is pressed, what in its "cd.cfg" and
// "cds.cfg" the engine would read differently from what their author meant.
#pragma once

#include <string>
#include <vector>

namespace zefi {

// One finding, reported as "file:line: text".
struct CheckMessage {
    std::string file;  // the script as the caller named its directory, e.g. "medium/cd.cfg"
    int line = 0;      // the line of the file as an editor counts it; 0 for the file as a whole
    std::string text;
};

std::string FormatCheckMessage(const CheckMessage& message);

// Checks the scripts "cd.cfg" and "cds.cfg" in mediumDirectory (a Windows path; "/" is
// accepted as a separator) with the engine's own reader and tables. The disk a group's `CD`
// names is looked for in mediumDirectory, then in its immediate subdirectories, then in
// furtherDisks; the files of a group whose disk is in none of them are not checked. The
// messages come in file order, then line order; none when the medium is sound.
//
// Reported: a script that cannot be read; no start group; option keys and action names the
// engine does not know (in groups a start group reaches); groups named in `List`, `Positive`
// or `Negative` that do not exist; lists that lead back to a group whose sub-list is running (a
// cycle, reported at the option that closes it); groups nothing reaches from STARTW, STARTNW
// or STARTMW (groups that only hold values for references, and "DiskNames", excepted); second
// blocks of a group; references "[G:K]" to a missing group or key; a "[" without "]" in a
// value, and a header without "]"; `Source` directories and the files or patterns of "i",
// "ibat", "icfg", "iapcfg" and "iapbat" that are not on the disk; `CD` values without a
// "DiskNames" entry; lines longer than 511 characters; `Size` values that are not whole
// numbers.
std::vector<CheckMessage> CheckMedium(const std::string& mediumDirectory,
                                      const std::vector<std::string>& furtherDisks = {});

// The same for one script, shown as displayName, with the disks to look in (the first one is
// the medium's root, the source of groups without `CD`).
std::vector<CheckMessage> CheckScript(const std::string& scriptPath, const std::string& displayName,
                                      const std::vector<std::string>& disks);

}  // namespace zefi
