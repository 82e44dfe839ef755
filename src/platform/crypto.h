// Cryptographic services of the system, shaped after CryptoAPI: an incremental MD5 hash
// (CryptAcquireContext / CryptCreateHash / CryptHashData / CryptGetHashParam) and Base64
// decoding (CryptStringToBinary with CRYPT_STRING_BASE64).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// One MD5 hash object with its provider context. Any thread may use its own object; one object
// must not be used by two threads at once.
class Md5Hash {
  public:
    static constexpr size_t kValueSize = 16;

    Md5Hash();
    ~Md5Hash();  // destroys the hash and releases the context
    Md5Hash(const Md5Hash&) = delete;
    Md5Hash& operator=(const Md5Hash&) = delete;

    // Acquires a verify-only context and creates an empty MD5 hash in it. False with the last
    // error set when the provider cannot give one. A hash created before is destroyed first.
    bool Create();
    // Adds size bytes to the hash. False with the last error set (kErrorInvalidHandle when no
    // hash was created, or after the value was taken).
    bool HashData(const void* data, size_t size);
    // The 16-byte digest of everything hashed so far. The hash is finished afterwards: further
    // HashData calls fail. False with the last error set.
    bool GetHashValue(uint8_t value[kValueSize]);
    // Destroys the hash and releases the context; safe to call twice.
    void Destroy();

  private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// Decodes Base64 text into bytes, as CryptStringToBinary with CRYPT_STRING_BASE64: white space
// (blank, tab, CR, LF) is skipped; the last group of four is completed with "=" padding. False
// with kErrorInvalidData when the text holds any other character, lacks its padding or goes on
// after it; *out is then left unchanged. Empty text decodes to no bytes.
bool DecodeBase64(const std::string& text, std::string* out);

}  // namespace platform
