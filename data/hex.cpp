#include "data/hex.h"

namespace zv {
namespace {

int digitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool hexToBytes(std::string_view text, std::vector<uint8_t>& bytes) {
  bytes.clear();
  if (text.size() % 2 != 0) return false;
  bytes.reserve(text.size() / 2);
  for (size_t i = 0; i < text.size(); i += 2) {
    const int high = digitValue(text[i]);
    const int low = digitValue(text[i + 1]);
    if (high < 0 || low < 0) return false;
    bytes.push_back(static_cast<uint8_t>(high << 4 | low));
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
