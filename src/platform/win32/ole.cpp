// OLE initialisation of the process (what AfxOleInit does): OleInitialize on the first call,
// the same answer on every later one.
#include "platform/ole.h"

#include <ole2.h>

#include "platform/win32/win_util.h"

namespace platform {

bool InitializeOle() {
    // S_FALSE (already initialised on this thread) is success as well. The libraries stay
    // initialised until the process ends, as the framework leaves them.
    static const bool initialised = SUCCEEDED(::OleInitialize(nullptr));
    return initialised;
}

}  // namespace platform
