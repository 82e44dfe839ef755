// MD5, SHA-256 and SHA-1 hashing and Base64 decoding of the posix backend, over OpenSSL's
// libcrypto.
#include "platform/crypto.h"

#include <openssl/evp.h>

#include <climits>

#include "platform/errors.h"

namespace platform {

struct SystemHash::Impl {
    const EVP_MD* algorithm = nullptr;
    EVP_MD_CTX* context = nullptr;
};

SystemHash::SystemHash(HashAlgorithm algorithm) : m_impl(std::make_unique<Impl>()) {
    m_impl->algorithm = algorithm == HashAlgorithm::kMd5      ? EVP_md5()
                        : algorithm == HashAlgorithm::kSha256 ? EVP_sha256()
                                                              : EVP_sha1();
}

SystemHash::~SystemHash() { Destroy(); }

bool SystemHash::Create() {
    Destroy();
    m_impl->context = EVP_MD_CTX_new();
    if (m_impl->context == nullptr) {
        SetLastError(kErrorNotEnoughMemory);
        return false;
    }
    if (EVP_DigestInit_ex(m_impl->context, m_impl->algorithm, nullptr) != 1) {
        // The provider lacks the algorithm (MD5 in a FIPS-only configuration, say).
        Destroy();
        SetLastError(kErrorNotSupported);
        return false;
    }
    return true;
}

bool SystemHash::HashData(const void* data, size_t size) {
    if (m_impl->context == nullptr) {
        SetLastError(kErrorInvalidHandle);
        return false;
    }
    if (EVP_DigestUpdate(m_impl->context, data, size) != 1) {
        SetLastError(kErrorInvalidParameter);
        return false;
    }
    return true;
}

bool SystemHash::GetValue(uint8_t* value, size_t size) {
    if (m_impl->context == nullptr) {
        SetLastError(kErrorInvalidHandle);
        return false;
    }
    unsigned int length = 0;
    unsigned char digest[EVP_MAX_MD_SIZE];
    bool ok = EVP_DigestFinal_ex(m_impl->context, digest, &length) == 1 && length == size;
    // A finished OpenSSL context cannot take more data; drop it so that later calls fail cleanly.
    EVP_MD_CTX_free(m_impl->context);
    m_impl->context = nullptr;
    if (!ok) {
        SetLastError(kErrorInvalidParameter);
        return false;
    }
    for (size_t i = 0; i < size; ++i) value[i] = digest[i];
    return true;
}

void SystemHash::Destroy() {
    if (m_impl->context != nullptr) {
        EVP_MD_CTX_free(m_impl->context);
        m_impl->context = nullptr;
    }
}

namespace {

bool IsBase64Character(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '/' || c == '=' || c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace

bool DecodeBase64(const std::string& text, std::string* out) {
    // OpenSSL's decoder is made for PEM and takes "-" as the end of the data; CryptoAPI's
    // refuses it like any other stray character, so the text is checked here first.
    bool valid = text.size() <= static_cast<size_t>(INT_MAX) - 4;
    for (char c : text) valid = valid && IsBase64Character(c);
    if (!valid) {
        SetLastError(kErrorInvalidData);
        return false;
    }
    EVP_ENCODE_CTX* context = EVP_ENCODE_CTX_new();
    if (context == nullptr) {
        SetLastError(kErrorNotEnoughMemory);
        return false;
    }
    // Three bytes come from every four characters; the decoder may hold back up to one group.
    std::string decoded(text.size() / 4 * 3 + 3, '\0');
    int length = 0;
    int tail = 0;
    EVP_DecodeInit(context);
    auto* buffer = reinterpret_cast<unsigned char*>(decoded.data());
    bool ok = EVP_DecodeUpdate(context, buffer, &length,
                               reinterpret_cast<const unsigned char*>(text.data()),
                               static_cast<int>(text.size())) >= 0 &&
              EVP_DecodeFinal(context, buffer + length, &tail) == 1;
    EVP_ENCODE_CTX_free(context);
    if (!ok) {
        SetLastError(kErrorInvalidData);
        return false;
    }
    decoded.resize(static_cast<size_t>(length + tail));
    *out = std::move(decoded);
    return true;
}

}  // namespace platform
