// The Czech and Slovak string tables: every user-visible text by number.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace resources {

struct StringEntry {
    uint32_t id;
    const char* cs;  // UTF-8
    const char* sk;  // UTF-8
};

// True for the Slovak language id (1051); every other id selects the Czech resources.
constexpr bool IsSlovak(uint16_t langId) { return langId == 1051; }

// The text of a string-table entry in a language (1051 Slovak, any other value Czech); an
// empty string when the table has no such entry. Texts are UTF-8; a line break is "\n";
// printf-style placeholders stand as the message boxes format them. Any thread may call it.
std::string LoadString(uint32_t id, uint16_t langId);
// The same in the calling thread's UI language (platform::GetThreadUILanguage).
std::string LoadString(uint32_t id);
bool HasString(uint32_t id);

// The whole table, sorted by id, for tests and hosts; *count receives the number of entries.
const StringEntry* StringTable(size_t* count);

// String 57344, the application title: the caption of every message box.
constexpr uint32_t kAppTitle = 57344;

}  // namespace resources
