// The data edition of the installation (Czech or Slovak) and the medium marker files that
// tell the editions apart.
#pragma once

#include <cstdint>
#include <string>

namespace zefi {

// 0 for the Czech data edition, 1 for the Slovak one. Process-wide; starts at 0 and is settled
// by the install driver before it downloads or reads the install script. Written on the main
// thread only, read by any thread afterwards.
extern int32_t SlovakEdition;

// Result of looking for one kind of marker file in a directory.
enum class MarkerScan {
    kFound,         // a file that qualifies as the marker exists
    kNone,          // no file matches the name, or none of the matches qualifies
    kSearchFailed,  // the search could not start for a reason other than "no file matches"
};

// Looks in directory (a Windows path, with or without a trailing backslash; empty for the
// current directory) for files named namePrefix + "*". A match qualifies when it is not a
// directory and more than 6 of its first 259 bytes (read as text) can be read, and that text,
// trimmed and in upper case, contains markerText (e.g. "zeficz" / "ZEFICZ").
MarkerScan ScanMediumMarker(const std::string& directory, const std::string& namePrefix,
                            const std::string& markerText);

// The edition of an installation about to be installed or updated: in download mode the
// edition recorded with InstallDir (registry value Edition), when destination is the directory
// InstallDir names; otherwise Slovak when sourceDirectory holds a Slovak marker ("zefisk*"
// with "ZEFISK") and no Czech one ("zeficz*" with "ZEFICZ"). Czech whenever nothing says
// otherwise.
int32_t DetermineEdition(const std::string& sourceDirectory, const std::string& destination,
                         bool downloadMode);

}  // namespace zefi
