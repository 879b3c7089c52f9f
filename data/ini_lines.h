#pragma once
// The line handling shared by the INI files we edit (the game's options file,
// add-on key files): lines split at LF, a CR before the LF dropped, so that
// files with either line end read the same.

#include <string>
#include <string_view>
#include <vector>

namespace zv {

// The lines of text, each without its LF and without one CR at its end. A
// final LF does not start another line, so "" has no lines and "a\n" one.
std::vector<std::string> splitIniLines(std::string_view text);

// The lines with separator between them (none after the last).
std::string joinIniLines(const std::vector<std::string>& lines, std::string_view separator);

// text without the given characters at both ends.
std::string_view trimIni(std::string_view text, std::string_view characters);

}  // namespace zv
