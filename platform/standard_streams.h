#pragma once
// Line-based talk over standard input and output, for a host that speaks a
// protocol there. Input is read without any buffering of ours, so that a
// program started after this one (a restarted launcher sharing the streams)
// reads exactly the lines this one did not.

#include <string>
#include <string_view>

namespace zv {

// Reads up to and including the next line feed and gives the line without
// it (and without a carriage return before it). False at the end of input
// when no byte was read.
[[nodiscard]] bool readStandardInputLine(std::string& line);

// Writes the bytes to standard output unchanged (no line-end translation)
// and flushes. Whatever C stdio buffered for standard output goes first.
void writeStandardOutput(std::string_view bytes);

}  // namespace zv
