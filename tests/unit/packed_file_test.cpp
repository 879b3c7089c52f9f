#include "updater/packed_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "platform/file.h"
#include "platform/text_path.h"
#include "updater/packed_stream.h"
#include "tests/support/release_maker.h"
#include "tests/support/temp_dir.h"

namespace zv {
namespace {

using test::littleEndian32;
using test::packBytes;
using test::packedHeader;
using test::readFile;
using test::sha256Hex;
using test::TempDir;
using test::writeFile;
using test::zlibStream;

constexpr uint32_t kRaw = 0x80000000u;

// A scratch folder with a packed file and an old target beside it.
class PackedFileTest : public ::testing::Test {
 protected:
  std::filesystem::path packed() const { return dir_ / "file.part"; }
  std::filesystem::path target() const { return dir_ / "game/data.bin"; }
  std::filesystem::path newFile() const { return withSuffix(target(), ".zvnew"); }

  // applyPacked of these packed bytes against the expected content; the
  // target holds "old" beforehand. The same bytes fed to a PackedStream in
  // pieces of 1, 2, 3, ... bytes, as the network may hand them over, must
  // end the same way.
  bool apply(const std::string& bytes, std::string_view content, Failure& error) {
    const std::string streamed = stream(bytes, content);
    writeFile(target(), "old");
    const bool ok = applyPacked(packed(), target(), content.size(), sha256Hex(content), nullptr, nullptr, error);
    EXPECT_EQ(streamed, ok ? "" : failureText(error)) << "the stream ends unlike the reader";
    return ok;
  }

  // The stream's failure message, empty when it installed the content.
  std::string stream(const std::string& bytes, std::string_view content) {
    writeFile(packed(), bytes);
    writeFile(target(), "old");
    PackedStream stream(packed(), bytes.size(), target(), newFile(), content.size(), sha256Hex(content), nullptr,
                        nullptr);
    Failure error;
    bool ok = true;
    for (size_t at = 0, piece = 1; ok && at < bytes.size(); at += piece++) {
      ok = stream.feed(reinterpret_cast<const uint8_t*>(bytes.data()) + at, std::min(piece, bytes.size() - at), error);
    }
    if (ok && stream.finish(error)) {
      EXPECT_EQ(readFile(target()), content);
      return "";
    }
    EXPECT_EQ(readFile(target()), "old");
    EXPECT_FALSE(std::filesystem::exists(newFile()));
    return failureText(error);
  }

  // The failure message, after checking that the target kept its old content
  // and no temporary file was left.
  std::string failure(const std::string& bytes, std::string_view content) {
    Failure error;
    EXPECT_FALSE(apply(bytes, content, error));
    EXPECT_EQ(readFile(target()), "old");
    EXPECT_FALSE(std::filesystem::exists(newFile()));
    return failureText(error);
  }

