#include "platform/text_path.h"

namespace zv {

Utf8Char decodeUtf8(std::string_view text, size_t at) {
  Utf8Char result;
  const auto byteAt = [&text](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byteAt(at);
  if (lead < 0x80) return Utf8Char{1, 1, lead};
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
    return result;
  }
  char32_t value = lead & (0x3F >> continuations);
  for (size_t k = 1; k <= continuations; ++k) {
    if (at + k >= text.size()) return result;
    const unsigned char next = byteAt(at + k);
    if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF)) return result;
    result.invalidLength = k + 1;
    value = (value << 6) | (next & 0x3F);
  }
  result.length = continuations + 1;
  result.codePoint = value;
  return result;
}

void appendUtf8(std::string& out, char32_t codePoint) {
  if (codePoint < 0x80) {
    out += static_cast<char>(codePoint);
  } else if (codePoint < 0x800) {
    out += static_cast<char>(0xC0 | (codePoint >> 6));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    out += static_cast<char>(0xE0 | (codePoint >> 12));
    out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (codePoint >> 18));
    out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  }
}

namespace {

// One U+FFFD per invalid byte, not per maximal part as validUtf8 has it:
// identities already made from such names stay the same.
template <typename Units>
void appendUtf16(Units& out, std::string_view text) {
  using Unit = typename Units::value_type;
  for (size_t i = 0; i < text.size();) {
    const Utf8Char decoded = decodeUtf8(text, i);
    const char32_t cp = decoded.codePoint;
    if (cp >= 0x10000) {
      out.push_back(static_cast<Unit>(0xD800 + ((cp - 0x10000) >> 10)));
      out.push_back(static_cast<Unit>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<Unit>(cp));
    }
    i += decoded.length > 0 ? decoded.length : 1;
  }
}

}  // namespace

std::u16string utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  appendUtf16(out, text);
  return out;
}

void appendNativeText(std::filesystem::path::string_type& out, std::string_view text) {
  if constexpr (sizeof(std::filesystem::path::value_type) == 1) {
    out.append(text.begin(), text.end());
  } else {
    appendUtf16(out, text);
  }
}

FolderPaths::FolderPaths(const std::filesystem::path& base)
    : base_(base.native()), prefix_((base / "x").native()) {
  // What the path adds in front of a first segment "x": a separator, or
  // nothing after a trailing one, an empty base or a bare drive.
  prefix_.pop_back();
}

void FolderPaths::join(std::string_view relative, std::filesystem::path::string_type& out) const {
  out.assign(prefix_);
  bool first = true;
  size_t start = 0;
  while (start < relative.size()) {
    size_t slash = relative.find('/', start);
    if (slash == std::string_view::npos) slash = relative.size();
    if (slash > start) {
      if (!first) out += std::filesystem::path::preferred_separator;
      appendNativeText(out, relative.substr(start, slash - start));
      first = false;
    }
    start = slash + 1;
  }
  if (first) out.assign(base_);
}

std::filesystem::path joinRelative(const std::filesystem::path& base, std::string_view relative) {
  std::filesystem::path::string_type joined;
  FolderPaths(base).join(relative, joined);
  return std::filesystem::path(std::move(joined));
}

}  // namespace zv
