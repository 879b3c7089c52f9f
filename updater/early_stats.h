#pragma once
// Stats of the files cache.json lists, taken while the manifest is fetched
// and verified. cache.json is the job's own record, so stat'ing the paths it
// names reads nothing the unverified manifest chose; the check pass then
// trusts a taken stat only where it and the cache vouch for a manifest entry
// together, and stats every other file itself, as late as it always did.
// A pass that begins long after them (a busy server kept the manifest step
// waiting) takes none of them (kEarlyStatsLifetime, file_pass.cpp).

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "platform/file_stat.h"
#include "updater/digest_cache.h"

namespace zv {

class EarlyStats {
 public:
  // Stats the files of the cache's entries in entry order, each under the
  // client folder, until all are taken or stop is set.
  void take(const DigestCache& cache, const std::filesystem::path& clientFolder, const std::atomic<bool>& stop);

  // The stat taken for the cache's entry number entry. False: none taken,
  // or the path was no regular file then.
  bool find(size_t entry, FileStat& stat) const;

  // Forgets every stat: they describe the files as they were before the pass.
  void clear() { stats_.clear(); }
  bool empty() const { return stats_.empty(); }

 private:
  struct Taken {
    FileStat stat;
    bool regular = false;
  };
  std::vector<Taken> stats_;  // one per entry, from the first, as far as taken
};

}  // namespace zv
