#include "data/valid_utf8.h"

namespace zv {
namespace {

// The length of the valid UTF-8 sequence at text[at], or 0. For an invalid
// one, invalidLength gets the length of its maximal part: the lead byte and
// the continuation bytes that could still have belonged to it.
size_t sequenceLength(std::string_view text, size_t at, size_t& invalidLength) {
  const auto byteAt = [&text](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byteAt(at);
  invalidLength = 1;
  if (lead < 0x80) return 1;
  // The second byte's range is narrower after some leads: that is what
  // rules out overlong forms, surrogates and code points past U+10FFFF.
  size_t continuations = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    continuations = 1;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    continuations = 2;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    continuations = 3;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  for (size_t k = 1; k <= continuations; ++k) {
    if (at + k >= text.size()) return 0;
    const unsigned char next = byteAt(at + k);
    if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF)) return 0;
    invalidLength = k + 1;
  }
  return continuations + 1;
}

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

}  // namespace

std::string validUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    size_t invalidLength = 1;
    const size_t length = sequenceLength(text, at, invalidLength);
    if (length > 0) {
      out.append(text.substr(at, length));
      at += length;
    } else {
      out.append(kReplacement);
      at += invalidLength;
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
