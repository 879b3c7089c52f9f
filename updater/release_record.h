#pragma once
// The newest release this client has accepted from each update server, so
// that an older signed release served later (a rollback to files with known
// faults) is refused. Kept in its own small file in the work folder,
// releases.json, apart from cache.json: the digest cache may be damaged,
// deleted or rebuilt at any time at the cost of some hashing, while losing
// this record would open the door to the rollback it guards against.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace zv {

inline constexpr const char* kReleaseRecordFile = "releases.json";

class ReleaseRecord {
 public:
  // The release series of one update server as signed by one key: a new key
  // or a new address starts a series of its own.
  ReleaseRecord(std::filesystem::path workFolder, std::string_view updateUrl, std::string_view publicKey);

  // The highest sequence accepted from this server and key; 0: none yet. A
  // missing or unreadable record reads as none.
  int64_t highest() const;

  // Whether a verified release of this sequence (0: it carries none) may be
  // installed: it is not older than the highest accepted so far. False:
  // error names both numbers.
  [[nodiscard]] bool admits(int64_t sequence, std::string& error) const;

  // Raises the stored highest sequence to sequence when it is higher,
  // writing the record durably. False: the record could not be written.
  [[nodiscard]] bool raise(int64_t sequence) const;

 private:
  std::filesystem::path file_;
  std::string series_;
};

}  // namespace zv
