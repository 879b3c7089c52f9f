// applyPacked on any packed file: no crash, no hang, memory bounded by the
// chunk buffers (run with -malloc_limit_mb), and the target changes only into
// a file with the expected digest. Then the same bytes fed to a PackedStream
// in pieces of 1 to 256 bytes (the digest's bytes in turn) must end exactly
// as applyPacked did.
//
// Input: expected size (8 bytes, little-endian), expected SHA-256 (32 bytes),
// then the packed file. Seeds carry the right size and digest, so the
// successful path is covered too.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include <unistd.h>

#include "platform/file.h"
#include "data/hex.h"
#include "updater/packed_file.h"
#include "updater/packed_stream.h"
#include "crypto/sha256.h"

namespace {

void check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "packed fuzz: %s\n", what);
    std::abort();
  }
}

const std::filesystem::path& scratch() {
  static const std::filesystem::path folder = [] {
    // Memory-backed where there is such a folder: a disk file system flushes
    // on every rename over an existing file, which would slow each run down.
    std::error_code ec;
    const std::filesystem::path base =
        std::filesystem::is_directory("/dev/shm", ec) ? "/dev/shm" : std::filesystem::temp_directory_path();
    std::filesystem::path path = base / "zv-packed-fuzz";
    std::filesystem::create_directories(path);
    return path;
  }();
  return folder;
}

void writeAll(const std::filesystem::path& path, std::string_view bytes) {
  zv::File file;
  std::string error;
  check(file.open(path, zv::File::Mode::Truncate, error) && file.write(bytes, error), "cannot write scratch file");
}

std::string digestOf(std::string_view bytes) {
  zv::Sha256 sha;
  sha.update(bytes.data(), bytes.size());
  uint8_t digest[zv::Sha256::kDigestSize];
  sha.final(digest);
  return zv::toHex(digest, sizeof digest);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 40) return 0;
  uint64_t expectedSize = 0;
  for (int i = 7; i >= 0; --i) expectedSize = expectedSize << 8 | data[i];
  const std::string expectedDigest = zv::toHex(data + 8, 32);
  const std::string_view packedBytes(reinterpret_cast<const char*>(data + 40), size - 40);

  // Named by the process, so that parallel fuzzing jobs keep apart.
  const std::string id = std::to_string(getpid());
  const std::filesystem::path packed = scratch() / (id + ".part");
  const std::filesystem::path target = scratch() / (id + ".bin");
  const std::string original = "the file before the update";
  writeAll(packed, packedBytes);
  writeAll(target, original);

  zv::Failure failure;
  const bool ok = zv::applyPacked(packed, target, expectedSize, expectedDigest, nullptr, nullptr, failure);
  const auto checkOutcome = [&](bool installed, const zv::Failure& why) {
    std::string after;
    check(zv::readTextFile(target, after), "target gone");
    if (installed) {
      check(after.size() == expectedSize && digestOf(after) == expectedDigest, "target replaced by the wrong file");
    } else {
      check(!zv::failureText(why).empty(), "failure without a message");
      check(after == original, "target changed by a failed unpack");
    }
    check(!std::filesystem::exists(zv::withSuffix(target, ".zvnew")), "temporary file left behind");
  };
  checkOutcome(ok, failure);

  writeAll(target, original);
  zv::Failure streamFailure;
  bool streamed = true;
  {
    zv::PackedStream stream(packed, packedBytes.size(), target, zv::withSuffix(target, ".zvnew"), expectedSize,
                            expectedDigest, nullptr, nullptr);
    const auto* bytes = reinterpret_cast<const uint8_t*>(packedBytes.data());
    for (size_t at = 0, i = 0; streamed && at < packedBytes.size(); ++i) {
      const size_t piece = std::min<size_t>(1 + data[8 + i % 32], packedBytes.size() - at);
      streamed = stream.feed(bytes + at, piece, streamFailure);
      at += piece;
    }
    streamed = streamed && stream.finish(streamFailure);
  }
  checkOutcome(streamed, streamFailure);
  check(streamed == ok && zv::failureText(streamFailure) == zv::failureText(failure), "the stream ends unlike the reader");
  std::filesystem::remove(packed);
  std::filesystem::remove(target);
  return 0;
}
