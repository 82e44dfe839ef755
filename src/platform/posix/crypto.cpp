// MD5 hashing and Base64 decoding of the posix backend, over OpenSSL's libcrypto.
#include "platform/crypto.h"

#include <openssl/evp.h>

#include <climits>

#include "platform/errors.h"

namespace platform {

struct Md5Hash::Impl {
    EVP_MD_CTX* context = nullptr;
};

Md5Hash::Md5Hash() : m_impl(std::make_unique<Impl>()) {}

Md5Hash::~Md5Hash() { Destroy(); }

bool Md5Hash::Create() {
    Destroy();
    m_impl->context = EVP_MD_CTX_new();
    if (m_impl->context == nullptr) {
        SetLastError(kErrorNotEnoughMemory);
        return false;
    }
    if (EVP_DigestInit_ex(m_impl->context, EVP_md5(), nullptr) != 1) {
        // The provider has no MD5 (a FIPS-only configuration, say).
        Destroy();
        SetLastError(kErrorNotSupported);
        return false;
    }
    return true;
}

bool Md5Hash::HashData(const void* data, size_t size) {
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

bool Md5Hash::GetHashValue(uint8_t value[kValueSize]) {
    if (m_impl->context == nullptr) {
        SetLastError(kErrorInvalidHandle);
        return false;
    }
    unsigned int length = 0;
    unsigned char digest[EVP_MAX_MD_SIZE];
    bool ok = EVP_DigestFinal_ex(m_impl->context, digest, &length) == 1 && length == kValueSize;
    // A finished OpenSSL context cannot take more data; drop it so that later calls fail cleanly.
    EVP_MD_CTX_free(m_impl->context);
    m_impl->context = nullptr;
    if (!ok) {
        SetLastError(kErrorInvalidParameter);
        return false;
    }
    for (size_t i = 0; i < kValueSize; ++i) value[i] = digest[i];
    return true;
}

void Md5Hash::Destroy() {
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
