#pragma once
// Line-based talk over standard input and output, for a host that speaks a
// protocol there. Input is never taken past the end of the line being read,
// so that a program started after this one (a restarted launcher sharing the
// streams) reads exactly the lines this one did not; where the input allows
// it, it is still read in blocks.

#include <cstddef>
#include <string>
#include <string_view>

namespace zv {

// The longest input line kept; a longer one is read to its end and dropped.
inline constexpr size_t kMaxInputLineBytes = 1u << 20;

enum class InputLine {
  Line,     // line holds it, without the line feed (and a carriage return before it)
  TooLong,  // a line longer than kMaxInputLineBytes went by; line is empty
  End,      // the input ended with no byte read
};

// Reads up to and including the next line feed.
[[nodiscard]] InputLine readStandardInputLine(std::string& line);

// Reads 1 to size bytes of standard input, waiting for the first, and never
// past the first line feed. 0 at the end of input or on a read error.
[[nodiscard]] size_t readStandardInputUpToLineEnd(char* buffer, size_t size);

// Writes the bytes to standard output unchanged (no line-end translation)
// and flushes. Whatever C stdio buffered for standard output goes first.
// False when not every byte could be written (the reader is gone, the disk
// is full).
[[nodiscard]] bool writeStandardOutput(std::string_view bytes);

}  // namespace zv
