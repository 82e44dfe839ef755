// The parser of the parameter line.
#include "app/start_parameters.h"

#include <cctype>

#include "platform/fs.h"
#include "system/copy_file_overwrite.h"

namespace zefi {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

void Trim(std::string* text) {
    size_t begin = 0;
    while (begin < text->size() && std::isspace(static_cast<unsigned char>((*text)[begin]))) {
        ++begin;
    }
    size_t end = text->size();
    while (end > begin && std::isspace(static_cast<unsigned char>((*text)[end - 1]))) --end;
    *text = text->substr(begin, end - begin);
}

void AddBackslash(std::string* directory) {
    if (!directory->empty() && directory->back() != '\\') *directory += '\\';
}

// Reads the value of an option whose letter ends before position *pos, appending it to *target
// and trimming the result. False when the option has no value; *pos is left where scanning goes
// on (at the closing delimiter, the next option or the end).
bool ReadValue(const std::string& line, size_t* pos, std::string* target) {
    size_t i = *pos;
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i >= line.size() || line[i] == '-') {
        *pos = i;
        return false;
    }
    char delimiter = ' ';
    if (line[i] == '"' || line[i] == '\'') delimiter = line[i++];
    size_t end = i;
    // An unquoted value ends at any blank, a tab included.
    while (end < line.size() && !(delimiter == ' ' ? IsBlank(line[end]) : line[end] == delimiter)) {
        ++end;
    }
    *target += line.substr(i, end - i);
    Trim(target);
    *pos = end;
    return true;
}

}  // namespace

StartParameters ParseStartParameters(const std::string& line) {
    StartParameters p;
    size_t i = 0;
    while (i < line.size()) {
        if (line[i] != '-') {
            ++i;
            continue;
        }
        ++i;
        if (i >= line.size()) break;
        char option = line[i++];
        switch (option) {
            case 'o':
            case 'O':
                if (ReadValue(line, &i, &p.destination)) {
                    AddBackslash(&p.destination);
                    p.explicitStart = true;
                    if (option == 'O') p.saveDestination = 0;
                } else {
                    p.saveDestination = 1;
                }
                break;
            case 'i':
                if (ReadValue(line, &i, &p.source)) {
                    AddBackslash(&p.source);
                    p.explicitStart = true;
                }
                break;
            case 'q':
            case 'Q':
                if (ReadValue(line, &i, &p.options)) {
                    p.quiet = 1;
                    p.explicitStart = true;
                    if (option == 'Q') p.skipOptions = 1;
                } else {
                    p.skipOptions = 0;
                }
                break;
            case 'd':
                if (ReadValue(line, &i, &p.cleanupDirectory)) {
                    AddBackslash(&p.cleanupDirectory);
                    p.cleanup = true;
                    return p;
                }
                break;
            case 'm':
                ReadValue(line, &i, &p.masterAddress);
                break;
            case 'x':
                ReadValue(line, &i, &p.proxy);
                break;
            case 'u':
                ReadValue(line, &i, &p.proxyUser);
                break;
            case 'p':
                ReadValue(line, &i, &p.proxyPassword);
                break;
            case 's':
                // Takes no value and does not make the start explicit.
                p.autoAnswer = 1;
                break;
            case '?':
                p.usage = true;
                break;
            default:
                // An unknown letter is skipped like any other character.
                break;
        }
    }
    return p;
}

void DeleteSetupCopies(const std::string& directory) {
    for (const char* name : {"cd.cfg", "cds.cfg", "ssetup.dll", "setup.exe"}) {
        // The relaunch copied them from a DVD, whose files are read-only: so are the copies.
        ClearReadOnly(directory + name);
        platform::DeleteFile(directory + name);
    }
}

}  // namespace zefi
