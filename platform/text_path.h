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

// One character of a UTF-8 text. length is 0 when the bytes there are not
// a valid, shortest-form sequence of a scalar value (stray continuation
// bytes, truncated, overlong or surrogate forms, code points past U+10FFFF);
// invalidLength is then the length of the maximal invalid part: the lead
// byte and the continuation bytes that could still have belonged to it.
struct Utf8Char {
  size_t length = 0;
  size_t invalidLength = 1;
  char32_t codePoint = 0xFFFD;
};

// The character at text[at], which must be inside the text.
Utf8Char decodeUtf8(std::string_view text, size_t at);

// Appends the UTF-8 form of a code point (surrogates and all: callers that
// need valid text pass none).
void appendUtf8(std::string& out, char32_t codePoint);

// The UTF-16LE bytes of a UTF-8 text, as Windows would hold the same text.
// Used where an identity must be the same on every platform (install tag,
// instance lock name). Invalid UTF-8 sequences become U+FFFD.
std::u16string utf8ToUtf16(std::string_view text);

// Appends a "/"-separated relative path to base one segment at a time.
// An empty relative path gives base. Callers check the path with
// isSafeRelativePath first.
std::filesystem::path joinRelative(const std::filesystem::path& base, std::string_view relative);

// The paths below one folder, one after another: the native text of
// joinRelative(base, relative), written into a buffer the caller reuses. A
// std::filesystem::path splits itself into components, allocating, whenever
// it is made or extended; checking an unchanged client needs one path per
// file, and then no allocation.
class FolderPaths {
 public:
  explicit FolderPaths(const std::filesystem::path& base);
  // Replaces out with the native text of joinRelative(base, relative).
  void join(std::string_view relative, std::filesystem::path::string_type& out) const;

 private:
  std::filesystem::path::string_type base_;
  // base_ with the separator (if any) that its first segment goes after.
  std::filesystem::path::string_type prefix_;
};

// Appends a UTF-8 text to a native path text: the bytes as they are, or
// UTF-16 where paths are (Windows; invalid UTF-8 as pathFromUtf8 has it).
void appendNativeText(std::filesystem::path::string_type& out, std::string_view text);

}  // namespace zv
