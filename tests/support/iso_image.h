// Real ISO 9660 images for tests, made with xorriso from a host directory.
#pragma once

#include <string>

namespace testsupport {

// Writes an image of the host directory sourceDir to the host path isoPath with the volume
// label, through "xorriso -as mkisofs", creating the image's directory when missing. options are
// further mkisofs options; the default gives Rock Ridge and Joliet names. Returns false (with
// xorriso's output in *log when given) when xorriso fails.
bool MakeIsoImage(const std::string& sourceDir, const std::string& label,
                  const std::string& isoPath, const std::string& options = "-J -R",
                  std::string* log = nullptr);

}  // namespace testsupport
