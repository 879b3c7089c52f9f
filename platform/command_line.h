#pragma once
// Command-line texts in the Windows form: one text that the started program
// splits into arguments itself. The configuration's game arguments and the
// restart of the launcher are written this way; on systems that pass an
// argument list instead, the text is split here by the same rules.

#include <string>
#include <string_view>
#include <vector>

namespace zv {

// The arguments a Windows C runtime program would see for this text (the
// part after the program name): blanks and tabs separate arguments outside
// double quotes; 2n backslashes before a quote give n backslashes and the
// quote opens or closes a quoted part, 2n+1 give n backslashes and a literal
// quote; other backslashes are literal; inside a quoted part "" is one
// literal quote; "" alone is an empty argument.
std::vector<std::string> splitCommandLine(std::string_view text);

// The argument written so that splitCommandLine gives it back unchanged.
std::string quoteArgument(std::string_view argument);

// The arguments quoted and joined by single blanks.
std::string joinCommandLine(const std::vector<std::string>& arguments);

}  // namespace zv
