// HashFileMd5: one sequential pass over the file through the system's MD5 provider.
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

}  // namespace

int32_t HashFileMd5(const std::string& path, char digest[kMd5HexSize], ProgressBlock* progress) {
    platform::File file;
    if (!file.Open(path, platform::File::kRead, platform::File::kShareRead,
                   platform::File::kOpenExisting)) {
        return FailureCode();
    }
    platform::Md5Hash hash;
    if (!hash.Create()) {
        int32_t code = FailureCode();
        file.Close();
        return code;
    }
    std::vector<uint8_t> block(kBlockSize);
    for (;;) {
        uint32_t got = 0;
        if (!file.Read(block.data(), kBlockSize, &got)) {
            int32_t code = FailureCode();
            hash.Destroy();
            file.Close();
            return code;
        }
        if (got == 0) break;
        if (progress != nullptr) {
            progress->doneBytes.fetch_add(got, std::memory_order_relaxed);
            if (progress->stopFlag.load(std::memory_order_relaxed) == ProgressBlock::kStop) {
                hash.Destroy();
                file.Close();
                return -1;
            }
        }
        if (!hash.HashData(block.data(), got)) {
            int32_t code = FailureCode();
            hash.Destroy();
            file.Close();
            return code;
        }
    }
    uint8_t value[platform::Md5Hash::kValueSize];
    if (!hash.GetHashValue(value)) {
        int32_t code = FailureCode();
        hash.Destroy();
        file.Close();
        return code;
    }
    static const char kHex[] = "0123456789abcdef";
    for (size_t i = 0; i < platform::Md5Hash::kValueSize; ++i) {
        digest[2 * i] = kHex[value[i] >> 4];
        digest[2 * i + 1] = kHex[value[i] & 0x0F];
    }
    hash.Destroy();
    file.Close();
    return 0;
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
