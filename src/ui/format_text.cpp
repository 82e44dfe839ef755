// The placeholder interpreter of texts and string-table entries.
#include "ui/format_text.h"

#include <cstdio>
#include <cstdlib>

#include "platform/text.h"
#include "resources/strings.h"

namespace ui {

namespace {

int64_t AsSigned(const FormatArg& arg) {
    switch (arg.kind) {
        case FormatArg::Kind::Signed:
            return arg.i;
        case FormatArg::Kind::Unsigned:
            return static_cast<int64_t>(arg.u);
        case FormatArg::Kind::Double:
            return static_cast<int64_t>(arg.d);
        case FormatArg::Kind::String:
            return std::strtoll(arg.text.c_str(), nullptr, 10);
    }
    return 0;
}

double AsDouble(const FormatArg& arg) {
    switch (arg.kind) {
        case FormatArg::Kind::Signed:
            return static_cast<double>(arg.i);
        case FormatArg::Kind::Unsigned:
            return static_cast<double>(arg.u);
        case FormatArg::Kind::Double:
            return arg.d;
        case FormatArg::Kind::String:
            return std::strtod(arg.text.c_str(), nullptr);
    }
    return 0;
}

std::string AsString(const FormatArg& arg) {
    switch (arg.kind) {
        case FormatArg::Kind::Signed:
            return std::to_string(arg.i);
        case FormatArg::Kind::Unsigned:
            return std::to_string(arg.u);
        case FormatArg::Kind::Double: {
            char buf[64];
            std::snprintf(buf, sizeof buf, "%g", arg.d);
            return buf;
        }
        case FormatArg::Kind::String:
            return arg.text;
    }
    return {};
}

// snprintf into a std::string of whatever size the result needs.
template <class T>
std::string Printf(const std::string& format, T value) {
    int n = std::snprintf(nullptr, 0, format.c_str(), value);
    if (n <= 0) return {};
    std::string out(static_cast<size_t>(n) + 1, '\0');
    std::snprintf(out.data(), out.size(), format.c_str(), value);
    out.resize(static_cast<size_t>(n));
    return out;
}

}  // namespace

FormatArg::FormatArg(const CodePage& s)
    : kind(Kind::String), text(platform::AnsiToDisplay(s.text)) {}

std::string FormatText(const std::string& format, const std::vector<FormatArg>& args) {
    std::string out;
    size_t next = 0;
    size_t i = 0;
    while (i < format.size()) {
        char ch = format[i];
        if (ch != '%') {
            out += ch;
            ++i;
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == '%') {
            out += '%';
            i += 2;
            continue;
        }
        // Parse flags, width, precision and length; the length is replaced by our own below.
        size_t j = i + 1;
        std::string flags, width, precision;
        while (j < format.size() && std::string("-+ #0").find(format[j]) != std::string::npos) {
            flags += format[j++];
        }
        while (j < format.size() && format[j] >= '0' && format[j] <= '9') width += format[j++];
        bool hasPrecision = false;
        if (j < format.size() && format[j] == '.') {
            hasPrecision = true;
            ++j;
            while (j < format.size() && format[j] >= '0' && format[j] <= '9')
                precision += format[j++];
        }
        while (j < format.size() && std::string("hlLqjzt").find(format[j]) != std::string::npos)
            ++j;
        // The Microsoft length prefixes I64 and I32.
        if (j + 2 < format.size() && format[j] == 'I' &&
            (format.compare(j, 3, "I64") == 0 || format.compare(j, 3, "I32") == 0)) {
            j += 3;
        }
        if (j >= format.size() || width.size() > 4 || precision.size() > 4) {
            out += format.substr(i, j - i);
            i = j;
            continue;
        }
        char conv = format[j];
        std::string base = "%" + flags + width + (hasPrecision ? "." + precision : "");
        const FormatArg* arg = next < args.size() ? &args[next] : nullptr;
        switch (conv) {
            case 'd':
            case 'i':
                if (arg) out += Printf(base + "lld", static_cast<long long>(AsSigned(*arg)));
                ++next;
                break;
            case 'u':
            case 'x':
            case 'X':
            case 'o':
                // Unsigned conversions of a 32-bit value see its two's complement, as printf
                // does with an int argument.
                if (arg) {
                    int64_t v = AsSigned(*arg);
                    unsigned long long uv = arg->kind == FormatArg::Kind::Unsigned
                                                ? arg->u
                                                : (v >= INT32_MIN && v <= INT32_MAX
                                                       ? static_cast<uint32_t>(v)
                                                       : static_cast<unsigned long long>(v));
                    out += Printf(base + "ll" + conv, uv);
                }
                ++next;
                break;
            case 'c':
                if (arg) {
                    if (arg->kind == FormatArg::Kind::String) {
                        out += arg->text.substr(0, 1);
                    } else {
                        out += static_cast<char>(AsSigned(*arg));
                    }
                }
                ++next;
                break;
            case 'f':
            case 'F':
            case 'e':
            case 'E':
            case 'g':
            case 'G':
                if (arg) out += Printf(base + conv, AsDouble(*arg));
                ++next;
                break;
            case 's':
                if (arg) out += Printf(base + "s", AsString(*arg).c_str());
                ++next;
                break;
            default:
                out += format.substr(i, j + 1 - i);
                break;
        }
        i = j + 1;
    }
    return out;
}

std::string FormatStringV(uint32_t id, const std::vector<FormatArg>& args) {
    return FormatText(resources::LoadString(id), args);
}

}  // namespace ui
