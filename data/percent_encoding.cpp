#include "data/percent_encoding.h"

namespace zv {

std::string percentEncode(std::string_view text, bool (*keep)(unsigned char byte)) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (keep(byte)) {
      out += c;
    } else {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    }
  }
  return out;
}

bool isLiteralUrlByte(unsigned char byte) {
  return byte > 0x20 && byte < 0x7F &&
         std::string_view("\"<>\\^`{|}").find(static_cast<char>(byte)) == std::string_view::npos;
}

}  // namespace zv
