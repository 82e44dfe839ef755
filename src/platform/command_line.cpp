// Splitting and quoting of Windows command lines by the rules of CommandLineToArgvW and the
// C runtime's start-up code.
#include <string>
#include <vector>

#include "platform/process.h"

namespace platform {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
    std::vector<std::string> args;
    const size_t n = commandLine.size();
    size_t i = 0;
    while (i < n && IsBlank(commandLine[i])) ++i;
    if (i == n) return args;

    // The program name knows no escapes: it runs up to the closing quote, or up to the first
    // blank when it does not start with one. Windows paths end in backslashes freely.
    std::string program;
    if (commandLine[i] == '"') {
        ++i;
        while (i < n && commandLine[i] != '"') program += commandLine[i++];
        if (i < n) ++i;
    } else {
        while (i < n && !IsBlank(commandLine[i])) program += commandLine[i++];
    }
    args.push_back(program);

    for (;;) {
        while (i < n && IsBlank(commandLine[i])) ++i;
        if (i == n) break;
        std::string arg;
        bool quoted = false;
        while (i < n && (quoted || !IsBlank(commandLine[i]))) {
            char c = commandLine[i];
            if (c == '\\') {
                size_t slashes = 0;
                while (i < n && commandLine[i] == '\\') {
                    ++slashes;
                    ++i;
                }
                if (i < n && commandLine[i] == '"') {
                    // 2n backslashes and a quote: n backslashes, the quote toggles the mode;
                    // 2n+1: n backslashes and a literal quote.
                    arg.append(slashes / 2, '\\');
                    if (slashes % 2 == 1) {
                        arg += '"';
                        ++i;
                    }
                } else {
                    arg.append(slashes, '\\');
                }
            } else if (c == '"') {
                if (quoted && i + 1 < n && commandLine[i + 1] == '"') {
                    // A doubled quote inside quotes is a literal quote; the quoting goes on.
                    arg += '"';
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                arg += c;
                ++i;
            }
        }
        args.push_back(arg);
    }
    return args;
}

std::string QuoteArgument(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos) {
        return argument;
    }
    std::string out = "\"";
    size_t slashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++slashes;
            continue;
        }
        if (c == '"') {
            // Every backslash before a quote is doubled, and the quote itself escaped.
            out.append(slashes * 2 + 1, '\\');
        } else {
            out.append(slashes, '\\');
        }
        slashes = 0;
        out += c;
    }
    // Backslashes before the closing quote are doubled so that they do not escape it.
    out.append(slashes * 2, '\\');
    out += '"';
    return out;
}

}  // namespace platform
