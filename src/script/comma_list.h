// Comma lists: the list form of option values and group lists in the install script.
#pragma once

#include "script/mbstring.h"

namespace zefi {

// Item number index (from 0) of a list whose items are separated by ",", trimmed at both ends
// with the C library's whitespace set.
//
// A comma in the very first position is skipped. An empty item between two commas and the
// item after a trailing comma are empty text; item 0 of an empty list is empty text. Returns
// false, with item emptied, when the list has fewer separators than index needs (or index is
// negative). Reads the list once, up to the item.
bool GetCommaListItem(const CMBString& list, int index, CMBString* item);

}  // namespace zefi
