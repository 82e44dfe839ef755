// The dialog template data shared by the look-up functions of the resources layer.
#pragma once

#include <vector>

#include "resources/dialogs.h"

namespace resources::detail {

// Builds every dialog template of the program, in ascending id order.
std::vector<DialogTemplate> BuildDialogTemplates();

}  // namespace resources::detail
