#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <random>
#include <string>
#include <vector>

#include "crypto/ed25519.h"
#include "data/hex.h"
#include "updater/signature.h"

namespace zv {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes bytesOf(std::string_view hex) {
  Bytes bytes;
  EXPECT_TRUE(hexToBytes(hex, bytes)) << hex;
  return bytes;
}

bool verifies(const Bytes& signature, const Bytes& message, const Bytes& key) {
  return ed25519Verify(signature.data(), message.data(), message.size(), key.data()) == 1;
}

// 32 little-endian bytes: low, then fill up to the last byte, then high.
Bytes encoding(uint8_t low, uint8_t fill, uint8_t high) {
  Bytes bytes(32, fill);
  bytes[0] = low;
  bytes[31] = high;
  return bytes;
}

// Adds a 256-bit little-endian number to the S half of a signature.
Bytes withSPlus(Bytes signature, const Bytes& addend) {
  unsigned carry = 0;
  for (int i = 0; i < 32; ++i) {
    carry += signature[32 + i] + addend[i];
    signature[32 + i] = static_cast<uint8_t>(carry);
    carry >>= 8;
  }
  return signature;
}

const Bytes kOrder = bytesOf("edd3f55c1a631258d69cf7a2def9de1400000000000000000000000000000010");
const Bytes kTwiceOrder = bytesOf("daa7ebb934c624b0ac39ef45bdf3bd2900000000000000000000000000000020");

struct Example {
  const char* seed;
  const char* key;
  const char* message;
  const char* signature;
};

// RFC 8032, section 7.1: TEST 1, 2, 3 and SHA(abc).
const Example kExamples[] = {
    {"9d61b19deffd5a60ba844af492ec2cc44449c5697b326919703bac031cae7f60", "d75a980182b10ab7d54bfed3c964073a0ee172f3daa62325af021a68f707511a", "",
     "e5564300c360ac729086e2cc806e828a84877f1eb8e5d974d873e065224901555fb8821590a33bacc61e39701cf9b46bd25bf5f0595bbe24655141438e7a100b"},
    {"4ccd089b28ff96da9db6c346ec114e0f5b8a319f35aba624da8cf6ed4fb8a6fb", "3d4017c3e843895a92b70aa74d1b7ebc9c982ccf2ec4968cc0cd55f12af4660c", "72",
     "92a009a9f0d4cab8720e820b5f642540a2b27b5416503f8fb3762223ebdb69da085ac1e43e15996e458f3613d0f11d8c387b2eaeb4302aeeb00d291612bb0c00"},
    {"c5aa8df43f9f837bedb7442f31dcb7b166d38535076f094b85ce3a2e0b4458f7", "fc51cd8e6218a1a38da47ed00230f0580816ed13ba3303ac5deb911548908025", "af82",
     "6291d657deec24024827e69c3abe01a30ce548a284743a445e3680d7db5ac3ac18ff9b538d16f290ae67f760984dc6594a7c15e9716ed28dc027beceea1ec40a"},
    {"833fe62409237b9d62ec77587520911e9a759cec1d19755b7da901b96dca3d42", "ec172b93ad5e563bf4932c70e1245034c35467ef2efd4d64ebf819683467e2bf",
     "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f",
     "dc2a4459e7369633a52b1bf277839a00201009a3efbf3ecb69bea2186c26b58909351fc9ac90b3ecfdfbc7c66431e0303dca179c138ac17ad9bef1177331a704"},
};

// With the identity as key and R the identity, S = 0 satisfies
// S*B - h*A = R whatever h is, so every message verifies.
Bytes identityProof() {
  Bytes signature(64, 0);
  signature[0] = 1;
  return signature;
}

TEST(Ed25519, SignsAndAcceptsThePublishedExamples) {
  for (const Example& e : kExamples) {
    const Bytes seed = bytesOf(e.seed), message = bytesOf(e.message);
    EXPECT_TRUE(verifies(bytesOf(e.signature), message, bytesOf(e.key))) << e.signature;
    uint8_t key[32], signature[64];
    ed25519PublicKey(seed.data(), key);
    ed25519Sign(seed.data(), message.data(), message.size(), signature);
    EXPECT_EQ(toHex(key, 32), e.key);
    EXPECT_EQ(toHex(signature, 64), e.signature);
  }
}

TEST(Ed25519, RejectsEverySingleBitChangeOfSignatureKeyOrMessage) {
  const Example& e = kExamples[2];
  Bytes signature = bytesOf(e.signature), message = bytesOf(e.message), key = bytesOf(e.key);
  for (Bytes* part : {&signature, &key, &message}) {
    for (size_t bit = 0; bit < 8 * part->size(); ++bit) {
      (*part)[bit / 8] ^= static_cast<uint8_t>(1 << (bit % 8));
      EXPECT_FALSE(verifies(signature, message, key)) << "bit " << bit;
      (*part)[bit / 8] ^= static_cast<uint8_t>(1 << (bit % 8));
    }
  }
  EXPECT_TRUE(verifies(signature, message, key));
}

TEST(Ed25519, ChecksOnlyTheTopThreeBitsOfS) {
  for (const Example& e : kExamples) {
    const Bytes signature = bytesOf(e.signature), message = bytesOf(e.message), key = bytesOf(e.key);
    // S + L names the same scalar and stays below 2^253: accepted.
    EXPECT_TRUE(verifies(withSPlus(signature, kOrder), message, key)) << e.signature;
    // S + 2L reaches bit 253: refused although it names the same scalar.
    const Bytes twice = withSPlus(signature, kTwiceOrder);
    ASSERT_NE(twice[63] & 0xE0, 0);
    EXPECT_FALSE(verifies(twice, message, key)) << e.signature;
  }
  for (uint8_t top : {0x20, 0x40, 0x80}) {
    Bytes signature = identityProof();
    signature[63] = top;  // one top bit of S is enough to refuse what verifies anything
    EXPECT_FALSE(verifies(signature, {}, encoding(1, 0, 0))) << int{top};
  }
}

TEST(Ed25519, AcceptsSmallOrderAndNonCanonicalKeys) {
  const Bytes message = bytesOf("48656c6c6f");
  EXPECT_TRUE(verifies(identityProof(), message, encoding(1, 0, 0)));
  EXPECT_TRUE(verifies(identityProof(), {}, encoding(1, 0, 0)));
  EXPECT_TRUE(verifies(identityProof(), message, encoding(0xEE, 0xFF, 0x7F))) << "y = p + 1 is taken as 1";
  EXPECT_TRUE(verifies(identityProof(), message, encoding(1, 0, 0x80))) << "x = 0 with its sign bit set";
}

TEST(Ed25519, ComparesRByItsBytesSoOnlyTheCanonicalFormMatches) {
  const Bytes key = encoding(1, 0, 0);
  for (const Bytes& r : {encoding(0xEE, 0xFF, 0x7F), encoding(1, 0, 0x80)}) {
    Bytes signature(64, 0);
    std::copy(r.begin(), r.end(), signature.begin());
    EXPECT_FALSE(verifies(signature, {}, key)) << toHex(r.data(), r.size());
  }
}

TEST(Ed25519, RejectsAKeyWhoseXHasNoSquareRoot) {
  for (const Bytes& key : {encoding(2, 0, 0), encoding(0xEF, 0xFF, 0x7F)}) {  // y = 2 and y = p + 2
    EXPECT_FALSE(verifies(identityProof(), {}, key)) << toHex(key.data(), key.size());
  }
}

// A manifest signed with the key below (made with an independent Ed25519
// implementation).
const std::string kManifest = "{\n  \"build\": \"2024.1\",\n  \"files\": []\n}\n";
const std::string kKey = "4fd099ccd47d7893dfe9ec24414ecb0d9b5420232aad30d91c465be33cbe65c4";
const std::string kSignature =
    "aba9442afc48020babb192da9376953755487db01b2d1da7c00e137dc6b18229"
    "cdc681cc7b4b97f8618e795a8be156e6aaef48bbf2c90f6e4afd14dc3d2cb607";

std::string upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

TEST(ManifestSignature, ForgivesTrailingLineEndsAndBlanksOnly) {
  for (const std::string tail : {"", "\n", "\r\n", "  ", " \r\n\r\n", "\n\n \r"}) {
    EXPECT_TRUE(verifyManifestSignature(kManifest, kSignature + tail, kKey)) << testing::PrintToString(tail);
  }
  for (const std::string& bad : {" " + kSignature, kSignature + "\t", kSignature + "\t\n", kSignature + "\v",
                                 "\xEF\xBB\xBF" + kSignature, "\n" + kSignature}) {
    EXPECT_FALSE(verifyManifestSignature(kManifest, bad, kKey)) << testing::PrintToString(bad);
  }
}

TEST(ManifestSignature, AcceptsDigitsOfEitherCase) {
  EXPECT_TRUE(verifyManifestSignature(kManifest, upper(kSignature), kKey));
  EXPECT_TRUE(verifyManifestSignature(kManifest, kSignature, upper(kKey)));
  EXPECT_TRUE(verifyManifestSignature(kManifest, upper(kSignature.substr(0, 64)) + kSignature.substr(64),
                                      kKey.substr(0, 32) + upper(kKey.substr(32))));
}

TEST(ManifestSignature, RefusesSignaturesAndKeysOfTheWrongShape) {
  EXPECT_FALSE(verifyManifestSignature(kManifest, kSignature.substr(0, 126), kKey));
  EXPECT_FALSE(verifyManifestSignature(kManifest, kSignature.substr(0, 127), kKey));
  EXPECT_FALSE(verifyManifestSignature(kManifest, kSignature + "00", kKey));
  EXPECT_FALSE(verifyManifestSignature(kManifest, "", kKey));
  std::string nonHex = kSignature;
  nonHex[77] = 'g';
  EXPECT_FALSE(verifyManifestSignature(kManifest, nonHex, kKey));

  EXPECT_FALSE(verifyManifestSignature(kManifest, kSignature, std::string(64, 'z')));
  EXPECT_FALSE(verifyManifestSignature(kManifest, kSignature, kKey.substr(0, 62)));
  EXPECT_FALSE(verifyManifestSignature(kManifest, kSignature, kKey + "00"));
  EXPECT_FALSE(verifyManifestSignature(kManifest, kSignature, kKey + "\n")) << "only the signature is trimmed";
}

TEST(ManifestSignature, AnyChangeToTheManifestBytesFails) {
  ASSERT_TRUE(verifyManifestSignature(kManifest, kSignature, kKey));
  for (size_t i = 0; i < kManifest.size(); ++i) {
    std::string changed = kManifest;
    changed[i] ^= 0x01;
    EXPECT_FALSE(verifyManifestSignature(changed, kSignature, kKey)) << "byte " << i;
  }
  std::string crlf;
  for (char c : kManifest) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  for (const std::string& changed : {kManifest.substr(0, kManifest.size() - 1), kManifest + "\n",
                                     kManifest + " ", " " + kManifest, crlf, std::string()}) {
    EXPECT_FALSE(verifyManifestSignature(changed, kSignature, kKey)) << testing::PrintToString(changed);
  }
  EXPECT_TRUE(verifyManifestSignature("", kExamples[0].signature, kExamples[0].key)) << "an empty manifest";
}

}  // namespace
}  // namespace zv
