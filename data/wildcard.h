#pragma once
// The wildcards of clean-up patterns.

#include <string_view>

namespace zv {

// Whether name matches pattern, letter case folded (foldCase): "*" stands
// for any run of characters, none included, "?" for exactly one character
// (one UTF-8 sequence); every other character only for itself.
bool wildcardMatch(std::string_view pattern, std::string_view name);

// Whether every name the pattern matches must contain one of the pattern's
// own letters or digits (a byte above 0x7F counts as a letter): "*.dds",
// "d3d9*.dll", "shader?.bin". Patterns made only of wildcards and
// punctuation ("*.*", "?*", "*.?", "*-*") see no more of a name than its
// shape, so they match every file of a folder whose names share that shape.
bool wildcardNeedsLiteral(std::string_view pattern);

}  // namespace zv
