#pragma once
// Ed25519 signing (RFC 8032) for releases. The launcher only verifies, with
// its own code; signing is done by libsodium where the build has it, and by
// crypto/ed25519.h otherwise.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zv::builder {

inline constexpr size_t kSeedSize = 32;
inline constexpr size_t kPublicKeySize = 32;
inline constexpr size_t kSignatureSize = 64;

// The public key that belongs to a secret seed.
void publicKeyOf(const uint8_t seed[kSeedSize], uint8_t publicKey[kPublicKeySize]);

// The signature of every byte of message under the seed's key.
void signMessage(const uint8_t seed[kSeedSize], std::string_view message, uint8_t signature[kSignatureSize]);

}  // namespace zv::builder
