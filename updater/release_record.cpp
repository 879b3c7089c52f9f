#include "updater/release_record.h"

#include "data/json.h"
#include "data/text_rules.h"
#include "platform/file.h"
#include "updater/local_state.h"

namespace zv {

// The key in one letter case: the configuration accepts either.
ReleaseRecord::ReleaseRecord(std::filesystem::path workFolder, std::string_view updateUrl, std::string_view publicKey)
    : file_(std::move(workFolder) / kReleaseRecordFile),
      series_(asciiLower(publicKey) + " " + std::string(updateUrl)) {}

int64_t ReleaseRecord::highest() const {
  const int64_t value = loadStateObject(file_).get(series_).integerOr(0);
  return value > 0 ? value : 0;
}

bool ReleaseRecord::admits(int64_t sequence, std::string& error) const {
  const int64_t newest = highest();
  if (sequence >= newest) return true;
  // Once a release with a sequence was accepted, one without it is as much
  // a step back as an older number.
  error = (sequence == 0 ? std::string("release without a sequence number")
                         : "release " + std::to_string(sequence)) +
          " is older than release " + std::to_string(newest) + " already accepted from this server";
  return false;
}

bool ReleaseRecord::raise(int64_t sequence) const {
  Json record = loadStateObject(file_);
  if (sequence <= record.get(series_).integerOr(0)) return true;
  record.set(series_, sequence);
  return writeTextFileAtomic(file_, record.dump(true) + "\n");
}

}  // namespace zv
