// Comma lists: picking one trimmed item out of a comma-separated value.
#include "script/comma_list.h"

namespace zefi {

bool GetCommaListItem(const CMBString& list, int index, CMBString* item) {
    item->Empty();
    if (index < 0) return false;
    int start = list.GetAt(0) == ',' ? 1 : 0;
    for (int skipped = 0; skipped < index; ++skipped) {
        int comma = list.Find(',', start);
        if (comma < 0) return false;
        start = comma + 1;
    }
    int end = list.Find(',', start);
    *item = list.Mid(start, end < 0 ? list.GetLength() - 1 : end - 1);
    item->Trim();
    return true;
}

}  // namespace zefi
