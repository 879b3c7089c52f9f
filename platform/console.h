#pragma once
// The console a command-line tool writes to: whether a person is watching it
// (progress displays only make sense then) and how it shows UTF-8 text.

namespace zv {

enum class ConsoleStream { Output, Error };

// True when the stream is a terminal or console window, false when it goes to
// a file or a pipe.
bool isTerminal(ConsoleStream stream);

// Makes the console show UTF-8 output as text (file names in messages). A
// no-op where terminals take UTF-8 already.
void useUtf8Console();

}  // namespace zv
