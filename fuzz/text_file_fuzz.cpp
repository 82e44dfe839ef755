// Fuzz target: CTextFile over an arbitrary configuration or batch file: the reads (keys, the
// REM line, the "&" block, the start path) and the rewrites (WriteKey, SetRemLine,
// SetAmpersandBlock, ReplaceText), with keys and texts taken from the file itself.
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "system/text_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Prefix();
    if (size == 0) return 0;
    const uint8_t mode = data[0];
    fuzz::WriteHostFile("drive_c/ZEFI/zefi6.cfg", data + 1, size - 1);
    zefi::CTextFile file("C:\\ZEFI\\zefi6.cfg");

    const std::string text = fuzz::Text(data + 1, size - 1);
    std::string key = "DAT";
    for (const std::string& line : fuzz::Lines(text, 4)) {
        key = line.substr(0, 3);
        file.ReadKey(key);
        file.ReadKeyLine(key);
    }
    std::string rem = file.GetRemLine();
    std::string block = file.GetAmpersandBlock();
    file.FindStartPath();

    switch (mode % 4) {
        case 0:
            file.WriteKey(key, "C:\\ZEFI\\DATA");
            break;
        case 1:
            file.SetRemLine(rem.empty() ? "REM C:\\ZEFI\r\n" : rem);
            break;
        case 2:
            file.SetAmpersandBlock(block.empty() ? "&C:\\ZEFI\r\n" : block);
            break;
        default:
            file.ReplaceText(key, "D:\\ZEFI");
            break;
    }
    file.FindStartPath();
    return 0;
}
