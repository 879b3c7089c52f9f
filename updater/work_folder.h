#pragma once
// The work folder's life outside the state files: moving it when the
// configuration names a new place, and clearing downloads left behind.

#include <filesystem>

namespace zv {

// The folder name every older release used, inside the client folder.
inline constexpr const char* kDefaultWorkDir = ".zarvo_update";

// Moves the state of the default work folder (client/.zarvo_update) into
// work when they are different folders: the whole folder by a rename when
// work does not exist yet, otherwise cache.json, addons.json and
// releases.json one by one where work lacks them; then the old folder is
// deleted with whatever is left in it. Every failure is ignored: at worst the state starts empty. Nothing
// happens when work lies inside the old folder, since deleting the old
// folder would delete work with it. When the old folder is also the
// launcher's data folder (dataFolder, its fallback when the user has no
// folder for application data), only the three state files move and the
// folder stays: it holds the player's preferences and the page.
void migrateWorkFolder(const std::filesystem::path& client, const std::filesystem::path& work,
                       const std::filesystem::path& dataFolder = {});

// Deletes every file directly in folder whose name ends in ".part" or
// ".unpacking" (case sensitive): downloads, patches and their unpacking left
// behind. Errors are ignored.
void deletePartFiles(const std::filesystem::path& folder);

}  // namespace zv
