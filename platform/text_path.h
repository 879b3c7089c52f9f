#pragma once
// Conversions between the program's UTF-8 texts and file system paths.
// Paths are UTF-16 on Windows and bytes elsewhere; texts are always UTF-8.

#include <filesystem>
#include <string>
#include <string_view>

namespace zv {

// UTF-8 text to a path. Invalid UTF-8 never fails: on Windows it becomes
// U+FFFD, elsewhere the bytes pass through unchanged.
std::filesystem::path pathFromUtf8(std::string_view text);

// A path as UTF-8 text (for messages, logs and JSON).
std::string pathToUtf8(const std::filesystem::path& path);

// The UTF-16LE bytes of a UTF-8 text, as Windows would hold the same text.
// Used where an identity must be the same on every platform (install tag,
// instance lock name). Invalid UTF-8 sequences become U+FFFD.
std::u16string utf8ToUtf16(std::string_view text);

// Appends a "/"-separated relative path to base one segment at a time.
// An empty relative path gives base. Callers check the path with
// isSafeRelativePath first.
std::filesystem::path joinRelative(const std::filesystem::path& base, std::string_view relative);

}  // namespace zv
