#include "data/text_rules.h"

namespace zv {
namespace {

constexpr size_t maxPathBytes = 400;
constexpr size_t maxThemeNameBytes = 32;

bool isHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

bool isSafeSegment(std::string_view segment) {
  if (segment.empty() || segment == "." || segment == "..") return false;
  for (const char c : segment) {
    if (static_cast<unsigned char>(c) < 0x20) return false;
    if (std::string_view("<>\"|?*").find(c) != std::string_view::npos) return false;
  }
  return true;
}

}  // namespace

std::string asciiLower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

bool isSafeRelativePath(std::string_view path) {
  if (path.empty() || path.size() > maxPathBytes) return false;
  if (path.find_first_of("\\:") != std::string_view::npos) return false;
  // A leading "/" shows up below as an empty first segment.
  size_t start = 0;
  for (;;) {
    const size_t slash = path.find('/', start);
    if (!isSafeSegment(path.substr(start, slash == std::string_view::npos ? slash : slash - start))) return false;
    if (slash == std::string_view::npos) return true;
    start = slash + 1;
  }
}

bool isValidThemeName(std::string_view name) {
  if (name.empty() || name.size() > maxThemeNameBytes) return false;
  for (const char c : name) {
    if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-')) return false;
  }
  return true;
}

bool isValidColor(std::string_view text) {
  if (text.size() != 7 || text[0] != '#') return false;
  for (const char c : text.substr(1)) {
    if (!isHexDigit(c)) return false;
  }
  return true;
}

}  // namespace zv
