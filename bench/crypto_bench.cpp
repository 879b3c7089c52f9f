// Throughput of our SHA-256 (both block functions), SHA-512 and Ed25519
// verification, side by side with OpenSSL and libsodium where the build has
// them. Times are the thread's processor time, so other work on a shared
// machine does not count; the contenders take turns within each round, and
// each figure is the median over the rounds.
//
// Last comes sha256File, the launcher's file hashing, on a file against
// OpenSSL's SHA-256 reading the same file the same way (warm cache, wall
// time), with the ratio of the two as the last line.
//
//   crypto_bench [MiB per hashing run, default 128] [rounds, default 9] [file]

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <time.h>

#include "crypto/ed25519.h"
#include "crypto/sha256.h"
#include "crypto/sha512.h"
#include "platform/text_path.h"

#ifdef ZV_BENCH_OPENSSL
#include <fcntl.h>
#include <openssl/evp.h>
#include <unistd.h>
#endif
#ifdef ZV_BENCH_SODIUM
#include <sodium.h>
#endif

namespace {

double threadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Keeps the compiler from dropping work whose result is unused.
volatile uint8_t sink;

struct Contender {
  Contender(std::string name, size_t bytes, std::function<void()> work)
      : name(std::move(name)), bytes(bytes), work(std::move(work)) {}
  std::string name;
  size_t bytes;  // 0: report milliseconds instead of a rate
  std::function<void()> work;
  std::vector<double> seconds;
};

// Runs the contenders in turns and prints each median; returns the medians.
std::vector<double> runRounds(std::vector<Contender>& contenders, int rounds, double (*clock)() = threadSeconds) {
  for (int round = 0; round < rounds; ++round) {
    for (Contender& c : contenders) {
      const double start = clock();
      c.work();
      c.seconds.push_back(clock() - start);
    }
  }
  std::vector<double> medians;
  for (Contender& c : contenders) {
    std::sort(c.seconds.begin(), c.seconds.end());
    const double median = c.seconds[c.seconds.size() / 2];
    medians.push_back(median);
    if (c.bytes > 0) {
      std::printf("%-36s %8.0f MB/s\n", c.name.c_str(), static_cast<double>(c.bytes) / median / 1e6);
    } else {
      std::printf("%-36s %8.3f ms\n", c.name.c_str(), median * 1e3);
    }
  }
  return medians;
}

#ifdef ZV_BENCH_OPENSSL
void opensslDigest(const EVP_MD* md, const std::vector<uint8_t>& data) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_Digest(data.data(), data.size(), digest, &length, md, nullptr);
  sink = digest[0];
}

double wallSeconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// What sha256File does, with OpenSSL's SHA-256: 1 MiB reads, incremental digest.
void opensslFile(const char* path) {
  const int fd = open(path, O_RDONLY);
  if (fd < 0) return;
  std::vector<unsigned char> buffer(1 << 20);
  EVP_MD_CTX* context = EVP_MD_CTX_new();
  EVP_DigestInit_ex(context, EVP_sha256(), nullptr);
  ssize_t got;
  while ((got = read(fd, buffer.data(), buffer.size())) > 0) EVP_DigestUpdate(context, buffer.data(), got);
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_DigestFinal_ex(context, digest, &length);
  EVP_MD_CTX_free(context);
  close(fd);
  sink = digest[0];
}
#endif

}  // namespace

int main(int argc, char** argv) {
  const size_t mib = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 128;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 9;
  std::vector<uint8_t> data(mib << 20);
  std::mt19937 random(1);
  for (uint8_t& b : data) b = static_cast<uint8_t>(random());
  std::printf("%zu MiB per run, median of %d rounds\n", mib, rounds);

  std::vector<Contender> hashes;
  const auto sha256With = [&](zv::Sha256Blocks blocks) {
    return [&data, blocks] {
      zv::Sha256 sha(blocks);
      sha.update(data.data(), data.size());
      uint8_t digest[32];
      sha.final(digest);
      sink = digest[0];
    };
  };
  hashes.emplace_back("SHA-256 ours (as the launcher uses it)", data.size(), sha256With(zv::Sha256Blocks::Best));
  hashes.emplace_back("SHA-256 ours, portable", data.size(), sha256With(zv::Sha256Blocks::Portable));
  if (zv::sha256HasShaNi()) {
    hashes.emplace_back("SHA-256 ours, SHA extensions", data.size(), sha256With(zv::Sha256Blocks::ShaNi));
  }
  hashes.emplace_back("SHA-512 ours", data.size(), [&] {
                      zv::Sha512 sha;
                      sha.update(data.data(), data.size());
                      uint8_t digest[64];
                      sha.final(digest);
                      sink = digest[0];
                    });
#ifdef ZV_BENCH_OPENSSL
  hashes.emplace_back("SHA-256 OpenSSL", data.size(), [&] { opensslDigest(EVP_sha256(), data); });
  hashes.emplace_back("SHA-512 OpenSSL", data.size(), [&] { opensslDigest(EVP_sha512(), data); });
#endif
  runRounds(hashes, rounds);

#ifdef ZV_BENCH_SODIUM
  if (sodium_init() < 0) return 1;
  // The launcher only verifies, so libsodium makes the signatures.
  uint8_t key[32], secret[64];
  crypto_sign_keypair(key, secret);
  std::vector<Contender> verifies;
  for (size_t size : {size_t{0}, size_t{1} << 20, size_t{4} << 20}) {
    if (size > data.size()) continue;
    auto signature = std::make_shared<std::vector<uint8_t>>(64);
    crypto_sign_detached(signature->data(), nullptr, data.data(), size, secret);
    const std::string label = size == 0 ? "empty" : std::to_string(size >> 20) + " MiB";
    verifies.emplace_back("Ed25519 verify ours, " + label, 0, [&data, &key, signature, size] {
                          sink = static_cast<uint8_t>(zv::ed25519Verify(signature->data(), data.data(), size, key));
                        });
    verifies.emplace_back("Ed25519 verify libsodium, " + label, 0, [&data, &key, signature, size] {
                          sink = static_cast<uint8_t>(
                              crypto_sign_verify_detached(signature->data(), data.data(), size, key));
                        });
  }
  runRounds(verifies, rounds);
#endif

#ifdef ZV_BENCH_OPENSSL
  if (argc > 3) {
    const char* path = argv[3];
    std::error_code ec;
    const auto size = static_cast<size_t>(std::filesystem::file_size(path, ec));
    if (ec) {
      std::fprintf(stderr, "cannot read %s\n", path);
      return 1;
    }
    std::vector<Contender> files;
    files.emplace_back("sha256File ours, whole file", size, [path] {
      std::string digest;
      if (zv::sha256File(zv::pathFromUtf8(path), digest)) sink = static_cast<uint8_t>(digest[0]);
    });
    files.emplace_back("SHA-256 OpenSSL, whole file", size, [path] { opensslFile(path); });
    opensslFile(path);  // warm the page cache for both
    const std::vector<double> medians = runRounds(files, rounds, wallSeconds);
    std::printf("sha256File / OpenSSL throughput ratio: %.3f\n", medians[1] / medians[0]);
  }
#endif
  return 0;
}
