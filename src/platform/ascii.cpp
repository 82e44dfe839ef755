// ASCII case folding and trimming shared by the portable code and every backend.
#include "platform/text.h"

namespace platform {

namespace {

char LowerChar(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::string LowerAscii(std::string text) {
    for (char& c : text) c = LowerChar(c);
    return text;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerChar(a[i]) != LowerChar(b[i])) return false;
    }
    return true;
}

std::string TrimBlanks(std::string_view text) {
    const size_t begin = text.find_first_not_of(" \t\r\n\v\f");
    if (begin == std::string_view::npos) return {};
    const size_t end = text.find_last_not_of(" \t\r\n\v\f");
    return std::string(text.substr(begin, end - begin + 1));
}

}  // namespace platform
