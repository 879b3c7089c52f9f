#include "data/install_tag.h"

#include "data/fnv1a.h"
#include "platform/text_path.h"

namespace zv {

uint32_t installHash(const std::filesystem::path& clientFolder) {
  uint32_t hash = 2166136261u;
  for (const char16_t unit : utf8ToUtf16(pathToUtf8(clientFolder))) {
    // Byte by byte in little-endian order, whatever this machine's order is.
    const unsigned char bytes[2] = {static_cast<unsigned char>(unit & 0xFF), static_cast<unsigned char>(unit >> 8)};
    hash = fnv1a(bytes, sizeof bytes, hash);
  }
  return hash;
}

std::string makeInstallTag(const std::filesystem::path& clientFolder) {
  return std::to_string(installHash(clientFolder) % 100000000u);
}

}  // namespace zv
