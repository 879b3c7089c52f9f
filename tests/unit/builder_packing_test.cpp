// The packer's output read back by the launcher's rules: chunk table, raw
// and zlib chunks, the chunk bound, and exact sizes at chunk boundaries.

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "tests/support/packed_reader.h"
#include "tests/support/temp_dir.h"
#include "tools/builder/chunk_compressor.h"
#include "tools/builder/packer.h"
#include "data/hex.h"
#include "updater/packed_file.h"
#include "crypto/sha256.h"

namespace zv::builder {
namespace {

using test::readFile;
using test::unpackWithZlib;
using test::TempDir;
using test::writeFile;

std::string sha256Hex(std::string_view data) {
  Sha256 hash;
  hash.update(data.data(), data.size());
  uint8_t digest[32];
  hash.final(digest);
  return toHex(digest, 32);
}

std::string noise(size_t size, uint32_t seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

std::string text(size_t size) {
  std::string bytes;
  for (int line = 0; bytes.size() < size; ++line) bytes += "line " + std::to_string(line) + " of a client file\n";
  bytes.resize(size);
  return bytes;
}

TEST(ChunkCompressor, StoresRawWhatDoesNotCompressAndSamplesLargeChunks) {
  const size_t size = 1 << 20;
  std::vector<uint8_t> out(size);
  ChunkCompressor compressor(7);
  const auto pack = [&](const std::string& data) {
    return compressor.compress(reinterpret_cast<const uint8_t*>(data.data()), data.size(), out.data());
  };
  EXPECT_EQ(pack(noise(size, 5)), 0u);
  EXPECT_EQ(pack("x"), 0u);
  const size_t packedText = pack(text(size));
  EXPECT_GT(packedText, 0u);
  EXPECT_LT(packedText, size / 4);
  // Text in the middle of noise: one sample lands in it, so it is compressed.
  const std::string mixed = noise(size / 3, 6) + text(size / 3) + noise(size - 2 * (size / 3), 7);
  EXPECT_GT(pack(mixed), 0u);
  EXPECT_LT(pack(mixed), size * 3 / 4);
}

class Packing : public ::testing::Test {
 protected:
  PackJob job(const std::string& name, const std::string& content) {
    writeFile(dir / ("in/" + name), content);
    PackJob job;
    job.source = dir / ("in/" + name);
    job.target = dir / ("out/" + name + ".zv");
    job.path = name;
    job.size = content.size();
    job.sha256 = sha256Hex(content);
    std::filesystem::create_directories(dir.path() / "out");
    return job;
  }

  TempDir dir;
};

TEST_F(Packing, EveryShapeOfFileUnpacksToItsContent) {
  const uint32_t chunk = 64 * 1024;
  const std::vector<std::pair<std::string, std::string>> files = {
      {"empty", ""},
      {"one-byte", "x"},
      {"exact-chunk", text(chunk)},
      {"chunk-plus-one", text(chunk + 1)},
      {"many-chunks", text(10 * chunk + 123)},
      {"noise", noise(3 * chunk + 7, 1)},
      {"mixed", text(chunk) + noise(chunk, 2) + text(chunk / 2)},
  };
  std::vector<PackJob> jobs;
  for (const auto& [name, content] : files) jobs.push_back(job(name, content));
  PackOptions options;
  options.chunkSize = chunk;
  options.threads = 3;
  uint64_t lastProgress = 0, lastFiles = 0;
  std::string error;
  ASSERT_TRUE(packFiles(jobs, options, [&](uint64_t filesDone, uint64_t bytesDone) {
    lastFiles = filesDone;
    lastProgress = bytesDone;
  }, error)) << error;

  uint64_t total = 0;
  for (size_t i = 0; i < files.size(); ++i) {
    const std::string packed = readFile(jobs[i].target);
    EXPECT_EQ(jobs[i].packed, packed.size()) << files[i].first;
    const auto decoded = unpackWithZlib(packed);
    EXPECT_EQ(decoded.chunkSize, chunk);
    EXPECT_TRUE(decoded.content == files[i].second) << files[i].first;
    // And the launcher's own unpacker takes it.
    const std::filesystem::path unpacked = dir / ("unpacked/" + files[i].first);
    Failure failure;
    EXPECT_TRUE(
        applyPacked(jobs[i].target, unpacked, files[i].second.size(), jobs[i].sha256, nullptr, nullptr, failure))
        << files[i].first << ": " << failureText(failure);
    EXPECT_TRUE(readFile(unpacked) == files[i].second) << files[i].first;
    total += files[i].second.size();
  }
  EXPECT_EQ(lastProgress, total);
  EXPECT_EQ(lastFiles, files.size());
  // Compression only where it pays: noise is stored, text is compressed.
  const auto noisy = unpackWithZlib(readFile(jobs[5].target));
  EXPECT_EQ(noisy.rawChunks, 4u);
  EXPECT_EQ(noisy.zlibChunks, 0u);
  const auto mixed = unpackWithZlib(readFile(jobs[6].target));
  EXPECT_EQ(mixed.rawChunks, 1u);
  EXPECT_EQ(mixed.zlibChunks, 2u);
  EXPECT_LT(jobs[4].packed, files[4].second.size() / 4);
}

TEST_F(Packing, LargestChunkSizeAndTinyChunksBothWork) {
  for (const uint32_t chunk : {16u << 20, 1u, 7u}) {
    const std::string content = text(chunk == 1 ? 50 : (chunk == 7 ? 1000 : (16u << 20) + 5));
    std::vector<PackJob> jobs = {job("chunk" + std::to_string(chunk) + ".bin", content)};
    PackOptions options;
    options.chunkSize = chunk;
    options.level = 1;
    std::string error;
    ASSERT_TRUE(packFiles(jobs, options, nullptr, error)) << error;
    EXPECT_TRUE(unpackWithZlib(readFile(jobs[0].target)).content == content) << chunk;
  }
}

TEST_F(Packing, RefusesAFileThatNoLongerMatchesItsDigestOrSize) {
  std::vector<PackJob> jobs = {job("a", text(5000)), job("b", text(6000))};
  jobs[1].sha256 = sha256Hex("something else");
  std::string error;
  EXPECT_FALSE(packFiles(jobs, PackOptions{}, nullptr, error));
  EXPECT_EQ(error, "b changed while the release was being built; build again");

  jobs = {job("c", text(5000))};
  jobs[0].size = 6000;  // the file became shorter since it was hashed
  EXPECT_FALSE(packFiles(jobs, PackOptions{}, nullptr, error));
  EXPECT_EQ(error, "c changed while the release was being built (it became shorter); build again");
  jobs = {job("d", text(5000))};
  jobs[0].size = 4000;  // longer
  jobs[0].sha256 = sha256Hex(text(4000));
  EXPECT_FALSE(packFiles(jobs, PackOptions{}, nullptr, error));
  EXPECT_EQ(error, "d changed while the release was being built; build again");
}

}  // namespace
}  // namespace zv::builder
