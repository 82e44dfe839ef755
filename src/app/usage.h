// The usage of the command line (-?) and the answers of -s.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace zefi {

// Strings 185 (the options) and 186 (the exit statuses), in the calling thread's language.
std::string UsageText();
// Shows UsageText where the person reads it: on the console or terminal the program was
// started from, else (in a window) in a message box. Main thread.
void ShowUsage();

// The answers -s gives where a box's first button would not let an unattended run go on or
// end: string 162 (the same data already installed) No, as a deployment must not install the
// same data again; string 102 (insert a disk) Cancel, since nobody inserts one and OK would
// only ask again; string 160 (an image transfer broke again after its automatic retries)
// Cancel, since Retry would retry for ever while the image keeps failing, and the download
// then ends as failed. Every other box takes its first button (109, 145 and 146 Yes, as quiet
// mode does).
std::map<uint32_t, int> AutoAnswerDefaults();

}  // namespace zefi
