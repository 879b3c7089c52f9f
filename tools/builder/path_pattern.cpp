#include "tools/builder/path_pattern.h"

#include <string>

#include "data/case_fold.h"

namespace zv::builder {
namespace {

// The "*"/"**" match of a whole text, without the rules about segments.
bool wildcardMatches(std::string_view pattern, std::string_view text) {
  while (!pattern.empty()) {
    if (pattern.front() != '*') {
      if (text.empty() || text.front() != pattern.front()) return false;
      pattern.remove_prefix(1);
      text.remove_prefix(1);
      continue;
    }
    const bool crossesFolders = pattern.size() > 1 && pattern[1] == '*';
    pattern.remove_prefix(crossesFolders ? 2 : 1);
    // Try every length of the run, shortest first; paths are short enough
    // for the plain backtracking search.
    for (size_t take = 0;; ++take) {
      if (wildcardMatches(pattern, text.substr(take))) return true;
      if (take == text.size() || (!crossesFolders && text[take] == '/')) return false;
    }
  }
  return text.empty();
}

}  // namespace

bool pathPatternMatches(std::string_view rawPattern, std::string_view rawPath, bool isFolder) {
  const std::string pattern = foldCase(rawPattern);
  const std::string path = foldCase(rawPath);
  std::string_view body = pattern;
  const bool foldersOnly = !body.empty() && body.back() == '/';
  if (foldersOnly) body.remove_suffix(1);
  if (body.empty()) return false;
  const bool anchored = body.find('/') != std::string_view::npos;
  const std::string_view whole = path;

  size_t start = 0;
  for (;;) {
    const size_t slash = whole.find('/', start);
    const bool isLast = slash == std::string_view::npos;
    const size_t end = isLast ? whole.size() : slash;
    if (!(isLast && !isFolder && foldersOnly)) {
      const std::string_view candidate = anchored ? whole.substr(0, end) : whole.substr(start, end - start);
      if (wildcardMatches(body, candidate)) return true;
    }
    if (isLast) return false;
    start = slash + 1;
  }
}

}  // namespace zv::builder
