// The repo-info file "zefisetup.rep": the digests of the image set installed last, one per line,
// read back by the download run to tell whether the offered set is already installed.
#pragma once

#include <cstdint>
#include <string>

#include "download/image_list.h"

namespace zefi {

// Name of the repo-info file in the destination directory.
extern const char* const kRepoInfoName;

// Reads destinationDir + "\" + "zefisetup.rep". Returns the number of non-empty lines (a line
// ends at CR or LF; a last line without a line end does not count) and hands out in *records a
// new zero-filled list (free it with FreeImageList) whose digest fields hold, in file order,
// the lines that are exactly 32 characters long and hold no NUL byte, ended by a record with an
// empty digest. Lines of any length are read whole, so a long line is skipped without being cut
// into pieces. A missing or unreadable file, or one without a non-empty line, returns 0 and leaves
// *records nullptr. Any thread.
int32_t ReadRepoInfo(const std::string& destinationDir, ImageList* records);

// Deletes destinationDir + "\" + "zefisetup.rep". Returns 0 when it was deleted, -1 when not
// (as the C runtime's remove does). Any thread.
int32_t DeleteRepoInfo(const std::string& destinationDir);

}  // namespace zefi
