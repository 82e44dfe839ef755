// The files the install driver's download branch leaves in the destination directory: the
// repo-info file of an installed image set and the downloaded image files themselves.
#pragma once

#include <string>

#include "download/image_list.h"

namespace zefi {

// directory + "\" + name, without doubling a backslash that directory already ends with.
std::string JoinPath(const std::string& directory, const std::string& name);

// Writes destination + "\" + "zefisetup.rep" in text mode, truncating an existing file: the
// digest of every image of list (up to the first record with an empty digest), in list order,
// each followed by a line end (CR LF on disk). A list without images gives an empty file.
// False when the file cannot be opened or written.
bool WriteRepoInfoFile(const std::string& destination, const ImageRecord* list);

// Deletes destination + "\" + name of every image of list (up to the first record with an
// empty digest). Files that cannot be deleted are left; returns how many were deleted.
int DeleteImageFiles(const std::string& destination, const ImageRecord* list);

}  // namespace zefi
