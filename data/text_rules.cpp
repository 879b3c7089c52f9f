#include "data/text_rules.h"

#include <array>

#include "data/hex.h"

namespace zv {
namespace {

constexpr size_t maxPathBytes = 400;
constexpr size_t maxThemeNameBytes = 32;

// Bytes no safe path holds anywhere: control bytes, "\" and ":" (no drive
// letters, UNC or device prefixes, alternate data streams) and the
// characters Windows refuses in names. A table: every manifest path is
// tested, tens of thousands per check.
constexpr std::array<bool, 256> kForbiddenBytes = [] {
  std::array<bool, 256> forbidden{};
  for (int c = 0; c < 0x20; ++c) forbidden[static_cast<size_t>(c)] = true;
  for (const char c : std::string_view("\\:<>\"|?*")) forbidden[static_cast<unsigned char>(c)] = true;
  return forbidden;
}();

bool isNamedSegment(std::string_view segment) { return !segment.empty() && segment != "." && segment != ".."; }

// Windows opens a device instead of a file for these, whatever the extension.
bool isDeviceName(std::string_view segment) {
  std::string_view name = segment.substr(0, segment.find('.'));
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  // From "aux" to "conout$"; most names are ruled out here, without a copy.
  constexpr size_t kLongestDevice = 7;
  if (name.size() < 3 || name.size() > kLongestDevice) return false;
  char lowered[kLongestDevice];
  for (size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    lowered[i] = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  }
  const std::string_view base(lowered, name.size());
  static constexpr std::string_view kDevices[] = {"con", "prn", "aux", "nul", "conin$", "conout$"};
  for (std::string_view device : kDevices) {
    if (base == device) return true;
  }
  if (!base.starts_with("com") && !base.starts_with("lpt")) return false;
  const std::string_view number = base.substr(3);
  // Superscript one, two and three count as digits here.
  return (number.size() == 1 && number[0] >= '0' && number[0] <= '9') || number == "\xC2\xB9" ||
         number == "\xC2\xB2" || number == "\xC2\xB3";
}

std::string quoted(std::string_view segment) { return "\"" + std::string(segment) + "\""; }

}  // namespace

std::string windowsNameProblem(std::string_view path) {
  size_t start = 0;
  for (;;) {
    const size_t slash = path.find('/', start);
    const std::string_view segment = path.substr(start, slash == std::string_view::npos ? slash : slash - start);
    if (!segment.empty() && (segment.back() == '.' || segment.back() == ' ')) {
      return quoted(segment) + " ends in a dot or blank, which Windows drops";
    }
    if (isDeviceName(segment)) return quoted(segment) + " is a device name on Windows";
    // A UTF-8 text never has more UTF-16 units than bytes: one limit serves both.
    if (segment.size() > kMaxNameLength) {
      return quoted(segment) + " is longer than " + std::to_string(kMaxNameLength) + " bytes, too long for its temporary name";
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
  // One pass: forbidden bytes anywhere, and every segment (a leading "/"
  // makes an empty first one) named.
  size_t start = 0;
  for (size_t i = 0; i < path.size(); ++i) {
    const auto c = static_cast<unsigned char>(path[i]);
    if (c == '/') {
      if (!isNamedSegment(path.substr(start, i - start))) return false;
      start = i + 1;
    } else if (kForbiddenBytes[c]) {
      return false;
    }
  }
  return isNamedSegment(path.substr(start));
}

bool isValidThemeName(std::string_view name) {
  if (name.empty() || name.size() > maxThemeNameBytes) return false;
  for (const char c : name) {
    if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-')) return false;
  }
  return true;
}

bool isValidColor(std::string_view text) {
  return text.size() == 7 && text[0] == '#' && isHexText(text.substr(1));
}

}  // namespace zv
