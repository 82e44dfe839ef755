// The signs of an installation medium: a volume label beginning "RIDEZEZ", and the edition
// marker files "zeficz*" / "zefisk*" whose text holds "ZEFICZ" / "ZEFISK" and the disk number.
#pragma once

#include <cstdint>
#include <string>

namespace zefi {

// Whether the volume whose root is root ("D:\") is a product disk: its label begins with the
// seven characters "RIDEZEZ" (case-sensitive). False when the label cannot be read. Any thread.
bool IsProductVolume(const std::string& root);

// Result of looking for the marker file of one edition in a directory.
enum class MarkerScan {
    kFound,         // a file that qualifies as the marker exists
    kNoFile,        // no file matches the marker's name
    kNoMarker,      // files match the name, but none of them qualifies
    kSearchFailed,  // the search could not start for a reason other than that no file matches
};

// Looks in directory (a Windows path, with or without a trailing backslash; empty for the
// current directory) for the marker file of an edition: "zeficz*" holding "ZEFICZ" when
// slovakEdition is 0, else "zefisk*" holding "ZEFISK". The matches are tried in the order the
// file system lists them, directories skipped; one qualifies when it opens as text, gives at
// least 7 of its first 259 bytes, and that text, up to its first NUL, trimmed and in upper
// case, contains the marker. On kFound *diskNumber (when given) receives the number after the
// marker as atoi reads it: 0 without digits, held within the 32-bit range. Any thread.
MarkerScan FindEditionMarker(const std::string& directory, int32_t slovakEdition,
                             int32_t* diskNumber = nullptr);

}  // namespace zefi
