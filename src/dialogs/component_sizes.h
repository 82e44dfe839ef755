// The sizes of the installable parts that the options dialog shows: read from the install
// script, summed over the chosen parts and set against the destination's free space.
#pragma once

#include <cstdint>
#include <string>

namespace zefi {

// The parts whose sizes count only when chosen (0 or 1 each); the regulations always count.
struct PartSelection {
    int32_t literature = 0;  // group "LIT"
    int32_t clo = 0;         // group "CLO"
    int32_t zdisk = 0;       // group "ZDISK"
    int32_t pzp = 0;         // group "PZP"
    int32_t otherTexts = 0;  // "SLOVTEXT" in the Czech edition, "CZECHTEXT" in the Slovak one
};

// What the options dialog shows about sizes. Every text reads "0 MB" until sizes have been
// computed once.
struct PartSizes {
    std::string regulations = "0 MB";  // group "OptionPredp"
    std::string literature = "0 MB";
    std::string otherTexts = "0 MB";
    std::string clo = "0 MB";
    std::string zdisk = "0 MB";
    std::string pzp = "0 MB";
    std::string total = "0 MB";  // "<n> GB" once computed
    std::string free = "0 MB";   // "<n> GB" once computed
    int32_t totalGigabytes = 0;
    int32_t freeGigabytes = 0;
};

// The install script of an edition: "cds.cfg" for the Slovak one (slovakEdition != 0), else
// "cd.cfg". A bare file name, so it is looked for in the current directory.
std::string InstallScriptName(int32_t slovakEdition);

// Reads the Size option (kilobytes, read as C's atol reads a 32-bit long, so it saturates at
// the long's limits) of group in the script at scriptPath and gives it in whole megabytes
// (kilobytes / 1000, cut towards zero). 0 when the script, the group or the option is missing.
int64_t PartMegabytes(const std::string& scriptPath, const std::string& group);

// Whole gigabytes (2^30 bytes) in a byte count, cut towards zero; 0 for a count that is not a
// positive number, INT32_MAX for one too large to count.
int32_t WholeGigabytes(double bytes);

// Recomputes *sizes: every part text becomes "0 MB"; the regulations and each chosen part get
// their size from the script in megabytes ("<n> MB") and are summed; the total is the sum in
// whole thousands of megabytes ("<n> GB"), the free space that of destination's volume in whole
// gigabytes ("<n> GB"). False, leaving *sizes unchanged, when the script cannot be opened.
bool ComputePartSizes(const std::string& scriptPath, int32_t slovakEdition,
                      const std::string& destination, const PartSelection& parts, PartSizes* sizes);

}  // namespace zefi
