#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <string>
#include <vector>

#include "data/hex.h"
#include "crypto/sha256.h"
#include "crypto/sha512.h"
#include "tests/support/temp_dir.h"

namespace zv {
namespace {

using test::TempDir;
using test::writeFile;

std::string sha256Hex(std::string_view data) {
  Sha256 sha;
  sha.update(data.data(), data.size());
  uint8_t digest[Sha256::kDigestSize];
  sha.final(digest);
  return toHex(digest, sizeof digest);
}

std::string sha512Hex(std::string_view data) {
  Sha512 sha;
  sha.update(data.data(), data.size());
  uint8_t digest[Sha512::kDigestSize];
  sha.final(digest);
  return toHex(digest, sizeof digest);
}

std::string randomBytes(size_t size, uint32_t seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

const std::string kEmptySha256 = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";

TEST(Hex, DecodesEitherCaseAndEncodesLowercase) {
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(hexToBytes("00ffA0fB7c", bytes));
  EXPECT_EQ(bytes, (std::vector<uint8_t>{0x00, 0xFF, 0xA0, 0xFB, 0x7C}));
  EXPECT_EQ(toHex(bytes.data(), bytes.size()), "00ffa0fb7c");
  bytes = {1, 2};
  EXPECT_TRUE(hexToBytes("", bytes));
  EXPECT_TRUE(bytes.empty());
  EXPECT_EQ(toHex(nullptr, 0), "");
}

TEST(Hex, RejectsOddLengthsAndForeignCharactersAnywhere) {
  std::vector<uint8_t> bytes;
  EXPECT_FALSE(hexToBytes("abc", bytes));
  EXPECT_FALSE(hexToBytes("0", bytes));
  using namespace std::string_view_literals;
  for (std::string_view bad : {"g0"sv, "0g"sv, "0x"sv, " 0"sv, "0 "sv, "-1"sv, "\0" "0"sv, "0\n"sv}) {
    EXPECT_FALSE(hexToBytes(bad, bytes)) << "\"" << bad << "\"";
    EXPECT_FALSE(hexToBytes("aabb" + std::string(bad), bytes)) << "late \"" << bad << "\"";
  }
  EXPECT_FALSE(hexToBytes("\xEF\xBB\xBF" "00", bytes)) << "a byte order mark is no digit";
}

TEST(Sha256, MatchesThePublishedExamples) {
  EXPECT_EQ(sha256Hex(""), kEmptySha256);
  EXPECT_EQ(sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(sha256Hex(std::string(1000000, 'a')),
            "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(Sha256, FinalStartsOverSoOneObjectHashesMessagesInTurn) {
  Sha256 sha;
  uint8_t digest[Sha256::kDigestSize];
  sha.update("abc", 3);
  sha.final(digest);
  sha.final(digest);
  EXPECT_EQ(toHex(digest, sizeof digest), kEmptySha256);
  sha.update("ab", 2);
  sha.init();
  sha.update(nullptr, 0);
  sha.final(digest);
  EXPECT_EQ(toHex(digest, sizeof digest), kEmptySha256) << "init drops what was fed";
}

TEST(Sha256, PiecesOfAnySizeGiveTheDigestOfTheWhole) {
  const std::string data = randomBytes(3000, 1);
  std::mt19937 random(2);
  for (size_t length : {0, 1, 55, 56, 63, 64, 65, 119, 120, 127, 128, 129, 1000, 3000}) {
    const std::string_view message(data.data(), length);
    const std::string whole = sha256Hex(message);
    for (int round = 0; round < 20; ++round) {
      Sha256 sha;
      size_t at = 0;
      while (at < length) {
        const size_t piece = std::min<size_t>(length - at, random() % 150);
        sha.update(message.data() + at, piece);
        at += piece;
      }
      uint8_t digest[Sha256::kDigestSize];
      sha.final(digest);
      ASSERT_EQ(toHex(digest, sizeof digest), whole) << "length " << length;
    }
  }
}

TEST(Sha256, AcceleratedBlocksMatchThePortableOnes) {
  if (!sha256HasShaNi()) GTEST_SKIP() << "no SHA extensions on this processor";
  const std::string data = randomBytes(64 * 300 + 1, 3);
  for (size_t length : {55, 64, 65, 128, 447, 64 * 300}) {
    // An odd offset: the accelerated path must not need aligned input.
    const char* start = data.data() + (length < 64 * 300 ? 1 : 0);
    uint8_t portable[Sha256::kDigestSize], accelerated[Sha256::kDigestSize];
    Sha256 slow(Sha256Blocks::Portable), fast(Sha256Blocks::ShaNi);
    slow.update(start, length);
    fast.update(start, length);
    slow.final(portable);
    fast.final(accelerated);
    EXPECT_EQ(toHex(portable, sizeof portable), toHex(accelerated, sizeof accelerated)) << length << " bytes";
  }
}

TEST(Sha512, MatchesThePublishedExamples) {
  EXPECT_EQ(sha512Hex(""),
            "cf83e1357eefb8bdf1542850d66d8007d620e4050b5715dc83f4a921d36ce9ce"
            "47d0d13c5d85f2b0ff8318d2877eec2f63b931bd47417a81a538327af927da3e");
  EXPECT_EQ(sha512Hex("abc"),
            "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a"
            "2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f");
  EXPECT_EQ(sha512Hex("abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmn"
                      "hijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu"),
            "8e959b75dae313da8cf4f72814fc143f8f7779c6eb9f7fa17299aeadb6889018"
            "501d289e4900f7e4331b99dec4b5433ac7d329eeb6dd26545e96e55b874be909");
}

TEST(Sha256File, HashesEmptyAndMultiChunkFiles) {
  TempDir dir;
  const std::string data = randomBytes(kSha256FileChunk * 2 + 77, 5);
  for (size_t size : {size_t{0}, size_t{1}, kSha256FileChunk - 1, kSha256FileChunk, kSha256FileChunk + 1,
                      data.size()}) {
    const std::string_view content(data.data(), size);
    writeFile(dir / "file.bin", content);
    std::string digest = "old";
    ASSERT_TRUE(sha256File(dir / "file.bin", digest)) << size;
    EXPECT_EQ(digest, size == 0 ? kEmptySha256 : sha256Hex(content)) << size;
  }
}

TEST(Sha256File, FailsWithoutTouchingTheOutputWhenItCannotRead) {
  TempDir dir;
  std::string digest = "kept";
  EXPECT_FALSE(sha256File(dir / "missing.bin", digest));
  EXPECT_FALSE(sha256File(dir.path(), digest)) << "a folder has no digest";
  EXPECT_EQ(digest, "kept");
}

TEST(Sha256File, ASetCancelFlagStopsItAndAClearOneDoesNot) {
  TempDir dir;
  writeFile(dir / "file.bin", "abc");
  std::atomic<bool> cancel{true};
  std::string digest = "kept";
  EXPECT_FALSE(sha256File(dir / "file.bin", digest, &cancel));
  EXPECT_EQ(digest, "kept");
  cancel = false;
  ASSERT_TRUE(sha256File(dir / "file.bin", digest, &cancel));
  EXPECT_EQ(digest, sha256Hex("abc"));
}

}  // namespace
}  // namespace zv
