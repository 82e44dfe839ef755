// Ed25519 verification and BLAKE2b-512 over libsodium, the same code on every backend.
#include <sodium.h>

#include "platform/crypto.h"
#include "platform/errors.h"

namespace platform {
namespace {

static_assert(kEd25519PublicKeySize == crypto_sign_PUBLICKEYBYTES);
static_assert(kEd25519SignatureSize == crypto_sign_BYTES);
static_assert(kBlake2b512Size == crypto_generichash_BYTES_MAX);

// Starts the library once per process; later calls only read the outcome. A function-local
// static is initialised exactly once even when several threads arrive together.
bool SodiumReady() {
    static const bool ready = sodium_init() >= 0;
    if (!ready) SetLastError(kErrorNotSupported);
    return ready;
}

}  // namespace

bool VerifyEd25519(const uint8_t signature[kEd25519SignatureSize], const void* message, size_t size,
                   const uint8_t publicKey[kEd25519PublicKeySize]) {
    if (!SodiumReady()) return false;
    if (crypto_sign_verify_detached(signature, static_cast<const unsigned char*>(message), size,
                                    publicKey) != 0) {
        SetLastError(kErrorInvalidData);
        return false;
    }
    return true;
}

bool Blake2b512(const void* data, size_t size, uint8_t value[kBlake2b512Size]) {
    if (!SodiumReady()) return false;
    // Unkeyed BLAKE2b cannot fail for these sizes; the check keeps a future failure visible.
    if (crypto_generichash(value, kBlake2b512Size, static_cast<const unsigned char*>(data), size,
                           nullptr, 0) != 0) {
        SetLastError(kErrorInvalidParameter);
        return false;
    }
    return true;
}

}  // namespace platform
