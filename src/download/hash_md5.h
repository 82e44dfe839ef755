// The MD5 digest of a downloaded image file, read once in 16 KB blocks with progress and stop.
#pragma once

#include <cstdint>
#include <string>

#include "download/progress_block.h"

namespace zefi {

// Size of the caller's digest buffer: 32 hex characters and the NUL.
constexpr size_t kMd5HexSize = 33;

// Hashes the file at path (a Windows path) in sequential 16384-byte blocks and writes its MD5
// digest as 32 lower-case hex characters into digest, which the caller has filled with zeros
// (only the 32 characters are written). With a progress block, the length of every block read
// is added to its done bytes, and a stop flag of 1 ends the run before the block is hashed
// (2, the finished run, does not stop it). Returns 0 on success, -1 when stopped, or the
// system error code of the step that failed; on any result but 0 digest is left untouched.
// Runs on the calling thread; the progress block may be read by other threads meanwhile.
int32_t HashFileMd5(const std::string& path, char digest[kMd5HexSize], ProgressBlock* progress);

// Whether a computed digest equals a package-list digest, without regard to case.
bool SameDigest(const std::string& computed, const std::string& published);

}  // namespace zefi
