// String-table look-up in the calling thread's UI language. Kept apart from the table itself
// so that a program that only needs texts by explicit language does not pull in the platform.
#include "platform/machine.h"
#include "resources/strings.h"

namespace resources {

std::string LoadString(uint32_t id) { return LoadString(id, platform::GetThreadUILanguage()); }

}  // namespace resources
