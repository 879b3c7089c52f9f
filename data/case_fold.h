#pragma once
// The letter case Windows ignores in file names, beyond ASCII: two names
// with equal folds are one file on a Windows disk.

#include <string>
#include <string_view>

namespace zv {

// Lower-cases the capital letters of Basic Latin, Latin-1, Latin
// Extended-A, the regular pairs of Latin Extended-B (including the DŽ/Dž/dž
// and LJ/NJ/DZ triples), Greek (with the accented capitals and final sigma)
// and Cyrillic (including its extended pairs up to U+052F). Everything else,
// invalid UTF-8 included, is kept byte for byte.
std::string foldCase(std::string_view text);
// Appends foldCase(text) to out.
void appendFolded(std::string& out, std::string_view text);

// foldCase(a) == foldCase(b), without copying short texts.
bool sameFolded(std::string_view a, std::string_view b);

}  // namespace zv
