#include "bridge/self_update_swap.h"

#include <chrono>
#include <thread>

#include "platform/durable_file.h"
#include "platform/file.h"
#include "platform/file_info.h"

namespace zv {
namespace {

constexpr int kRemoveAttempts = 20;
constexpr unsigned kRemovePauseMs = 150;

}  // namespace

bool swapInNewLauncher(const std::filesystem::path& launcherPath, const std::filesystem::path& newLauncher,
                       const ProcessCommand& restart, const ProcessStartFn& start) {
  const std::filesystem::path oldPath = withSuffix(launcherPath, ".old");
  // A launcher that came read-only is still read-only as ".old": a plain
  // delete would leave it for good, and the swap could not move over it.
  (void)removeFileEvenReadOnly(oldPath);
  std::string error;
  const bool movedAside = replaceFile(launcherPath, oldPath, error);
  // The download is a plain file; where execute permission exists it has none.
  const bool movedIn = movedAside && replaceFileDurably(newLauncher, launcherPath, error) && makeExecutable(launcherPath);
  StartError startError;
  if (movedIn && start(restart, startError)) return true;
  if (movedAside) (void)replaceFile(oldPath, launcherPath, error);
  (void)removeFile(newLauncher);
  return false;
}

void removeOldLauncher(const std::filesystem::path& launcherPath) {
  const std::filesystem::path oldPath = withSuffix(launcherPath, ".old");
  for (int attempt = 0; attempt < kRemoveAttempts; ++attempt) {
    if (removeFileEvenReadOnly(oldPath)) return;  // also true when there is none
    std::this_thread::sleep_for(std::chrono::milliseconds(kRemovePauseMs));
  }
}

}  // namespace zv
