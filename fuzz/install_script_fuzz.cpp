// Fuzz target: the install-script reader over a whole script: every group's entries through
// GetGroupVal (with reference expansion), GetValue of every key, GetValList over the values
// and group_match over every line.
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "script/inscfg.h"
#include "script/mbstring.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Prefix();
    fuzz::WriteHostFile("drive_c/Temp/cd.cfg", data, size);
    zefi::InsCfg script;
    if (!script.Open("C:\\Temp\\cd.cfg")) return 0;

    // Every query rescans the script from its first line, so a few groups and a few entries of
    // each are enough to reach every part of the reader; GetValue looks up the first two keys
    // of a group (once for the first word, once for the whole line). Further entries would only
    // repeat the same scans a few lines further down.
    const std::string text = fuzz::Text(data, size);
    int groups = 0;
    for (const std::string& line : fuzz::Lines(text, 256)) {
        zefi::CMBString raw(line);
        std::string group;
        if (line[0] == '[') group = line.substr(1, line.find(']') - 1);
        zefi::InsCfg::group_match(raw, group.c_str());
        script.ExpandReferences(&raw);
        if (line[0] != '[' || ++groups > 4) continue;
        int lineNumber = 0;
        zefi::CMBString key;
        zefi::CMBString value;
        int kind = 0;
        for (int entries = 0;
             entries < 4 && script.GetGroupVal(group.c_str(), &lineNumber, &key, &value, &kind);
             ++entries) {
            zefi::CMBString found;
            if (entries < 2) script.GetValue(group.c_str(), key, &found, entries % 2 == 0);
            zefi::CMBString item;
            for (int index = 0; index < 8 && zefi::InsCfg::GetValList(value, index, &item);
                 ++index) {
            }
        }
    }
    return 0;
}
