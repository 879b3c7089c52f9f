// The client folder's lock, held for the whole of every job: two launchers
// (another data folder, another path to the same folder, another Windows
// session) never work on one client at the same time.

#include "platform/folder_lock.h"
#include "platform/text_path.h"
#include "updater/update_job.h"

namespace zv {
namespace {

// How long a job waits for another launcher's job on the same folder: long
// enough for a whole check of a large client, short enough that a launcher
// that hangs holding the lock is reported rather than waited for forever.
constexpr unsigned kFolderWaitSteps = 15 * 60 * 5;  // of 200 ms
constexpr const char* kLockFileName = "job.lock";

}  // namespace

bool UpdateJob::lockClientFolder(Failure& failure) {
  const std::filesystem::path lockFile = state_.workFolder() / kLockFileName;
  for (unsigned step = 0;; ++step) {
    std::string error;
    switch (folderLock_.tryTake(lockFile, error)) {
      case FolderLock::Outcome::Taken: return true;
      case FolderLock::Outcome::Failed:
        failure = Failure{FailureKind::DiskWrite, 0, pathToUtf8(lockFile), {}};
        return false;
      case FolderLock::Outcome::Busy: break;
    }
    if (cancelRequested()) {
      failure = cancelledFailure();
      return false;
    }
    if (step >= kFolderWaitSteps) {
      failure = Failure{FailureKind::FolderBusy, 0, {}, {}};
      return false;
    }
    clock_.sleepMilliseconds(200);
  }
}

}  // namespace zv
