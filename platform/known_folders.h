#pragma once
// Folders the system keeps for the user.

#include <filesystem>

namespace zv {

// Where programs keep the user's data on this machine: the Local AppData
// known folder on Windows; elsewhere $XDG_DATA_HOME when it is an absolute
// path, else ~/.local/share. False when the system cannot tell.
[[nodiscard]] bool userDataFolder(std::filesystem::path& folder);

// The user's desktop: the Desktop known folder on Windows. Elsewhere the
// launcher makes no shortcuts, and this is always false.
[[nodiscard]] bool desktopFolder(std::filesystem::path& folder);

}  // namespace zv
