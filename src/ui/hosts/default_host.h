// The choice of the dialog host for a run of the program.
#pragma once

#include "ui/host.h"

namespace ui::hosts {

// Installs the process-wide dialog host and returns it: the scripted host (writing to standard
// output) when the environment variable ZEFISETUP_ANSWERS names an answers file; otherwise, on
// the emulated machine, the scripted host when standard input is not a terminal, else the
// console host; on Windows, the real windows. An answers file that cannot be read is reported
// on standard error and nullptr is returned: an unattended run must not go on with default
// answers it was not given. nullptr ends the program. Call once, on the main thread, before the
// first dialog; the host lives until the program ends.
DialogHost* InstallDefaultHost();

}  // namespace ui::hosts
