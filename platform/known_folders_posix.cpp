#include "platform/known_folders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace zv {
namespace {

std::filesystem::path homeFolder() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return home;
  const passwd* entry = getpwuid(getuid());
  if (entry != nullptr && entry->pw_dir != nullptr && entry->pw_dir[0] == '/') return entry->pw_dir;
  return {};
}

}  // namespace

bool userDataFolder(std::filesystem::path& folder) {
  // The XDG rules ignore a relative value.
  const char* dataHome = std::getenv("XDG_DATA_HOME");
  if (dataHome != nullptr && dataHome[0] == '/') {
    folder = dataHome;
    return true;
  }
  const std::filesystem::path home = homeFolder();
  if (home.empty()) return false;
  folder = home / ".local" / "share";
  return true;
}

bool desktopFolder(std::filesystem::path&) { return false; }

}  // namespace zv
