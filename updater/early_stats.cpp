#include "updater/early_stats.h"

#include "platform/text_path.h"

namespace zv {

void EarlyStats::take(const DigestCache& cache, const std::filesystem::path& clientFolder,
                      const std::atomic<bool>& stop) {
  stats_.clear();
  stats_.reserve(cache.size());
  const FolderPaths client(clientFolder);
  std::filesystem::path::string_type fullPath;
  for (size_t entry = 0; entry < cache.size() && !stop.load(std::memory_order_relaxed); ++entry) {
    client.join(cache.nameOf(entry), fullPath);
    Taken& taken = stats_.emplace_back();
    taken.regular = statRegularFile(fullPath.c_str(), taken.stat);
  }
}

bool EarlyStats::find(size_t entry, FileStat& stat) const {
  if (entry >= stats_.size() || !stats_[entry].regular) return false;
  stat = stats_[entry].stat;
  return true;
}

}  // namespace zv
