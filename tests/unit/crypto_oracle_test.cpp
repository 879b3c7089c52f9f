// Our digests, signature check and signer side by side with OpenSSL and
// libsodium, which only the native build has.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <sodium.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "crypto/ed25519.h"
#include "data/hex.h"
#include "crypto/sha256.h"
#include "crypto/sha512.h"
#include "tests/support/temp_dir.h"

namespace zv {
namespace {

std::string randomBytes(size_t size, std::mt19937& random) {
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

std::string opensslHex(const EVP_MD* md, std::string_view data) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EXPECT_EQ(EVP_Digest(data.data(), data.size(), digest, &length, md, nullptr), 1);
  return toHex(digest, length);
}

// Feeds data whole and in random pieces; both must give OpenSSL's digest.
template <typename Hash>
void expectSameAsOpenSsl(const EVP_MD* md, std::string_view data, std::mt19937& random) {
  const std::string expected = opensslHex(md, data);
  uint8_t digest[Hash::kDigestSize];
  Hash hash;
  hash.update(data.data(), data.size());
  hash.final(digest);
  ASSERT_EQ(toHex(digest, sizeof digest), expected) << "whole, length " << data.size();
  size_t at = 0;
  while (at < data.size()) {
    const size_t piece = std::min<size_t>(data.size() - at, random() % 300);
    hash.update(data.data() + at, piece);
    at += piece;
  }
  hash.final(digest);
  ASSERT_EQ(toHex(digest, sizeof digest), expected) << "in pieces, length " << data.size();
}

template <typename Hash>
void compareAroundBlockBoundaries(const EVP_MD* md) {
  std::mt19937 random(21);
  const std::string data = randomBytes((1 << 20) + 8, random);
  for (size_t length = 0; length <= 300; ++length) {
    expectSameAsOpenSsl<Hash>(md, std::string_view(data.data(), length), random);
  }
  for (size_t length = (1 << 20) - 5; length <= (1 << 20) + 5; ++length) {
    expectSameAsOpenSsl<Hash>(md, std::string_view(data.data(), length), random);
  }
}

TEST(DigestOracle, Sha256AgreesWithOpenSsl) { compareAroundBlockBoundaries<Sha256>(EVP_sha256()); }

TEST(DigestOracle, Sha512AgreesWithOpenSsl) { compareAroundBlockBoundaries<Sha512>(EVP_sha512()); }

class SignatureOracle : public testing::Test {
 protected:
  void SetUp() override { ASSERT_GE(sodium_init(), 0); }

  struct Signed {
    std::vector<uint8_t> seed, key, message, signature;
  };

  static Signed signRandom(std::mt19937& random, size_t length) {
    Signed s;
    uint8_t secret[crypto_sign_SECRETKEYBYTES];
    for (size_t i = 0; i < crypto_sign_SEEDBYTES; ++i) s.seed.push_back(static_cast<uint8_t>(random()));
    s.key.resize(crypto_sign_PUBLICKEYBYTES);
    crypto_sign_seed_keypair(s.key.data(), secret, s.seed.data());
    for (size_t i = 0; i < length; ++i) s.message.push_back(static_cast<uint8_t>(random()));
    s.signature.resize(crypto_sign_BYTES);
    crypto_sign_detached(s.signature.data(), nullptr, s.message.data(), s.message.size(), secret);
    return s;
  }

  static bool ours(const Signed& s) {
    return ed25519Verify(s.signature.data(), s.message.data(), s.message.size(), s.key.data()) == 1;
  }
  static bool theirs(const Signed& s) {
    return crypto_sign_verify_detached(s.signature.data(), s.message.data(), s.message.size(), s.key.data()) == 0;
  }
};

TEST_F(SignatureOracle, AcceptsWhatLibsodiumSignsAndNoBitFlipOfIt) {
  std::mt19937 random(31);
  for (size_t length : {0, 1, 63, 64, 65, 111, 112, 113, 127, 128, 129, 1000, 70000}) {
    Signed s = signRandom(random, length);
    ASSERT_TRUE(ours(s)) << "length " << length;
    for (std::vector<uint8_t>* part : {&s.signature, &s.key, &s.message}) {
      if (part->empty()) continue;
      for (int flip = 0; flip < 3; ++flip) {
        const size_t bit = random() % (8 * part->size());
        (*part)[bit / 8] ^= static_cast<uint8_t>(1 << (bit % 8));
        EXPECT_FALSE(ours(s)) << "length " << length << ", bit " << bit;
        (*part)[bit / 8] ^= static_cast<uint8_t>(1 << (bit % 8));
      }
    }
  }
}

TEST_F(SignatureOracle, AcceptsSPlusTheOrderWhereLibsodiumIsStricter) {
  std::mt19937 random(41);
  Signed s = signRandom(random, 40);
  std::vector<uint8_t> order;
  ASSERT_TRUE(hexToBytes("edd3f55c1a631258d69cf7a2def9de1400000000000000000000000000000010", order));
  unsigned carry = 0;
  for (int i = 0; i < 32; ++i) {
    carry += s.signature[32 + i] + order[i];
    s.signature[32 + i] = static_cast<uint8_t>(carry);
    carry >>= 8;
  }
  EXPECT_TRUE(ours(s));
  EXPECT_FALSE(theirs(s));
}

TEST_F(SignatureOracle, OurSignerSignsExactlyAsLibsodiumDoes) {
  std::mt19937 random(20241207);
  for (int round = 0; round < 50; ++round) {
    Signed s = signRandom(random, random() % 300);
    uint8_t publicKey[32], signature[64];
    ed25519PublicKey(s.seed.data(), publicKey);
    ed25519Sign(s.seed.data(), s.message.data(), s.message.size(), signature);
    ASSERT_EQ(toHex(publicKey, 32), toHex(s.key.data(), 32)) << "round " << round;
    ASSERT_EQ(toHex(signature, 64), toHex(s.signature.data(), 64)) << "round " << round;
  }
}

// A pipe stands in for a file that is still being hashed when the flag is
// set: it cannot reach its end before the writer sets the flag, so a false
// result shows the flag is read between chunks, not only at the start.
TEST(Sha256FileCancel, StopsBetweenChunksOnceTheFlagIsSet) {
  test::TempDir dir;
  const std::filesystem::path fifo = dir / "pipe";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  // A reader that never reads: the writer's open does not wait for the
  // hasher, and its last write cannot fail on a pipe with no reader left.
  const int keeper = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(keeper, 0);
  std::atomic<bool> cancel{false};
  std::thread writer([&] {
    const int fd = open(fifo.c_str(), O_WRONLY);
    const std::string block(1 << 16, 'x');
    for (size_t written = 0; fd >= 0 && written < 3 * kSha256FileChunk;) {
      const ssize_t n = write(fd, block.data(), block.size());
      if (n <= 0) break;
      written += static_cast<size_t>(n);
    }
    cancel = true;
    // One more byte, so a hasher waiting in read comes round once more
    // instead of seeing the end. A full pipe (EAGAIN) serves as well.
    (void)fcntl(fd, F_SETFL, O_NONBLOCK);
    (void)!write(fd, "x", 1);
    close(fd);
  });
  std::string digest = "kept";
  EXPECT_FALSE(sha256File(fifo, digest, &cancel));
  writer.join();
  close(keeper);
  EXPECT_EQ(digest, "kept");
}

}  // namespace
}  // namespace zv
