// The relaunch of the setup program from the temporary directory, so that the medium it was
// started from is not held by the running program.
#pragma once

namespace zefi {

// Copies "setup.exe", "ssetup.dll", "cd.cfg" and "cds.cfg" from the current directory into the
// temporary directory (over older copies), then starts the copied "setup.exe" there with "-i"
// and the current directory, both paths quoted. True only when the copy was started; false at
// the first failure, and the caller then goes on from the medium.
bool RelaunchFromTemp();

}  // namespace zefi
