#include "data/hex.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace zv {
namespace {

// A table: a manifest holds one digest of 64 digits per client file.
constexpr std::array<bool, 256> kHexDigits = [] {
  std::array<bool, 256> hex{};
  for (const char c : std::string_view("0123456789abcdefABCDEF")) hex[static_cast<unsigned char>(c)] = true;
  return hex;
}();

}  // namespace

bool isHexText(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return kHexDigits[static_cast<unsigned char>(c)]; });
}

bool hexToBytes(std::string_view text, std::vector<uint8_t>& bytes) {
  bytes.clear();
  if (text.size() % 2 != 0) return false;
  bytes.reserve(text.size() / 2);
  for (size_t i = 0; i < text.size(); i += 2) {
    // Two digits exactly: from_chars takes no sign, prefix or blank.
    uint8_t byte = 0;
    const auto [end, error] = std::from_chars(text.data() + i, text.data() + i + 2, byte, 16);
    if (error != std::errc() || end != text.data() + i + 2) return false;
    bytes.push_back(byte);
  }
  return true;
}

std::string toHex(const uint8_t* data, size_t count) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text(2 * count, '\0');
  for (size_t i = 0; i < count; ++i) {
    text[2 * i] = kDigits[data[i] >> 4];
    text[2 * i + 1] = kDigits[data[i] & 0x0F];
  }
  return text;
}

}  // namespace zv
