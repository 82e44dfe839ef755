// Windows-1250 to UTF-8 conversion with the C library's iconv.
#include "platform/text.h"

#include <iconv.h>

#include <cerrno>

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

}  // namespace platform
