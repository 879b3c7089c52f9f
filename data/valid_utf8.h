#pragma once
// Texts from outside (page commands, server documents, file names) made safe
// to pass on: JSON must be valid UTF-8, and a log line must stay one
// readable line.

#include <string>
#include <string_view>

namespace zv {

// The text with every invalid UTF-8 sequence (stray continuation bytes,
// truncated, overlong or surrogate forms, code points past U+10FFFF)
// replaced by U+FFFD, one for each maximal invalid part as Unicode
// recommends. Valid text comes back unchanged.
std::string validUtf8(std::string_view text);

// validUtf8, with control characters (U+0000-U+001F and U+007F) written as
// visible escapes "\xNN", so that nothing a sender chose can break a log line
// or forge another.
std::string loggableText(std::string_view text);

}  // namespace zv
