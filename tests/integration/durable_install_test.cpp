// A power loss right after any rename of an update job must not leave an
// empty or torn file that the digest cache trusts. Every flush, durable
// rename and folder sync is watched; at each step the disk is taken to hold
// only what was flushed and synced so far, and each cache.json about to be
// published may vouch for nothing else.

#include <gtest/gtest.h>

#include <mutex>
#include <set>
#include <vector>

#include "platform/durable_file.h"
#include "updater/packed_file.h"
#include "tests/integration/update_job_fixture.h"

namespace zv {
namespace {

using Paths = std::set<std::string>;

std::string key(const std::filesystem::path& path) { return path.lexically_normal().generic_string(); }

class DurableInstallTest : public test::UpdateJobFixture {
 protected:
  void TearDown() override { setDurableStepObserver({}); }

  // What a power loss at this moment would leave: a file survives whole when
  // its data was flushed and its folder synced after it got its name.
  Paths flushed;  // data on disk under the present name
  Paths renamed;  // flushed, then renamed: the new name waits for a folder sync
  Paths onDisk;
  std::vector<std::string> faults;
  size_t lastCacheEntries = 0;  // in the last cache.json published

  // Large files are flushed by the transfers that installed them.
  std::mutex mutex;

  void step(DurableStep kind, const std::filesystem::path& path, const std::filesystem::path& to) {
    std::lock_guard lock(mutex);
    switch (kind) {
      case DurableStep::Flush:
        flushed.insert(key(path));
        break;
      case DurableStep::Rename:
        if (flushed.erase(key(path)) == 0) faults.push_back("published before its data was flushed: " + key(to));
        if (to.filename() == "cache.json") checkCache(path);
        renamed.insert(key(to));
        break;
      case DurableStep::FolderSync:
        for (const Paths* names : {&flushed, &renamed}) {
          for (const std::string& name : *names) {
            if (key(std::filesystem::path(name).parent_path()) == key(path)) onDisk.insert(name);
          }
        }
        break;
    }
  }

  void checkCache(const std::filesystem::path& temporary) {
    const Json cache = Json::parse(test::readFile(temporary));
    for (const Json::Member& entry : cache.members()) {
      if (onDisk.count(key(clientFile(entry.key))) == 0) faults.push_back("cache.json vouches for " + entry.key);
    }
    lastCacheEntries = cache.members().size();
  }
};

TEST_F(DurableInstallTest, CacheVouchesOnlyForFilesWhoseDataAndNameAreOnDisk) {
  for (int i = 0; i < 45; ++i) {
    release_->addFile("system/file" + std::to_string(i) + ".dat", std::string(100 + i * 37, static_cast<char>('a' + i % 26)));
  }
  release_->addFile("maps/large.dat", std::string(kFlushedAloneAbove + 1, 'L'));
  release_->publish();
  setDurableStepObserver(
      [this](DurableStep kind, const std::filesystem::path& path, const std::filesystem::path& to) { step(kind, path, to); });
  EXPECT_EQ(runJob().code, "updated");
  EXPECT_EQ(faults, std::vector<std::string>{});
  EXPECT_EQ(lastCacheEntries, 46u);
  EXPECT_EQ(onDisk.count(key(workFolder() / "cache.json")), 1u);
}

}  // namespace
}  // namespace zv
