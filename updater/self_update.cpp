// The job's side of the launcher's self-update: fetch the launcher the
// manifest names when the running one differs, and hand it to the host.

#include "data/text_rules.h"
#include "platform/file.h"
#include "platform/file_info.h"
#include "crypto/sha256.h"
#include "platform/text_path.h"
#include "updater/update_job.h"

namespace zv {

bool UpdateJob::selfUpdateStep(const Manifest& manifest) {
  const ManifestFile& launcher = manifest.launcher;
  if (launcher.path.empty() || launcherPath_.empty()) return false;
  // Only a program of the running one's kind replaces it: a console launcher
  // on Linux is no ZarvoLauncher.exe, and swapping one in would fail to
  // start and be rolled back on every run.
  const std::string_view entryName = std::string_view(launcher.path).substr(launcher.path.rfind('/') + 1);
  if (asciiLower(entryName) != asciiLower(pathToUtf8(launcherPath_.filename()))) return false;

  // Hashed only when the size matches: a different size is reason enough.
  uint64_t size = 0;
  std::string digest;
  if (fileSize(launcherPath_, size) && size == static_cast<uint64_t>(launcher.size) &&
      sha256File(launcherPath_, digest) && digest == launcher.sha256) {
    return false;
  }

  events_.onPhase("selfupdate");
  pass_ = PassCounters{0, 1, 0, static_cast<uint64_t>(launcher.packed)};
  const std::filesystem::path newLauncher = withSuffix(launcherPath_, ".new");
  Failure ignored;  // a failed launcher download must not stop the client update
  if (!downloadOne(launcher, newLauncher, ignored)) return false;
  if (events_.onSelfUpdate) events_.onSelfUpdate(newLauncher);
  return true;
}

}  // namespace zv
