// MD5, SHA-256 and SHA-1 hashing over CryptoAPI (a verify-only context of the default RSA
// provider with a CALG_MD5 or CALG_SHA1 hash, of the RSA and AES provider with a CALG_SHA_256
// hash) and Base64
// decoding over CryptStringToBinaryA.
#include "platform/crypto.h"

#include <algorithm>

#include "platform/win32/win_util.h"

namespace platform {

namespace {

// CryptHashData takes a 32-bit length; larger data goes in pieces of this size.
constexpr size_t kMaxPiece = size_t{1} << 30;

bool IsBase64Digit(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '/';
}

bool IsBase64Space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The text without its white space in *compact; false when it is not well-formed Base64: digits
// in whole groups of four, "=" only as the padding of the last group.
bool CompactBase64(const std::string& text, std::string* compact) {
    compact->clear();
    size_t padding = 0;
    for (char c : text) {
        if (IsBase64Space(c)) continue;
        if (c == '=') {
            ++padding;
        } else if (!IsBase64Digit(c) || padding != 0) {
            // A stray character, or data after the padding.
            return false;
        }
        compact->push_back(c);
    }
    return compact->size() % 4 == 0 && padding <= 2;
}

}  // namespace

struct SystemHash::Impl {
    DWORD providerType = PROV_RSA_FULL;
    ALG_ID algorithm = CALG_MD5;
    HCRYPTPROV provider = 0;
    HCRYPTHASH hash = 0;  // 0 before Create and once the value was taken
};

SystemHash::SystemHash(HashAlgorithm algorithm) : m_impl(std::make_unique<Impl>()) {
    if (algorithm == HashAlgorithm::kSha256) {
        // The RSA-full provider has no SHA-2; the enhanced RSA and AES provider has.
        m_impl->providerType = PROV_RSA_AES;
        m_impl->algorithm = CALG_SHA_256;
    } else if (algorithm == HashAlgorithm::kSha1) {
        m_impl->algorithm = CALG_SHA1;
    }
}

SystemHash::~SystemHash() { Destroy(); }

bool SystemHash::Create() {
    Destroy();
    if (!::CryptAcquireContextA(&m_impl->provider, nullptr, nullptr, m_impl->providerType,
                                CRYPT_VERIFYCONTEXT)) {
        m_impl->provider = 0;
        return win32::FailWithSystemError(kErrorNotSupported);
    }
    if (!::CryptCreateHash(m_impl->provider, m_impl->algorithm, 0, 0, &m_impl->hash)) {
        m_impl->hash = 0;
        const DWORD error = ::GetLastError();
        Destroy();
        return win32::FailWith(error, kErrorNotSupported);
    }
    return true;
}

bool SystemHash::HashData(const void* data, size_t size) {
    if (m_impl->hash == 0) return win32::Fail(kErrorInvalidHandle);
    const auto* bytes = static_cast<const BYTE*>(data);
    do {
        const size_t piece = std::min(size, kMaxPiece);
        if (!::CryptHashData(m_impl->hash, bytes, static_cast<DWORD>(piece), 0)) {
            return win32::FailWithSystemError(kErrorInvalidParameter);
        }
        bytes += piece;
        size -= piece;
    } while (size > 0);
    return true;
}

bool SystemHash::GetValue(uint8_t* value, size_t size) {
    if (m_impl->hash == 0) return win32::Fail(kErrorInvalidHandle);
    BYTE digest[64];
    DWORD length = sizeof digest;
    const bool ok =
        ::CryptGetHashParam(m_impl->hash, HP_HASHVAL, digest, &length, 0) && length == size;
    const DWORD error = ::GetLastError();
    // A finished hash takes no more data; without it later calls fail with 6 as they should.
    ::CryptDestroyHash(m_impl->hash);
    m_impl->hash = 0;
    if (!ok) return win32::FailWith(error, kErrorInvalidParameter);
    std::copy(digest, digest + size, value);
    return true;
}

void SystemHash::Destroy() {
    if (m_impl->hash != 0) ::CryptDestroyHash(m_impl->hash);
    if (m_impl->provider != 0) ::CryptReleaseContext(m_impl->provider, 0);
    m_impl->hash = 0;
    m_impl->provider = 0;
}

bool DecodeBase64(const std::string& text, std::string* out) {
    // The program takes only whole, padded Base64, the same on every system, so the form is
    // checked here and the decoder gets the text without white space.
    std::string compact;
    if (text.size() > kMaxPiece || !CompactBase64(text, &compact)) {
        return win32::Fail(kErrorInvalidData);
    }
    if (compact.empty()) {
        out->clear();
        return true;
    }
    DWORD size = static_cast<DWORD>(compact.size() / 4 * 3);
    std::string decoded(size, '\0');
    if (!::CryptStringToBinaryA(compact.data(), static_cast<DWORD>(compact.size()),
                                CRYPT_STRING_BASE64, reinterpret_cast<BYTE*>(decoded.data()), &size,
                                nullptr, nullptr)) {
        return win32::Fail(kErrorInvalidData);
    }
    decoded.resize(size);
    *out = std::move(decoded);
    return true;
}

}  // namespace platform
