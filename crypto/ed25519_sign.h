#pragma once
// Ed25519 key derivation and signing (RFC 8032) built on the launcher's curve
// arithmetic. Everything that touches the secret runs in constant time: the
// base-point multiplication looks up its table without secret-dependent
// branches or addresses, and the scalar arithmetic has fixed loops.

#include <cstddef>
#include <cstdint>

namespace zv::builder {

void ed25519PublicKey(const uint8_t seed[32], uint8_t publicKey[32]);
void ed25519Sign(const uint8_t seed[32], const uint8_t* message, size_t length, uint8_t signature[64]);

}  // namespace zv::builder
