#pragma once
// Reading a file the publisher names, up to a size that fits its purpose: a
// device such as /dev/zero or a wrong file of many gigabytes is refused
// instead of read until memory runs out.

#include <cstddef>
#include <filesystem>
#include <string>

namespace zv::builder {

enum class BoundedRead { Ok, Unreadable, TooLarge };

// text: the whole file when Ok.
[[nodiscard]] BoundedRead readBounded(const std::filesystem::path& path, size_t maxBytes, std::string& text);

}  // namespace zv::builder
