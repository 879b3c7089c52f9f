// Signing with our own Ed25519 code, for builds without libsodium.

#include "crypto/ed25519.h"
#include "tools/builder/signer.h"

namespace zv::builder {

void publicKeyOf(const uint8_t seed[kSeedSize], uint8_t publicKey[kPublicKeySize]) {
  ed25519PublicKey(seed, publicKey);
}

void signMessage(const uint8_t seed[kSeedSize], std::string_view message, uint8_t signature[kSignatureSize]) {
  ed25519Sign(seed, reinterpret_cast<const uint8_t*>(message.data()), message.size(), signature);
}

}  // namespace zv::builder
