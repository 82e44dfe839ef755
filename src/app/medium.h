// The check whether the program was started from an installation medium.
#pragma once

#include <cstdint>

namespace zefi {

// True when the current directory is an installation medium: its volume label begins with
// "RIDEZEZ", or it holds a marker file "zeficz*" (text "ZEFICZ") or "zefisk*" (text "ZEFISK"),
// or a marker search could not start for a reason other than that nothing matched. When no
// marker qualifies, *downloadMode is set to 1 and the result is false; when the current
// directory cannot be read the result is false and *downloadMode is left as it is.
bool IsInstallationMedium(int32_t* downloadMode);

}  // namespace zefi