  TempDir dir_;
};

TEST_F(PackedFileTest, UnpacksZlibAndRawChunksAndReplacesTheTarget) {
  std::string content;
  for (int i = 0; i < 5000; ++i) content += "line " + std::to_string(i) + "\n";
  std::string large = content;
  while (large.size() <= 2 * kFlushedAloneAbove) large += large;
  large += "tail";
  const std::pair<const std::string*, test::PackOptions> cases[] = {
      {&content, {4096, false}}, {&content, {1000, true}}, {&content, {kMaxPackedChunkSize, false}},
      // A large file's whole blocks are written past the file cache where the
      // file system allows it: inflated and raw chunks, the last partial block
      // through the cache, and after a chunk off the block size all of it.
      {&large, {1u << 20, false}}, {&large, {1u << 20, true}}, {&large, {1000000, false}}};
  for (const auto& [bytes, options] : cases) {
    Failure error;
    ASSERT_TRUE(apply(packBytes(*bytes, options), *bytes, error)) << failureText(error);
    EXPECT_EQ(readFile(target()), *bytes);
    EXPECT_FALSE(std::filesystem::exists(newFile()));
    EXPECT_TRUE(std::filesystem::exists(packed())) << "the packed file is the caller's to delete";
  }
}

TEST_F(PackedFileTest, EmptyFileHasNoChunks) {
  Failure error;
  ASSERT_TRUE(apply(packedHeader(0, 4, 0), "", error)) << failureText(error);
  EXPECT_EQ(readFile(target()), "");
}

TEST_F(PackedFileTest, LastChunkHoldsTheRestAndProgressCountsBytesWritten) {
  const std::string content = "0123456789";
  writeFile(packed(), packBytes(content, {4, false}));
  std::vector<uint64_t> counts;
  Failure error;
  ASSERT_TRUE(applyPacked(packed(), target(), 10, sha256Hex(content),
                          [&](uint64_t written) { counts.push_back(written); }, nullptr, error))
      << failureText(error);
  EXPECT_EQ(counts, (std::vector<uint64_t>{4, 8, 10}));
  EXPECT_EQ(readFile(target()), content);
}

TEST_F(PackedFileTest, DigestIsComparedInAnyLetterCase) {
  const std::string content = "case";
  writeFile(packed(), packBytes(content));
  std::string digest = sha256Hex(content);
  for (char& c : digest) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  Failure error;
  EXPECT_TRUE(applyPacked(packed(), target(), content.size(), digest, nullptr, nullptr, error)) << failureText(error);
}

TEST_F(PackedFileTest, RefusesWhatIsNotAPackedFile) {
  EXPECT_EQ(failure("ZV1", "x"), "not a packed file");
  EXPECT_EQ(failure(std::string("ZV2\0", 4) + std::string(16, '\0'), ""), "not a packed file");
  Failure error;
  EXPECT_FALSE(applyPacked(dir_ / "missing.part", target(), 0, sha256Hex(""), nullptr, nullptr, error));
  EXPECT_EQ(failureText(error), "cannot open downloaded file");
}

TEST_F(PackedFileTest, HeaderMustMatchTheManifest) {
  const std::string mismatch = "packed file header does not match the manifest";
  const std::string ten = "0123456789";
  EXPECT_EQ(failure(packBytes("012345678", {4, false}), ten), mismatch) << "size differs from the manifest";
  EXPECT_EQ(failure(packedHeader(10, 4, 2), ten), mismatch) << "count too small";
  EXPECT_EQ(failure(packedHeader(10, 4, 4), ten), mismatch) << "count too large";
  EXPECT_EQ(failure(packedHeader(10, 0, 0), ten), mismatch) << "chunk size 0";
  EXPECT_EQ(failure(packedHeader(10, kMaxPackedChunkSize + 1, 1), ten), mismatch) << "chunk size above 16 MiB";
  EXPECT_EQ(failure(packedHeader(10, 4, 3), ten), "packed file is truncated") << "a good header, then nothing";
}

TEST_F(PackedFileTest, ShortTableOrDataIsTruncated) {
  const std::string content = "0123456789";
  const std::string whole = packBytes(content, {4, true});
  EXPECT_EQ(failure(whole.substr(0, kPackedHeaderSize + 8), content), "packed file is truncated");
  EXPECT_EQ(failure(whole.substr(0, whole.size() - 1), content), "packed file is truncated");
  // A vast chunk count is measured against the file, never read into memory.
  Failure error;
  writeFile(packed(), packedHeader(3000000000u, 1, 3000000000u));
  EXPECT_FALSE(applyPacked(packed(), target(), 3000000000u, sha256Hex(""), nullptr, nullptr, error));
  EXPECT_EQ(failureText(error), "packed file is truncated");
}

TEST_F(PackedFileTest, ChunkOfTheWrongLengthIsDamaged) {
  const std::string damaged = "packed file is damaged";
  const std::string content = "abcd";
  // Raw: one byte more than the chunk holds.
  EXPECT_EQ(failure(packedHeader(4, 4, 1) + littleEndian32(5 | kRaw) + "abcde", content), damaged);
  // zlib streams that unpack to one byte more and one byte less.
  const std::string longer = zlibStream("abcde");
  EXPECT_EQ(failure(packedHeader(4, 4, 1) + littleEndian32(longer.size()) + longer, content), damaged);
  const std::string shorter = zlibStream("abc");
  EXPECT_EQ(failure(packedHeader(4, 4, 1) + littleEndian32(shorter.size()) + shorter, content), damaged);
  // Not a zlib stream at all.
  EXPECT_EQ(failure(packedHeader(4, 4, 1) + littleEndian32(4) + "abcd", content), damaged);
  // A correct stream with one bit flipped fails its Adler-32 check.
  std::string flipped = zlibStream(content);
  flipped[flipped.size() - 1] ^= 1;
  EXPECT_EQ(failure(packedHeader(4, 4, 1) + littleEndian32(flipped.size()) + flipped, content), damaged);
}

TEST_F(PackedFileTest, ChunkLongerThanTheBoundIsDamagedBeforeAnythingIsRead) {
  const uint32_t bound = packedBound(4);
  // At the bound the missing data is noticed; above it, the length alone fails.
  EXPECT_EQ(failure(packedHeader(4, 4, 1) + littleEndian32(bound), "abcd"), "packed file is truncated");
  EXPECT_EQ(failure(packedHeader(4, 4, 1) + littleEndian32(bound + 1), "abcd"), "packed file is damaged");
  EXPECT_EQ(failure(packedHeader(4, 4, 1) + littleEndian32(0x7FFFFFFF | kRaw), "abcd"), "packed file is damaged");
}

TEST_F(PackedFileTest, WrongDigestLeavesTargetUntouched) {
  Failure error;
  writeFile(packed(), packBytes("new content"));
  writeFile(target(), "old");
  EXPECT_FALSE(applyPacked(packed(), target(), 11, sha256Hex("other thing"), nullptr, nullptr, error));
  EXPECT_EQ(failureText(error), "checksum mismatch after download");
  EXPECT_EQ(readFile(target()), "old");
  EXPECT_FALSE(std::filesystem::exists(newFile()));
}

TEST_F(PackedFileTest, CancelStopsBeforeTheNextChunk) {
  const std::string content(100, 'c');
  std::atomic<bool> cancel{false};
  writeFile(packed(), packBytes(content, {10, false}));
  writeFile(target(), "old");
  int calls = 0;
  Failure error;
  EXPECT_FALSE(applyPacked(packed(), target(), content.size(), sha256Hex(content),
                           [&](uint64_t) { cancel = ++calls == 2; }, &cancel, error));
  EXPECT_EQ(failureText(error), "cancelled");
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(readFile(target()), "old");
  EXPECT_FALSE(std::filesystem::exists(newFile()));
}

TEST_F(PackedFileTest, CreatesMissingFoldersOfTheTarget) {
  Failure error;
  writeFile(packed(), packBytes("deep"));
  const auto deep = dir_ / "a/b/c/file.txt";
  ASSERT_TRUE(applyPacked(packed(), deep, 4, sha256Hex("deep"), nullptr, nullptr, error)) << failureText(error);
  EXPECT_EQ(readFile(deep), "deep");
}

TEST_F(PackedFileTest, AFolderOrFileInTheWayIsNamedAndKept) {
  Failure error;
  writeFile(packed(), packBytes("new"));
  writeFile(target() / "inside.txt", "kept");
  EXPECT_FALSE(applyPacked(packed(), target(), 3, sha256Hex("new"), nullptr, nullptr, error));
  EXPECT_EQ(failureText(error), "cannot replace " + pathToUtf8(target()) + " (a folder is in its place)");
  EXPECT_EQ(readFile(target() / "inside.txt"), "kept");
  EXPECT_FALSE(std::filesystem::exists(newFile()));

  const auto blocker = dir_ / "a";
  writeFile(blocker, "kept too");
  EXPECT_FALSE(applyPacked(packed(), blocker / "b/file.txt", 3, sha256Hex("new"), nullptr, nullptr, error));
  EXPECT_EQ(failureText(error), "cannot create folder " + pathToUtf8(blocker) + " (a file is in its place)");
  EXPECT_EQ(readFile(blocker), "kept too");
}

TEST_F(PackedFileTest, NewFileThatCannotBeCreatedIsReported) {
  Failure error;
  writeFile(packed(), packBytes("new"));
  writeFile(target(), "old");
  std::filesystem::create_directories(newFile());
  EXPECT_FALSE(applyPacked(packed(), target(), 3, sha256Hex("new"), nullptr, nullptr, error));
  EXPECT_EQ(failureText(error), "cannot write " + pathToUtf8(target()) + " (file in use or no permission?)");
  EXPECT_EQ(error.kind, FailureKind::TargetInUse);
  EXPECT_EQ(readFile(target()), "old");
}

#ifdef _WIN32
TEST_F(PackedFileTest, TargetHeldOpenByTheGameCannotBeReplaced) {
  Failure error;
  writeFile(packed(), packBytes("new"));
  writeFile(target(), "old");
  // The game opens its files without delete sharing.
  HANDLE held = CreateFileW(target().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const bool ok = applyPacked(packed(), target(), 3, sha256Hex("new"), nullptr, nullptr, error);
  CloseHandle(held);
  EXPECT_FALSE(ok);
  EXPECT_EQ(failureText(error), "cannot replace " + pathToUtf8(target()) + " (is the game running?)");
  EXPECT_EQ(readFile(target()), "old");
  EXPECT_FALSE(std::filesystem::exists(newFile()));
}
#endif

}  // namespace
}  // namespace zv
