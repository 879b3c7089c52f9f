#include "tools/builder/client_names.h"

#include <cstdint>

#include "data/text_rules.h"

namespace zv::builder {
namespace {

// Windows opens these device names instead of files, with any extension.
bool isDeviceName(std::string_view segment) {
  const std::string base = asciiLower(segment.substr(0, segment.find('.')));
  static constexpr std::string_view kDevices[] = {"con", "prn", "aux", "nul", "conin$", "conout$"};
  for (std::string_view device : kDevices) {
    if (base == device) return true;
  }
  return base.size() == 4 && (base.starts_with("com") || base.starts_with("lpt")) && base[3] >= '0' &&
         base[3] <= '9';
}

}  // namespace

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

std::string unpublishableReason(std::string_view path) {
  if (!isValidUtf8(path)) return "the name is not valid UTF-8";
  if (!isSafeRelativePath(path)) {
    return path.size() > 400 ? "the path is longer than 400 bytes"
                             : "the launcher refuses names with \\ : < > \" | ? * or control characters";
  }
  size_t start = 0;
  for (;;) {
    const size_t slash = path.find('/', start);
    const std::string_view segment = path.substr(start, slash == std::string_view::npos ? slash : slash - start);
    // Windows drops a trailing dot or blank, so the file would land under
    // another name and never match its digest entry.
    if (segment.back() == '.' || segment.back() == ' ') return "Windows cannot create a name ending in a dot or blank";
    if (isDeviceName(segment)) {
      std::string reason(1, '"');
      reason.append(segment);
      return reason.append("\" is a device name on Windows");
    }
    if (slash == std::string_view::npos) return {};
    start = slash + 1;
  }
}

}  // namespace zv::builder
