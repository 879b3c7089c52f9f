// Fetching one file: the transfer into the work folder with resume, the
// attempts, the busy-server waits and the progress events.

#include <system_error>

#include "platform/file_info.h"
#include "updater/busy_server.h"
#include "updater/file_time.h"
#include "updater/file_url.h"
#include "updater/packed_file.h"
#include "updater/updater.h"

namespace zv {
namespace {

// Downloads, and applications of a downloaded file, per file.
constexpr int kMaxAttempts = 3;

// Messages of applyPacked after which downloading again cannot help.
bool targetUnwritable(const std::string& applyError) {
  return applyError.find("cannot replace") != std::string::npos ||
         applyError.find("cannot write") != std::string::npos;
}

}  // namespace

bool Updater::downloadOne(const ManifestFile& file, const std::filesystem::path& target, std::string& error) {
  std::error_code ignored;
  std::filesystem::create_directories(workFolder(), ignored);
  const std::filesystem::path part = partPath(workFolder(), file);
  const std::string url = fileUrl(config_.updateUrl, file);
  const uint64_t packed = static_cast<uint64_t>(file.packed);

  // A server that keeps sending past the packed size (a wrong file, or no
  // end at all) is stopped here instead of filling the disk.
  bool overran = false;
  const ProgressFn progress = [&](uint64_t fileBytes) {
    if (fileBytes > packed) {
      overran = true;
      return false;
    }
    emitProgress("download", file.path, pass.filesDone, pass.filesTotal, pass.bytesDone + fileBytes, pass.bytesTotal,
                 false);
    return !cancelRequested();
  };

  int attempts = 0;
  unsigned waits = 0;
  for (;;) {
    if (cancelRequested()) {
      error = "cancelled";
      return false;
    }
    uint64_t have = 0;
    if (!fileSize(part, have) || have > packed) {
      (void)removeFile(part);
      have = 0;
    }
    bool complete = have == packed;
    if (!complete) {
      std::string fetchError;
      overran = false;
      if (fetcher_.download(url, part, have, progress, fetchError)) {
        uint64_t got = 0;
        complete = fileSize(part, got) && got == packed;
        if (!complete) {
          error = file.path + ": download size does not match";
          (void)removeFile(part);
        }
      } else if (overran) {
        error = file.path + ": download size does not match";
        (void)removeFile(part);
      } else {
        // The part stays: the next attempt resumes it.
        error = file.path + ": " + fetchError;
        if (cancelRequested()) return false;
        if (waitInQueue(fetchError, waits)) continue;  // a wait uses up no attempt
        if (cancelRequested()) return false;
      }
    }
    if (complete) {
      std::string applyError;
      if (applyPacked(part, target, static_cast<uint64_t>(file.size), file.sha256, nullptr, &cancelFlag_,
                      applyError)) {
        (void)removeFile(part);
        state_.cacheState.record(file.path, static_cast<uint64_t>(file.size), fileTimeText(target), file.sha256);
        return true;
      }
      error = file.path + ": " + applyError;
      if (targetUnwritable(applyError) || cancelRequested()) return false;
      (void)removeFile(part);  // the packed file itself is bad
    }
    if (++attempts >= kMaxAttempts) return false;
  }
}

bool Updater::waitInQueue(const std::string& fetchError, unsigned& waits) {
  if (!isBusyAnswer(fetchError) || cancelRequested() || waits >= kMaxQueueWaits) return false;
  const auto nanoseconds = static_cast<uint64_t>(clock_.seconds() * 1e9);
  const unsigned seconds = queueWaitSeconds(waits, nanoseconds);
  ++waits;
  const std::string interrupted = currentPhase_;
  events_.onPhase("queue");
  for (unsigned step = 0; step < seconds * 5 && !cancelRequested(); ++step) clock_.sleepMilliseconds(200);
  events_.onPhase(interrupted);
  return !cancelRequested();
}

void Updater::emitProgress(std::string_view phase, std::string_view file, uint32_t filesDone, uint32_t filesTotal,
                           uint64_t bytesDone, uint64_t bytesTotal, bool force) {
  Progress progress;
  if (meter_.sample(phase, file, filesDone, filesTotal, bytesDone, bytesTotal, force, progress) &&
      events_.onProgress) {
    events_.onProgress(progress);
  }
}

}  // namespace zv
