// The job's side of the launcher's self-update: fetch the launcher the
// manifest names when the running one differs, and hand it to the host.

#include "platform/file.h"
#include "platform/file_info.h"
#include "crypto/sha256.h"
#include "updater/update_job.h"

namespace zv {

bool UpdateJob::selfUpdateStep(const Manifest& manifest) {
  const ManifestFile& launcher = manifest.launcher;
  if (launcher.path.empty() || launcherPath_.empty()) return false;

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
  if (!downloadOne(ManifestFile(launcher), newLauncher, ignored)) return false;
  if (events_.onSelfUpdate) events_.onSelfUpdate(newLauncher);
  return true;
}

}  // namespace zv
