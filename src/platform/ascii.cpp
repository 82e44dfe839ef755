// ASCII case folding and trimming shared by the portable code and every backend.
#include "platform/ascii.h"

namespace platform {

std::string LowerAscii(std::string text) {
    for (char& c : text) c = ToLowerAscii(c);
    return text;
}

std::string UpperAscii(std::string text) {
    for (char& c : text) c = ToUpperAscii(c);
    return text;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && BeginsWithNoCase(a, b);
}

bool BeginsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (ToLowerAscii(text[i]) != ToLowerAscii(prefix[i])) return false;
    }
    return true;
}

size_t FindNoCase(std::string_view haystack, std::string_view needle, size_t from) {
    if (needle.empty() || haystack.size() < needle.size()) return std::string_view::npos;
    for (size_t i = from; i <= haystack.size() - needle.size(); ++i) {
        if (BeginsWithNoCase(haystack.substr(i), needle)) return i;
    }
    return std::string_view::npos;
}

int CompareNoCase(std::string_view a, std::string_view b, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        const auto ca = static_cast<unsigned char>(ToLowerAscii(i < a.size() ? a[i] : '\0'));
        const auto cb = static_cast<unsigned char>(ToLowerAscii(i < b.size() ? b[i] : '\0'));
        if (ca != cb) return ca < cb ? -1 : 1;
        if (ca == 0) break;
    }
    return 0;
}

std::string TrimBlanks(std::string_view text) {
    const size_t begin = text.find_first_not_of(" \t\r\n\v\f");
    if (begin == std::string_view::npos) return {};
    const size_t end = text.find_last_not_of(" \t\r\n\v\f");
    return std::string(text.substr(begin, end - begin + 1));
}

}  // namespace platform
