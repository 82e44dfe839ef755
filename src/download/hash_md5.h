// The digests of a downloaded image file: MD5 and, when asked for, SHA-256, read once in 16 KB
// blocks with progress and stop.
#pragma once

#include <cstdint>
#include <string>

#include "download/progress_block.h"

namespace zefi {

// Size of the caller's digest buffer: 32 hex characters and the NUL.
constexpr size_t kMd5HexSize = 33;

// The digests of one file, in lower-case hex.
struct FileDigests {
    std::string md5;     // 32 characters
    std::string sha256;  // 64 characters; empty when it was not asked for
};

// Hashes the file at path (a Windows path) in one sequential pass of 16384-byte blocks through
// the system's MD5 provider and, with withSha256, its SHA-256 provider too, and stores the
// digests in *digests. With a progress block, the length of every block read is added to its
// done bytes, and a stop flag of 1 ends the run before the block is hashed (2, the finished
// run, does not stop it). Returns 0 on success, -1 when stopped, or the system error code of the
// step that failed; on any result but 0 *digests is left untouched. Runs on the calling thread;
// the progress block may be read by other threads meanwhile.
int32_t HashFileDigests(const std::string& path, bool withSha256, FileDigests* digests,
                        ProgressBlock* progress);

// HashFileDigests for the MD5 digest alone, written as 32 lower-case hex characters into
// digest, which the caller has filled with zeros (only the 32 characters are written). The
// results are those of HashFileDigests; on any result but 0 digest is left untouched.
int32_t HashFileMd5(const std::string& path, char digest[kMd5HexSize], ProgressBlock* progress);

// Whether a computed digest equals a package-list digest, without regard to case.
bool SameDigest(const std::string& computed, const std::string& published);

}  // namespace zefi
