#pragma once
// Files only their owner may read: secret keys.

#include <filesystem>
#include <string>
#include <string_view>

namespace zv {

// Writes bytes to a new file that only the current user can read and write
// (mode 0600 on POSIX; on Windows the folder's permissions apply). Without
// replace an existing file is never touched and the call fails with a message
// saying so; with replace the new file takes its place in one rename, so a
// failure leaves the old file as it was.
[[nodiscard]] bool writePrivateFile(const std::filesystem::path& path, std::string_view bytes, bool replace,
                                    std::string& error);

// Writes bytes to a file created here only for the current user, failing
// when path exists; the bytes are flushed to the disk, and a file that could
// not be written whole is deleted again. Used by writePrivateFile.
[[nodiscard]] bool writeNewPrivateFile(const std::filesystem::path& path, std::string_view bytes, std::string& error);

// Whether users other than the owner may read or write the file (any group
// or other permission bit on POSIX). Always false on Windows, where the
// folder's permissions apply.
bool isOpenToOthers(const std::filesystem::path& path);

}  // namespace zv
