// Look-up of string-table entries by number and language.
#include "resources/strings.h"

#include <algorithm>

#include "resources/string_table.h"

namespace resources {

namespace {

const StringEntry* Find(uint32_t id) {
    const StringEntry* begin = detail::kStringTable;
    const StringEntry* end = begin + detail::kStringTableSize;
    const StringEntry* it = std::lower_bound(
        begin, end, id, [](const StringEntry& entry, uint32_t key) { return entry.id < key; });
    return (it != end && it->id == id) ? it : nullptr;
}

}  // namespace

std::string LoadString(uint32_t id, uint16_t langId) {
    const StringEntry* entry = Find(id);
    if (entry == nullptr) return std::string();
    return IsSlovak(langId) ? entry->sk : entry->cs;
}

bool HasString(uint32_t id) { return Find(id) != nullptr; }

const StringEntry* StringTable(size_t* count) {
    if (count != nullptr) *count = detail::kStringTableSize;
    return detail::kStringTable;
}

}  // namespace resources
