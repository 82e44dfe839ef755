// Checks on resource texts shared by the resources tests: UTF-8 validity, printf placeholders
// and letters that belong to only one of the two languages.
#pragma once

#include <cctype>
#include <cstddef>
#include <string>
#include <vector>

namespace restest {

// True when text is well-formed UTF-8 (no overlong forms, no surrogates).
inline bool IsValidUtf8(const std::string& text) {
    size_t i = 0;
    while (i < text.size()) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        size_t extra;
        unsigned int cp;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + extra >= text.size()) return false;  // cut short at the end
        for (size_t k = 1; k <= extra; ++k) {
            unsigned char cc = static_cast<unsigned char>(text[i + k]);
            if ((cc & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        static const unsigned int kMin[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += extra + 1;
    }
    return true;
}

// The printf conversions of text, in order, as written ("%s", "%04X", "%ld", ...); "%%" is
// not a conversion.
inline std::vector<std::string> Placeholders(const std::string& text) {
    std::vector<std::string> out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') continue;
        if (i + 1 < text.size() && text[i + 1] == '%') {
            ++i;
            continue;
        }
        size_t j = i + 1;
        while (j < text.size() && std::string("-+ #0").find(text[j]) != std::string::npos) ++j;
        while (j < text.size() &&
               (std::isdigit(static_cast<unsigned char>(text[j])) || text[j] == '*'))
            ++j;
        if (j < text.size() && text[j] == '.') {
            ++j;
            while (j < text.size() &&
                   (std::isdigit(static_cast<unsigned char>(text[j])) || text[j] == '*'))
                ++j;
        }
        while (j < text.size() && std::string("hlLqjzt").find(text[j]) != std::string::npos) ++j;
        // The conversion letter; a lone "%" at the end is kept as it stands so that it still
        // has to match in the other language.
        size_t end = j < text.size() ? j + 1 : j;
        out.push_back(text.substr(i, end - i));
        i = end - 1;
    }
    return out;
}

// Letters of Czech that Slovak does not have, and the reverse; one in a text of the other
// language betrays a forgotten translation.
inline const std::vector<std::string>& CzechOnlyLetters() {
    static const std::vector<std::string> letters = {"ř", "Ř", "ě", "Ě", "ů", "Ů"};
    return letters;
}
inline const std::vector<std::string>& SlovakOnlyLetters() {
    static const std::vector<std::string> letters = {"ľ", "Ľ", "ĺ", "Ĺ", "ŕ",
                                                     "Ŕ", "ô", "Ô", "ä", "Ä"};
    return letters;
}

// The first letter of letters found in text, or "".
inline std::string FirstOf(const std::string& text, const std::vector<std::string>& letters) {
    for (const std::string& letter : letters) {
        if (text.find(letter) != std::string::npos) return letter;
    }
    return "";
}

}  // namespace restest
