// The builder's own Ed25519 signer (used where libsodium is missing): the
// published test vectors, the launcher's verifier, and, natively, libsodium
// signing the same messages with the same keys byte for byte.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tools/builder/ed25519_sign.h"
#include "updater/ed25519.h"
#include "updater/hex.h"
#include "updater/signature.h"

#ifdef ZV_WITH_SODIUM
#include <sodium.h>
#endif

namespace zv::builder {
namespace {

std::vector<uint8_t> bytesOf(std::string_view hex) {
  std::vector<uint8_t> bytes;
  EXPECT_TRUE(hexToBytes(hex, bytes));
  return bytes;
}

struct Vector {
  const char* seed;
  const char* publicKey;
  const char* message;
  const char* signature;
};

// RFC 8032, section 7.1, tests 1 to 3.
const Vector kVectors[] = {
    {"9d61b19deffd5a60ba844af492ec2cc44449c5697b326919703bac031cae7f60",
     "d75a980182b10ab7d54bfed3c964073a0ee172f3daa62325af021a68f707511a", "",
     "e5564300c360ac729086e2cc806e828a84877f1eb8e5d974d873e065224901555fb8821590a33bacc61e39701cf9b46bd25bf5f0595bbe24655141438e7a100b"},
    {"4ccd089b28ff96da9db6c346ec114e0f5b8a319f35aba624da8cf6ed4fb8a6fb",
     "3d4017c3e843895a92b70aa74d1b7ebc9c982ccf2ec4968cc0cd55f12af4660c", "72",
     "92a009a9f0d4cab8720e820b5f642540a2b27b5416503f8fb3762223ebdb69da085ac1e43e15996e458f3613d0f11d8c387b2eaeb4302aeeb00d291612bb0c00"},
    {"c5aa8df43f9f837bedb7442f31dcb7b166d38535076f094b85ce3a2e0b4458f7",
     "fc51cd8e6218a1a38da47ed00230f0580816ed13ba3303ac5deb911548908025", "af82",
     "6291d657deec24024827e69c3abe01a30ce548a284743a445e3680d7db5ac3ac18ff9b538d16f290ae67f760984dc6594a7c15e9716ed28dc027beceea1ec40a"},
};

TEST(BuilderSigning, MatchesThePublishedVectorsAndTheLaunchersVerifier) {
  for (const Vector& v : kVectors) {
    const std::vector<uint8_t> seed = bytesOf(v.seed);
    const std::vector<uint8_t> message = bytesOf(v.message);
    uint8_t publicKey[32];
    uint8_t signature[64];
    ed25519PublicKey(seed.data(), publicKey);
    ed25519Sign(seed.data(), message.data(), message.size(), signature);
    EXPECT_EQ(toHex(publicKey, 32), v.publicKey);
    EXPECT_EQ(toHex(signature, 64), v.signature);
    EXPECT_EQ(ed25519Verify(signature, message.data(), message.size(), publicKey), 1);
  }
}

TEST(BuilderSigning, SignedManifestPassesTheLaunchersCheckAndAnyChangeFails) {
  const std::vector<uint8_t> seed = bytesOf(kVectors[1].seed);
  const std::string manifest = "{\n  \"format\": 1\n}\n";
  uint8_t signature[64];
  ed25519Sign(seed.data(), reinterpret_cast<const uint8_t*>(manifest.data()), manifest.size(), signature);
  const std::string signatureText = toHex(signature, 64) + "\n";
  EXPECT_TRUE(verifyManifestSignature(manifest, signatureText, kVectors[1].publicKey));
  EXPECT_FALSE(verifyManifestSignature(manifest + " ", signatureText, kVectors[1].publicKey));
  EXPECT_FALSE(verifyManifestSignature(manifest, signatureText, kVectors[0].publicKey));
}

#ifdef ZV_WITH_SODIUM
TEST(BuilderSigning, SignsExactlyAsLibsodiumDoes) {
  ASSERT_GE(sodium_init(), 0);
  std::mt19937 random(20241207);
  for (int round = 0; round < 50; ++round) {
    uint8_t seed[32];
    for (uint8_t& b : seed) b = static_cast<uint8_t>(random());
    std::vector<uint8_t> message(random() % 300);
    for (uint8_t& b : message) b = static_cast<uint8_t>(random());

    unsigned char sodiumPublic[crypto_sign_PUBLICKEYBYTES], sodiumSecret[crypto_sign_SECRETKEYBYTES];
    crypto_sign_seed_keypair(sodiumPublic, sodiumSecret, seed);
    unsigned char sodiumSignature[crypto_sign_BYTES];
    crypto_sign_detached(sodiumSignature, nullptr, message.data(), message.size(), sodiumSecret);

    uint8_t publicKey[32], signature[64];
    ed25519PublicKey(seed, publicKey);
    ed25519Sign(seed, message.data(), message.size(), signature);
    ASSERT_EQ(toHex(publicKey, 32), toHex(sodiumPublic, 32)) << "round " << round;
    ASSERT_EQ(toHex(signature, 64), toHex(sodiumSignature, 64)) << "round " << round;
  }
}
#endif

}  // namespace
}  // namespace zv::builder
