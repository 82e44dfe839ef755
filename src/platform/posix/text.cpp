// Windows-1250 to UTF-8 conversion with the C library's iconv.
#include "platform/text.h"

#include <iconv.h>

#include <cerrno>
#include <utility>

#include "platform/errors.h"

namespace platform {

std::string AnsiToDisplay(const std::string& ansi) {
    iconv_t cd = iconv_open("UTF-8", "WINDOWS-1250");
    std::string out;
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        // Without a converter, ASCII passes and everything else is replaced.
        for (unsigned char c : ansi) out += c < 0x80 ? static_cast<char>(c) : '?';
        return out;
    }
    out.reserve(ansi.size() * 2);
    char* in = const_cast<char*>(ansi.data());
    size_t inLeft = ansi.size();
    char buffer[1024];
    while (inLeft > 0) {
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, outPtr - buffer);
        if (rc == static_cast<size_t>(-1)) {
            if (errno == E2BIG) continue;
            // An undefined byte: show a placeholder and go on after it.
            out += '?';
            ++in;
            --inLeft;
        }
    }
    iconv_close(cd);
    return out;
}

bool DisplayToAnsi(const std::string& display, std::string* ansi) {
    iconv_t cd = iconv_open("WINDOWS-1250", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        for (unsigned char c : display) {
            if (c >= 0x80) {
                SetLastError(kErrorNoUnicodeTranslation);
                return false;
            }
        }
        *ansi = display;
        return true;
    }
    std::string out;
    char* in = const_cast<char*>(display.data());
    size_t inLeft = display.size();
    char buffer[1024];
    bool ok = true;
    while (inLeft > 0) {
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, outPtr - buffer);
        if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
            // A character without a code-page form, or text that is not UTF-8.
            ok = false;
            break;
        }
    }
    iconv_close(cd);
    if (!ok) {
        SetLastError(kErrorNoUnicodeTranslation);
        return false;
    }
    *ansi = std::move(out);
    return true;
}

}  // namespace platform
