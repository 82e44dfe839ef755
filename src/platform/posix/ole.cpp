// OLE initialisation on the emulated machine: shell links and the folder browser are built in
// and need no component libraries, so there is nothing to initialise.
#include "platform/ole.h"

namespace platform {

bool InitializeOle() { return true; }

}  // namespace platform
