// ASCII case folding and blank trimming: how the program compares names of files, registry
// keys, services, answers, configuration keys and install script values. Only the letters A-Z
// and a-z fold; every other byte (the code page's accented letters included) stays as it is,
// whatever the C runtime's locale.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

constexpr char ToLowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
constexpr char ToUpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// The text with its ASCII letters folded.
std::string LowerAscii(std::string text);
std::string UpperAscii(std::string text);

// Whether a and b are equal, ignoring the case of ASCII letters.
bool EqualsNoCase(std::string_view a, std::string_view b);
// Whether text begins with prefix, ignoring case (an empty prefix begins every text).
bool BeginsWithNoCase(std::string_view text, std::string_view prefix);
// Position of the first occurrence of needle in haystack at or after from, ignoring case;
// npos when there is none, and for an empty needle.
size_t FindNoCase(std::string_view haystack, std::string_view needle, size_t from = 0);
// Compares at most n characters of a and b as C strings (each ends at its first NUL or at the
// end of the view), ignoring case, by the byte values of the folded characters: negative, 0 or
// positive as a sorts before, with or after b. Texts that end together before n characters
// compare equal.
int CompareNoCase(std::string_view a, std::string_view b, size_t n = std::string_view::npos);

// The text without blanks, tabs and line ends at either end.
std::string TrimBlanks(std::string_view text);

}  // namespace platform
