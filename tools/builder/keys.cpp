#include "tools/builder/keys.h"

#include <cstdio>
#include <string_view>
#include <vector>

#include "platform/private_file.h"
#include "platform/secure_random.h"
#include "platform/text_path.h"
#include "tools/builder/bounded_read.h"
#include "updater/hex.h"

namespace zv::builder {
namespace {

std::string_view trimmed(std::string_view line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
  while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
  return line;
}

// A key file holds a few comment lines and one line of 64 digits.
constexpr size_t kMaxKeyFileBytes = 4096;

}  // namespace

std::string publicKeyHex(const Seed& seed) {
  uint8_t publicKey[kPublicKeySize];
  publicKeyOf(seed.data(), publicKey);
  return toHex(publicKey, sizeof publicKey);
}

bool createKeyFile(const std::filesystem::path& path, bool replace, Seed& seed, std::string& error) {
  if (!replace) {
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::symlink_status(path, ec))) {
      error = pathToUtf8(path) + " already exists; use --force to replace it (releases signed with the old key "
              "will no longer be accepted by launchers that get the new public key)";
      return false;
    }
  }
  if (!secureRandom(seed.data(), seed.size(), error)) return false;
  const std::string text = "# zarvo-builder secret key: keep it private, it signs your releases.\n"
                           "# public key: " + publicKeyHex(seed) + "\n" + toHex(seed.data(), seed.size()) + "\n";
  return writePrivateFile(path, text, replace, error);
}

bool loadKeyFile(const std::filesystem::path& path, Seed& seed, std::string& error) {
  std::string text;
  switch (readBounded(path, kMaxKeyFileBytes, text)) {
    case BoundedRead::Ok:
      break;
    case BoundedRead::Unreadable:
      error = "cannot read the key file " + pathToUtf8(path);
      return false;
    case BoundedRead::TooLarge:
      error = pathToUtf8(path) + " is not a zarvo-builder key file (larger than " + std::to_string(kMaxKeyFileBytes) +
              " bytes; a key file is one line of 64 hexadecimal digits)";
      return false;
  }
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string_view line = trimmed(std::string_view(text).substr(start, end - start));
    start = end + 1;
    if (line.empty() || line.front() == '#') continue;
    std::vector<uint8_t> bytes;
    if (line.size() == 2 * kSeedSize && hexToBytes(line, bytes)) {
      std::copy(bytes.begin(), bytes.end(), seed.begin());
      return true;
    }
    break;
  }
  error = pathToUtf8(path) + " is not a zarvo-builder key file (expected a line of 64 hexadecimal digits)";
  return false;
}

void warnIfOpenToOthers(const std::filesystem::path& path) {
  if (!isOpenToOthers(path)) return;
  const std::string name = pathToUtf8(path);
  std::fprintf(stderr,
               "zarvo-builder: warning: %s can be read or changed by other users; whoever reads it can sign "
               "releases in your name (chmod 600 %s)\n",
               name.c_str(), name.c_str());
}

}  // namespace zv::builder
