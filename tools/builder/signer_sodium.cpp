// Signing through libsodium.

#include <sodium.h>

#include <cstdlib>

#include "tools/builder/signer.h"

namespace zv::builder {
namespace {

struct SodiumKeyPair {
  unsigned char publicKey[crypto_sign_PUBLICKEYBYTES];
  unsigned char secretKey[crypto_sign_SECRETKEYBYTES];

  explicit SodiumKeyPair(const uint8_t seed[kSeedSize]) {
    // sodium_init fails only when the library cannot work at all; signing
    // with it then would be worse than stopping.
    if (sodium_init() < 0) std::abort();
    crypto_sign_seed_keypair(publicKey, secretKey, seed);
  }
  ~SodiumKeyPair() { sodium_memzero(secretKey, sizeof secretKey); }
};

static_assert(crypto_sign_SEEDBYTES == kSeedSize && crypto_sign_BYTES == kSignatureSize);

}  // namespace

void publicKeyOf(const uint8_t seed[kSeedSize], uint8_t publicKey[kPublicKeySize]) {
  const SodiumKeyPair keys(seed);
  for (size_t i = 0; i < kPublicKeySize; ++i) publicKey[i] = keys.publicKey[i];
}

void signMessage(const uint8_t seed[kSeedSize], std::string_view message, uint8_t signature[kSignatureSize]) {
  const SodiumKeyPair keys(seed);
  crypto_sign_detached(signature, nullptr, reinterpret_cast<const unsigned char*>(message.data()), message.size(),
                       keys.secretKey);
}

}  // namespace zv::builder
