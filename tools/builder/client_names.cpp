#include "tools/builder/client_names.h"

#include <cstdint>

#include "data/text_rules.h"

namespace zv::builder {
namespace {

bool isValidUtf8(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    size_t extra = 0;
    uint32_t value = 0;
    if (lead < 0x80) {
      ++i;
      continue;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      extra = 1, value = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      extra = 2, value = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      extra = 3, value = lead & 0x07u;
    } else {
      return false;
    }
    if (i + extra >= text.size()) return false;
    for (size_t k = 1; k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      value = value << 6 | (next & 0x3Fu);
    }
    // Overlong forms, UTF-16 surrogates and values past U+10FFFF.
    if ((extra == 2 && value < 0x800) || (extra == 3 && (value < 0x10000 || value > 0x10FFFF)) ||
        (value >= 0xD800 && value <= 0xDFFF)) {
      return false;
    }
    i += extra + 1;
  }
  return true;
}

}  // namespace

std::string unpublishableReason(std::string_view path) {
  if (!isValidUtf8(path)) return "the name is not valid UTF-8";
  if (!isSafeRelativePath(path)) {
    return path.size() > 400 ? "the path is longer than 400 bytes"
                             : "the launcher refuses names with \\ : < > \" | ? * or control characters";
  }
  // Windows drops a trailing dot or blank, so such a file would land under
  // another name and never match its entry; a device name is no file at all.
  return windowsNameProblem(path);
}

}  // namespace zv::builder
