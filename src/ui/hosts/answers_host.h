// The scripted host of unattended runs, answering from the file ZEFISETUP_ANSWERS names.
#pragma once

#include "ui/host.h"

namespace ui::hosts {

// True when the environment variable ZEFISETUP_ANSWERS names an answers file.
bool HaveAnswersFile();

// Installs the process-wide scripted host, writing to standard output and answering from the
// answers file (with none named, every dialog and message box takes its default answer). An
// answers file that cannot be read is reported on standard error and nullptr is returned: an
// unattended run must not go on with default answers it was not given. The host lives until the
// program ends.
DialogHost* InstallAnswersHost();

}  // namespace ui::hosts
