// Real ISO 9660 images for tests, made with xorriso from a host directory.
#pragma once

#include <cstdint>
#include <string>

namespace testsupport {

// Writes an image of the host directory sourceDir to the host path isoPath with the volume
// label, through "xorriso -as mkisofs", creating the image's directory when missing. options are
// further mkisofs options; the default gives Rock Ridge and Joliet names. Returns false (with
// xorriso's output in *log when given) when xorriso fails.
bool MakeIsoImage(const std::string& sourceDir, const std::string& label,
                  const std::string& isoPath, const std::string& options = "-J -R",
                  std::string* log = nullptr);

// Damages an image the way a scratched disc is damaged: cuts the image file keep bytes after
// the first place its bytes hold fileStart (the start of a file's data), so that the file's
// first bytes read and the rest fail. Keep a multiple of 2048 to cut between blocks. False when
// the image cannot be read or does not hold fileStart.
bool CutIsoImageInsideFile(const std::string& isoPath, const std::string& fileStart, uint64_t keep);

// MakeIsoImage (label "RIDEZEZ01", Joliet and Rock Ridge names) followed by
// CutIsoImageInsideFile. False when either fails, with xorriso's output in *log when given.
bool MakeDamagedIsoImage(const std::string& sourceDir, const std::string& isoPath,
                         const std::string& fileStart, uint64_t keep, std::string* log = nullptr);

}  // namespace testsupport
