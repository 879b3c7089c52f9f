#include "data/valid_utf8.h"

#include "platform/text_path.h"

namespace zv {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

}  // namespace

std::string validUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    const Utf8Char decoded = decodeUtf8(text, at);
    if (decoded.length > 0) {
      out.append(text.substr(at, decoded.length));
      at += decoded.length;
    } else {
      out.append(kReplacement);
      at += decoded.invalidLength;
    }
  }
  return out;
}

std::string loggableText(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : validUtf8(text)) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      out += "\\x";
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace zv
