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

// Windows opens a device instead of a file for these, whatever the extension.
bool isDeviceName(std::string_view segment) {
  std::string base = asciiLower(segment.substr(0, segment.find('.')));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  static constexpr std::string_view kDevices[] = {"con", "prn", "aux", "nul", "conin$", "conout$"};
  for (std::string_view device : kDevices) {
    if (base == device) return true;
  }
  if (!base.starts_with("com") && !base.starts_with("lpt")) return false;
  const std::string_view number = std::string_view(base).substr(3);
  // Superscript one, two and three count as digits here.
  return (number.size() == 1 && number[0] >= '0' && number[0] <= '9') || number == "\xC2\xB9" ||
         number == "\xC2\xB2" || number == "\xC2\xB3";
}

}  // namespace

std::string windowsNameProblem(std::string_view path) {
  size_t start = 0;
  for (;;) {
    const size_t slash = path.find('/', start);
    const std::string_view segment = path.substr(start, slash == std::string_view::npos ? slash : slash - start);
    std::string quoted(1, '"');
    quoted.append(segment).append("\"");
    if (!segment.empty() && (segment.back() == '.' || segment.back() == ' ')) {
      return quoted + " ends in a dot or blank, which Windows drops";
    }
    if (isDeviceName(segment)) return quoted + " is a device name on Windows";
    // A UTF-8 text never has more UTF-16 units than bytes: one limit serves both.
    if (segment.size() > kMaxNameLength) {
      return quoted + " is longer than " + std::to_string(kMaxNameLength) + " bytes, too long for its temporary name";
    }
    if (slash == std::string_view::npos) return {};
    start = slash + 1;
  }
}

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
