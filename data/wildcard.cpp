#include "data/wildcard.h"

#include <string>

#include "data/case_fold.h"

namespace zv {
namespace {

// Bytes of the character that starts at index; a stray continuation byte
// counts as a character of its own.
size_t charLength(std::string_view text, size_t index) {
  size_t end = index + 1;
  while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
  return static_cast<unsigned char>(text[index]) < 0x80 ? 1 : end - index;
}

}  // namespace

bool wildcardMatch(std::string_view patternText, std::string_view nameText) {
  // Letter case as Windows ignores it: the names are files on its disks.
  const std::string pattern = foldCase(patternText);
  const std::string name = foldCase(nameText);
  // Greedy, backing up to the last "*" on a mismatch: a later star can only
  // widen what an earlier one matched, so one position to return to is enough.
  // The star gives up whole characters, so "?" always starts on one.
  size_t p = 0;
  size_t n = 0;
  size_t star = std::string::npos;
  size_t resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = n;
    } else if (p < pattern.size() && pattern[p] == '?') {
      ++p;
      n += charLength(name, n);
    } else if (p < pattern.size() && pattern[p] == name[n]) {
      ++p;
      ++n;
    } else if (star != std::string::npos) {
      p = star + 1;
      resume += charLength(name, resume);
      n = resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool wildcardNeedsLiteral(std::string_view pattern) {
  for (const char c : pattern) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') || byte >= 0x80) {
      return true;
    }
  }
  return false;
}

}  // namespace zv
