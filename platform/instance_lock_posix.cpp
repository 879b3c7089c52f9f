#include "platform/instance_lock.h"

#include <chrono>
#include <system_error>
#include <thread>

namespace zv {
namespace {

constexpr unsigned kPollMs = 100;

}  // namespace

InstanceLock::~InstanceLock() { release(); }

bool InstanceLock::acquire(uint32_t hash, const std::filesystem::path& lockFolder, unsigned waitMs) {
  release();
  const std::string file = instanceLockName(hash) + ".lock";
  std::error_code ec;
  const std::filesystem::path fallback = std::filesystem::temp_directory_path(ec);
  // flock has no timed wait: poll until the holder lets go or the time is up.
  for (unsigned waited = 0;; waited += kPollMs) {
    std::string ignored;
    FolderLock::Outcome outcome = FolderLock::Outcome::Failed;
    if (!lockFolder.empty()) outcome = lock_.tryTake(lockFolder / file, ignored);
    if (outcome == FolderLock::Outcome::Failed) outcome = lock_.tryTake(fallback / file, ignored);
    if (outcome == FolderLock::Outcome::Taken) return true;
    if (outcome == FolderLock::Outcome::Failed || waited >= waitMs) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
  }
}

// The file stays: deleting it would let a third process lock a new file
// while a second one still waits on the old one.
void InstanceLock::release() { lock_.release(); }

}  // namespace zv
