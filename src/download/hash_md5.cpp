// HashFileDigests: one sequential pass over the file through the system's MD5 and SHA-256
// providers.
#include "download/hash_md5.h"

#include <cctype>
#include <vector>

#include "platform/crypto.h"
#include "platform/errors.h"
#include "platform/file.h"

namespace zefi {
namespace {

constexpr uint32_t kBlockSize = 16384;

// The last error as a status, never 0: a failure without a recorded code still fails.
int32_t FailureCode() {
    uint32_t code = platform::GetLastError();
    return code == 0 ? static_cast<int32_t>(platform::kErrorInvalidFunction)
                     : static_cast<int32_t>(code);
}

std::string Hex(const uint8_t* value, size_t size) {
    static const char kHex[] = "0123456789abcdef";
    std::string text(2 * size, '\0');
    for (size_t i = 0; i < size; ++i) {
        text[2 * i] = kHex[value[i] >> 4];
        text[2 * i + 1] = kHex[value[i] & 0x0F];
    }
    return text;
}

// The two hashes of one pass; SHA-256 takes part only when wanted.
class DigestPair {
  public:
    explicit DigestPair(bool withSha256) : m_withSha256(withSha256) {}

    bool Create() { return m_md5.Create() && (!m_withSha256 || m_sha256.Create()); }

    bool HashData(const void* data, size_t size) {
        return m_md5.HashData(data, size) && (!m_withSha256 || m_sha256.HashData(data, size));
    }

    bool Finish(FileDigests* digests) {
        uint8_t md5[platform::Md5Hash::kValueSize];
        uint8_t sha256[platform::Sha256Hash::kValueSize];
        if (!m_md5.GetHashValue(md5)) return false;
        if (m_withSha256 && !m_sha256.GetHashValue(sha256)) return false;
        digests->md5 = Hex(md5, sizeof md5);
        digests->sha256 = m_withSha256 ? Hex(sha256, sizeof sha256) : std::string();
        return true;
    }

  private:
    bool m_withSha256;
    platform::Md5Hash m_md5;
    platform::Sha256Hash m_sha256;
};

// The pass itself; the hashes and the file are released by their owners' destructors on every
// path out.
int32_t HashOpenFile(platform::File& file, DigestPair& hashes, FileDigests* digests,
                     ProgressBlock* progress) {
    if (!hashes.Create()) return FailureCode();
    std::vector<uint8_t> block(kBlockSize);
    for (;;) {
        uint32_t got = 0;
        if (!file.Read(block.data(), kBlockSize, &got)) return FailureCode();
        if (got == 0) break;
        if (progress != nullptr) {
            progress->doneBytes.fetch_add(got, std::memory_order_relaxed);
            if (progress->stopFlag.load(std::memory_order_relaxed) == ProgressBlock::kStop) {
                return -1;
            }
        }
        if (!hashes.HashData(block.data(), got)) return FailureCode();
    }
    FileDigests result;
    if (!hashes.Finish(&result)) return FailureCode();
    *digests = std::move(result);
    return 0;
}

}  // namespace

int32_t HashFileDigests(const std::string& path, bool withSha256, FileDigests* digests,
                        ProgressBlock* progress) {
    platform::File file;
    if (!file.Open(path, platform::File::kRead, platform::File::kShareRead,
                   platform::File::kOpenExisting)) {
        return FailureCode();
    }
    DigestPair hashes(withSha256);
    return HashOpenFile(file, hashes, digests, progress);
}

int32_t HashFileMd5(const std::string& path, char digest[kMd5HexSize], ProgressBlock* progress) {
    FileDigests digests;
    int32_t result = HashFileDigests(path, false, &digests, progress);
    if (result == 0) digests.md5.copy(digest, 32);
    return result;
}

bool SameDigest(const std::string& computed, const std::string& published) {
    if (computed.size() != published.size()) return false;
    for (size_t i = 0; i < computed.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(computed[i])) !=
            std::tolower(static_cast<unsigned char>(published[i]))) {
            return false;
        }
    }
    return true;
}

}  // namespace zefi
