#include "addons/wildcard.h"

#include <string>

#include "data/text_rules.h"

namespace zv {

bool wildcardMatch(std::string_view patternText, std::string_view nameText) {
  const std::string pattern = asciiLower(patternText);
  const std::string name = asciiLower(nameText);
  // Greedy, backing up to the last "*" on a mismatch: a later star can only
  // widen what an earlier one matched, so one position to return to is enough.
  size_t p = 0;
  size_t n = 0;
  size_t star = std::string::npos;
  size_t resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = n;
    } else if (p < pattern.size() && pattern[p] == name[n]) {
      ++p;
      ++n;
    } else if (star != std::string::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace zv
