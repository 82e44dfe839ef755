// Windows-1250, the ANSI code page of the emulated machine: conversion to and from UTF-8 for
// the dialog hosts and for the names of host files, from one table.
#include "platform/text.h"

#include <cstdint>

#include "platform/errors.h"
#include "platform/posix/vfs.h"

namespace platform {

namespace {

// The Unicode characters of the bytes 0x80-0xFF; 0 where Windows-1250 defines none.
constexpr uint16_t kHigh[128] = {
    0x20AC, 0x0000, 0x201A, 0x0000, 0x201E, 0x2026, 0x2020, 0x2021, 0x0000, 0x2030, 0x0160, 0x2039,
    0x015A, 0x0164, 0x017D, 0x0179, 0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0000, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, 0x00A0, 0x02C7, 0x02D8, 0x0141,
    0x00A4, 0x0104, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB,
    0x013D, 0x02DD, 0x013E, 0x017C, 0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3,
    0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7, 0x010D, 0x00E9, 0x0119, 0x00EB,
    0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

bool IsAscii(const std::string& text) {
    for (unsigned char c : text) {
        if (c >= 0x80) return false;
    }
    return true;
}

void AppendUtf8(uint32_t cp, std::string* out) {
    if (cp < 0x80) {
        *out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        *out += static_cast<char>(0xC0 | (cp >> 6));
        *out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        *out += static_cast<char>(0xE0 | (cp >> 12));
        *out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// The next character of UTF-8 text at *i, advancing *i; false for a malformed, overlong or
// surrogate sequence (*i then moves past its first byte).
bool NextUtf8(const std::string& text, size_t* i, uint32_t* cp) {
    const unsigned char lead = static_cast<unsigned char>(text[*i]);
    ++*i;
    if (lead < 0x80) {
        *cp = lead;
        return true;
    }
    int extra;
    uint32_t value;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        value = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        value = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        value = lead & 0x07;
    } else {
        return false;
    }
    size_t j = *i;
    for (int k = 0; k < extra; ++k, ++j) {
        if (j >= text.size() || (static_cast<unsigned char>(text[j]) & 0xC0) != 0x80) return false;
        value = (value << 6) | (static_cast<unsigned char>(text[j]) & 0x3F);
    }
    static constexpr uint32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
    if (value < kMinimum[extra] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return false;
    }
    *i = j;
    *cp = value;
    return true;
}

// The code-page byte of a character; 0 when the code page has none (NUL itself maps to 0 too,
// and is handled by the callers' ASCII path).
unsigned char ByteOf(uint32_t cp) {
    if (cp < 0x80) return static_cast<unsigned char>(cp);
    for (int b = 0; b < 128; ++b) {
        if (kHigh[b] == cp) return static_cast<unsigned char>(0x80 + b);
    }
    return 0;
}

// Code-page text to UTF-8; undefined is what a byte without a character becomes (0: the
// C1 control of the same number, as Windows' own conversion does for names).
std::string ToUtf8(const std::string& ansi, uint32_t undefined) {
    if (IsAscii(ansi)) return ansi;
    std::string out;
    out.reserve(ansi.size() * 2);
    for (unsigned char c : ansi) {
        if (c < 0x80) {
            out += static_cast<char>(c);
            continue;
        }
        const uint32_t cp = kHigh[c - 0x80];
        AppendUtf8(cp != 0 ? cp : (undefined != 0 ? undefined : c), &out);
    }
    return out;
}

}  // namespace

std::string AnsiToDisplay(const std::string& ansi) { return ToUtf8(ansi, '?'); }

bool DisplayToAnsi(const std::string& display, std::string* ansi) {
    if (IsAscii(display)) {
        *ansi = display;
        return true;
    }
    std::string out;
    out.reserve(display.size());
    size_t i = 0;
    while (i < display.size()) {
        uint32_t cp = 0;
        const unsigned char b = NextUtf8(display, &i, &cp) ? ByteOf(cp) : 0;
        if (b == 0) {
            SetLastError(kErrorNoUnicodeTranslation);
            return false;
        }
        out += static_cast<char>(b);
    }
    *ansi = std::move(out);
    return true;
}

}  // namespace platform

namespace platform::posix {

std::string HostName(const std::string& windowsName) { return ToUtf8(windowsName, 0); }

std::string WindowsName(const std::string& hostName) {
    if (IsAscii(hostName)) return hostName;
    std::string out;
    out.reserve(hostName.size());
    size_t i = 0;
    while (i < hostName.size()) {
        uint32_t cp = 0;
        unsigned char b = 0;
        if (NextUtf8(hostName, &i, &cp)) {
            b = ByteOf(cp);
            // The C1 controls stand for the bytes the code page leaves undefined.
            if (b == 0 && cp >= 0x80 && cp < 0x100 && kHigh[cp - 0x80] == 0) {
                b = static_cast<unsigned char>(cp);
            }
        }
        out += b != 0 ? static_cast<char>(b) : '?';
    }
    return out;
}

}  // namespace platform::posix
