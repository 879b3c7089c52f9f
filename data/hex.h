#pragma once
// Hexadecimal text forms of byte strings: digests, keys and signatures.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zv {

// Decodes pairs of hexadecimal digits (either case) into bytes. An odd length
// or any other character fails; the empty text gives no bytes. bytes is
// cleared first and holds only part of the result after a failure.
[[nodiscard]] bool hexToBytes(std::string_view text, std::vector<uint8_t>& bytes);

// Whether text holds hexadecimal digits (either case) only; the empty text
// does.
bool isHexText(std::string_view text);

// Two lowercase digits per byte, high nibble first.
std::string toHex(const uint8_t* data, size_t count);

}  // namespace zv
