#pragma once
// Percent-encoding of the bytes of a URL, with the rule of which bytes stay
// as they are left to the caller: a server path, the URL as WinHTTP puts it
// on the wire, and a web address handed to the system's browser each keep
// a different set.

#include <string>
#include <string_view>

namespace zv {

// The text with every byte that keep() refuses written as "%" and two
// upper-case hexadecimal digits.
std::string percentEncode(std::string_view text, bool (*keep)(unsigned char byte));

// Whether a URL may hold the byte as it is: printable ASCII except the
// blank and "<>\^`{|} and the double quote ("%", "#", "[" and "]" are
// kept).
bool isLiteralUrlByte(unsigned char byte);

}  // namespace zv
