// Sizes of the installable parts from the install script, and the destination's free space.
#include "dialogs/component_sizes.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "script/inscfg.h"
#include "system/csystem.h"
#include "system/log.h"

namespace zefi {

namespace {

// The limits of a C long on the system the product runs on (32 bits on Windows).
constexpr int64_t kLongMax = std::numeric_limits<int32_t>::max();
constexpr int64_t kLongMin = std::numeric_limits<int32_t>::min();

bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// atol: leading white space, an optional sign, then decimal digits up to the first other
// character; 0 without digits. A value beyond the long's range saturates at its limit instead
// of overflowing.
int64_t AtoLong(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && IsCSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > kLongMax + 1) break;
    }
    if (negative) value = -value;
    if (value > kLongMax) return kLongMax;
    if (value < kLongMin) return kLongMin;
    return value;
}

std::string Megabytes(int64_t number) { return std::to_string(number) + " MB"; }
std::string Gigabytes(int64_t number) { return std::to_string(number) + " GB"; }

}  // namespace

std::string InstallScriptName(int32_t slovakEdition) {
    return slovakEdition != 0 ? "cds.cfg" : "cd.cfg";
}

int64_t PartMegabytes(const std::string& scriptPath, const std::string& group) {
    InsCfg script;
    script.Open(scriptPath);
    CMBString value;
    script.GetValue(group, "Size", &value, false);
    return AtoLong(value.str()) / 1000;
}

int32_t WholeGigabytes(double bytes) {
    // NaN fails every comparison and so ends here as well.
    if (!(bytes > 0)) return 0;
    double gigabytes = std::ldexp(bytes, -30);
    if (gigabytes >= static_cast<double>(kLongMax)) return static_cast<int32_t>(kLongMax);
    return static_cast<int32_t>(gigabytes);
}

bool ComputePartSizes(const std::string& scriptPath, int32_t slovakEdition,
                      const std::string& destination, const PartSelection& parts,
                      PartSizes* sizes) {
    InsCfg script;
    if (!script.Open(scriptPath)) return false;

    PartSizes result = *sizes;
    result.regulations = result.literature = result.otherTexts = "0 MB";
    result.clo = result.zdisk = result.pzp = "0 MB";
    result.totalGigabytes = 0;

    const int64_t regulations = PartMegabytes(scriptPath, "OptionPredp");
    const int64_t literature = PartMegabytes(scriptPath, "LIT");
    const int64_t clo = PartMegabytes(scriptPath, "CLO");
    const int64_t zdisk = PartMegabytes(scriptPath, "ZDISK");
    const int64_t pzp = PartMegabytes(scriptPath, "PZP");
    const int64_t otherTexts =
        PartMegabytes(scriptPath, slovakEdition != 0 ? "CZECHTEXT" : "SLOVTEXT");

    // The free space is measured without a run, so nothing of it is logged anywhere.
    LogStream noLog;
    CSystem system(noLog);
    result.freeGigabytes = WholeGigabytes(system.GetFreeSpace(destination));

    int64_t sum = regulations;
    result.regulations = Megabytes(regulations);
    auto count = [&sum](int32_t chosen, int64_t megabytes, std::string* text) {
        if (chosen == 0) return;
        *text = Megabytes(megabytes);
        sum += megabytes;
    };
    count(parts.literature, literature, &result.literature);
    count(parts.clo, clo, &result.clo);
    count(parts.zdisk, zdisk, &result.zdisk);
    count(parts.pzp, pzp, &result.pzp);
    count(parts.otherTexts, otherTexts, &result.otherTexts);

    const int64_t totalGigabytes = sum / 1000;
    result.totalGigabytes = static_cast<int32_t>(
        totalGigabytes > kLongMax ? kLongMax
                                  : (totalGigabytes < kLongMin ? kLongMin : totalGigabytes));
    result.total = Gigabytes(result.totalGigabytes);
    result.free = Gigabytes(result.freeGigabytes);
    *sizes = result;
    return true;
}

}  // namespace zefi
