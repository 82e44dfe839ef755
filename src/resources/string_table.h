// The string-table data shared by the look-up functions of the resources layer.
#pragma once

#include <cstddef>

#include "resources/strings.h"

namespace resources::detail {

// Every entry in both languages, sorted by id without duplicates.
extern const StringEntry kStringTable[];
extern const size_t kStringTableSize;

}  // namespace resources::detail
