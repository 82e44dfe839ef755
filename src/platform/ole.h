// Process-wide initialisation of the component object libraries (AfxOleInit).
#pragma once

namespace platform {

// Initialises OLE for the calling (main) thread once per process. False when the libraries
// cannot be initialised; the program then cannot use shell links or the folder browser.
bool InitializeOle();

}  // namespace platform
