// Case-insensitive name lookup in host directories, served from cached listings that inotify
// keeps current.
#pragma once

#include <string>

namespace platform::posix {

// The on-disk spelling of the first entry of host directory dir whose name equals name without
// regard to ASCII case; empty when there is none (or dir cannot be listed).
//
// A directory is listed once and then followed through inotify: entries created, deleted or
// renamed by this or any other local process are seen by the next lookup. A directory whose
// path names another directory than the one listed (renamed or replaced) is listed afresh.
// When inotify is unavailable or out of watches, every lookup lists the directory.
std::string FindNoCase(const std::string& dir, const std::string& name);
// As above, telling apart a missing name (true, *found empty) from a dir that is not a
// directory that can be listed (false).
bool FindNoCase(const std::string& dir, const std::string& name, std::string* found);

// Drops every cached listing (for tests and after a change of the drive table).
void ClearDirectoryCache();

}  // namespace platform::posix
