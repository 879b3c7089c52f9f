#pragma once
// Text rules shared by every subsystem that takes names or paths from outside
// (configuration, preferences, manifests, the UI pack, add-ons). Keeping each
// rule in one place means a path refused in one spot is refused everywhere.

#include <string>
#include <string_view>

namespace zv {

// Bytes A-Z become a-z; every other byte, including UTF-8 sequences, is kept.
std::string asciiLower(std::string_view text);

// True for a relative "/"-separated UTF-8 path that cannot leave its base
// folder: 1 to 400 bytes, no leading "/" or "\", no "\" or ":" anywhere (no
// drive letters, UNC or device prefixes, alternate data streams), and every
// segment non-empty, not "." or "..", without control bytes and without any
// of < > " | ? *. Purely textual: nothing is looked up on disk.
bool isSafeRelativePath(std::string_view path);

// Longest name of one file or folder in a client path: the name with the
// temporary suffix ".zvnew" beside it must stay within the 255 bytes (Linux)
// and 255 UTF-16 units (Windows) that a file name may have.
inline constexpr size_t kMaxNameLength = 249;

// Empty when Windows can create every segment of a safe relative path under
// exactly its name; otherwise the reason, naming the segment. Refused: the
// device names CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM0-9 and LPT0-9 (also
// with the superscript digits 1-3) with or without an extension, names
// ending in a dot or a blank (Windows drops them), and names longer than
// kMaxNameLength bytes or UTF-16 units.
std::string windowsNameProblem(std::string_view path);

// 1 to 32 bytes, each a-z, 0-9 or "-".
bool isValidThemeName(std::string_view name);

// "#" and six hexadecimal digits in either case.
bool isValidColor(std::string_view text);

}  // namespace zv
