#include <gtest/gtest.h>

#include <chrono>

#include "data/json.h"
#include "platform/file.h"
#include "platform/file_stat.h"
#include "tests/support/temp_dir.h"
#include "tests/support/write_time.h"
#include "updater/digest_cache.h"
#include "updater/file_time.h"
#include "updater/local_state.h"
#include "updater/release_record.h"
#include "updater/work_folder.h"

namespace zv {
namespace {

using test::readFile;
using test::TempDir;
using test::writeFile;

const std::string kDigest(64, 'a');

DigestCache cacheOf(std::string_view text) {
  DigestCache cache;
  cache.assign(Json::parse(text));
  return cache;
}

TEST(DigestCache, VouchesOnlyForTheSameSizeTimeAndDigest) {
  const DigestCache cache = cacheOf(R"({"a.txt":[5,"130000",")" + kDigest + R"("],)"
                                    R"("str.txt":["5","130000",")" + kDigest + R"("]})");
  EXPECT_TRUE(cache.vouches("a.txt", 5, "130000", kDigest));
  EXPECT_FALSE(cache.vouches("a.txt", 6, "130000", kDigest)) << "size";
  EXPECT_FALSE(cache.vouches("a.txt", 5, "130001", kDigest)) << "time";
  EXPECT_FALSE(cache.vouches("a.txt", 5, "130000", std::string(64, 'b'))) << "digest";
  EXPECT_FALSE(cache.vouches("A.txt", 5, "130000", kDigest)) << "names are compared byte for byte";
  EXPECT_FALSE(cache.vouches("str.txt", 5, "130000", kDigest)) << "a size written as a string";
  EXPECT_FALSE(cache.vouches("missing.txt", 5, "130000", kDigest));

  // A time that could not be read matches nothing, not even an empty entry.
  const DigestCache emptyTime = cacheOf(R"({"a.txt":[5,"",")" + kDigest + R"("]})");
  EXPECT_FALSE(emptyTime.vouches("a.txt", 5, "", kDigest));
}

TEST(DigestCache, RecordReplacesInPlaceAndDumpsAsJsonWould) {
  DigestCache cache = cacheOf(R"({"b":1,"a":[1,"2","x"],"c":"keep"})");
  cache.record("a", 7, "99", kDigest);
  cache.record("new \"one\"", 12345678901234, "-5", kDigest);
  EXPECT_TRUE(cache.vouches("a", 7, "99", kDigest));
  EXPECT_EQ(cache.dump(), R"({"b":1,"a":[7,"99",")" + kDigest + R"("],"c":"keep",)"
                          R"("new \"one\"":[12345678901234,"-5",")" + kDigest + R"("]})");
  // Dumped again after changes at the end, in the middle, and after a removal.
  const std::string before = cache.dump();
  cache.record("last", 1, "2", kDigest);
  EXPECT_EQ(cache.dump(), before.substr(0, before.size() - 1) + R"(,"last":[1,"2",")" + kDigest + R"("]})");
  cache.record("b", 3, "4", kDigest);
  EXPECT_TRUE(cache.dump().starts_with(R"({"b":[3,"4",")" + kDigest + R"("],"a":)"));
  cache.keepOnly({false, true, true, true, true});
  EXPECT_TRUE(cache.dump().starts_with(R"({"a":[7,"99",")"));
}

TEST(LocalState, DamagedOrForeignStateFilesLoadEmpty) {
  TempDir dir;
  LocalState state(dir.path());
  for (const char* text : {"[1,2,3]", "{\"a\":[1,\"2\"", "", "\"text\"", "null"}) {
    writeFile(dir / "cache.json", text);
    writeFile(dir / "addons.json", text);
    state.cacheState.record("stale", 1, "1", kDigest);
    state.addonState.set("stale", Json::object());
    state.loadCacheState();
    state.loadAddonState();
    EXPECT_EQ(state.cacheState.size(), 0u) << text;
    EXPECT_TRUE(state.addonState.isObject() && state.addonState.members().empty()) << text;
  }
}

TEST(LocalState, SavesCacheCompactAndAddonsIndentedInTheirOrder) {
  TempDir dir;
  LocalState state(dir / "deep/work");
  state.cacheState.record("system/a.dat", 3, "42", kDigest);
  state.saveCacheState();
  EXPECT_EQ(readFile(dir / "deep/work/cache.json"), R"({"system/a.dat":[3,"42",")" + kDigest + "\"]}\n");

  state.addonState.set("zeta", Json::object().set("name", "Z"));
  state.addonState.set("alpha", Json::object().set("name", "A"));
  ASSERT_TRUE(state.saveAddonState());
  const std::string saved = readFile(dir / "deep/work/addons.json");
  EXPECT_EQ(saved, state.addonState.dump(true) + "\n");

  LocalState again(dir / "deep/work");
  again.loadCacheState();
  again.loadAddonState();
  EXPECT_TRUE(again.cacheState.vouches("system/a.dat", 3, "42", kDigest));
  ASSERT_EQ(again.addonState.members().size(), 2u);
  EXPECT_EQ(again.addonState.members()[0].key, "zeta");
}

TEST(LocalState, AddonSaveReportsAFileThatCannotBeReplaced) {
  TempDir dir;
  writeFile(dir / "addons.json/blocker", "a folder where the file should be");
  LocalState state(dir.path());
  EXPECT_FALSE(state.saveAddonState());
}

TEST(ReleaseRecord, NothingOlderThanTheHighestAcceptedPerServerAndKey) {
  TempDir work;
  const std::string key(64, 'a');
  const ReleaseRecord record(work.path(), "http://h/u/", key);
  std::string error;
  EXPECT_TRUE(record.admits(0, error) && record.admits(1, error)) << "nothing accepted yet";
  ASSERT_TRUE(record.raise(0));
  EXPECT_TRUE(record.admits(0, error)) << "a release without a sequence sets no mark";
  ASSERT_TRUE(record.raise(7));
  ASSERT_TRUE(record.raise(5));
  EXPECT_EQ(record.highest(), 7) << "never lowered";
  EXPECT_TRUE(record.admits(7, error) && record.admits(8, error)) << "the same release, or a newer one";
  EXPECT_FALSE(record.admits(6, error));
  EXPECT_EQ(error, "release 6 is older than release 7 already accepted from this server");
  EXPECT_FALSE(record.admits(0, error));
  EXPECT_EQ(error, "release without a sequence number is older than release 7 already accepted from this server");

  // The same key in the other letter case is the same series; another
  // address or another key starts its own.
  EXPECT_EQ(ReleaseRecord(work.path(), "http://h/u/", std::string(64, 'A')).highest(), 7);
  EXPECT_EQ(ReleaseRecord(work.path(), "http://h/v/", key).highest(), 0);
  EXPECT_EQ(ReleaseRecord(work.path(), "http://h/u/", std::string(64, 'b')).highest(), 0);

  // Kept apart from the digest cache, which may be damaged or deleted.
  writeFile(work / "cache.json", "[");
  LocalState state(work.path());
  state.loadCacheState();
  state.saveCacheState();
  EXPECT_EQ(record.highest(), 7);
}

TEST(FileTimeText, IsTheWindowsFileTimeAndEmptyForMissingFiles) {
  TempDir dir;
  EXPECT_EQ(fileTimeText(dir / "missing"), "");
  writeFile(dir / "f", "x");
  const std::string written = fileTimeText(dir / "f");
  ASSERT_FALSE(written.empty());
  EXPECT_EQ(written.find_first_not_of("0123456789"), std::string::npos);
  // 100 ns ticks since 1601: the Unix epoch is 11644473600 seconds later.
  const auto sinceUnixEpoch = std::chrono::duration_cast<std::chrono::duration<int64_t, std::ratio<1, 10000000>>>(
      std::chrono::system_clock::now().time_since_epoch());
  const int64_t now = sinceUnixEpoch.count() + 11644473600LL * 10000000LL;
  EXPECT_NEAR(static_cast<double>(std::stoll(written)), static_cast<double>(now), 600e7) << "within a minute";
  // Every tick counts, and the one-query form agrees.
  test::setLastWriteTicks(dir / "f", 133000000001234567LL);
  EXPECT_EQ(fileTimeText(dir / "f"), "133000000001234567");
  FileStat stat;
  ASSERT_TRUE(statRegularFile(dir / "f", stat));
  EXPECT_EQ(stat.size, 1u);
  FileTimeBuffer buffer;
  EXPECT_EQ(fileTimeText(stat.writeTicks, buffer), "133000000001234567");
  EXPECT_FALSE(statRegularFile(dir.path(), stat)) << "a folder is not a client file";
  EXPECT_FALSE(statRegularFile(dir / "missing", stat));
}

TEST(MigrateWorkFolder, MovesTheWholeOldFolderOrOnlyTheStateFilesTheNewOneLacks) {
  TempDir client;
  writeFile(client / ".zarvo_update/cache.json", "{}\n");
  writeFile(client / ".zarvo_update/abc.part", "partial");
  migrateWorkFolder(client.path(), client / "data/new");
  EXPECT_FALSE(std::filesystem::exists(client / ".zarvo_update"));
  EXPECT_EQ(readFile(client / "data/new/cache.json"), "{}\n");
  EXPECT_EQ(readFile(client / "data/new/abc.part"), "partial");

  writeFile(client / ".zarvo_update/cache.json", "old cache");
  writeFile(client / ".zarvo_update/addons.json", "old addons");
  writeFile(client / ".zarvo_update/releases.json", "old releases");
  writeFile(client / ".zarvo_update/abc.part", "partial");
  writeFile(client / "data/upd/cache.json", "new cache");
  migrateWorkFolder(client.path(), client / "data/upd");
  EXPECT_EQ(readFile(client / "data/upd/cache.json"), "new cache");
  EXPECT_EQ(readFile(client / "data/upd/addons.json"), "old addons");
  EXPECT_EQ(readFile(client / "data/upd/releases.json"), "old releases");
  EXPECT_FALSE(std::filesystem::exists(client / ".zarvo_update"));

  // The default folder as the launcher's data folder keeps the player's files.
  writeFile(client / ".zarvo_update/addons.json", "addons");
  writeFile(client / ".zarvo_update/prefs-abc.json", "prefs");
  migrateWorkFolder(client.path(), client / "data/next", client / ".zarvo_update");
  EXPECT_EQ(readFile(client / "data/next/addons.json"), "addons");
  EXPECT_EQ(readFile(client / ".zarvo_update/prefs-abc.json"), "prefs");
}

TEST(MigrateWorkFolder, LeavesTheDefaultFolderAndFoldersInsideItAlone) {
  TempDir client;
  writeFile(client / ".zarvo_update/cache.json", "cache");
  migrateWorkFolder(client.path(), client / ".zarvo_update");
  EXPECT_EQ(readFile(client / ".zarvo_update/cache.json"), "cache");

  // Deleting the old folder would take the new one with it.
  writeFile(client / ".zarvo_update/inner/addons.json", "addons");
  migrateWorkFolder(client.path(), client / ".zarvo_update/inner");
  EXPECT_EQ(readFile(client / ".zarvo_update/inner/addons.json"), "addons");
  EXPECT_EQ(readFile(client / ".zarvo_update/cache.json"), "cache");

  migrateWorkFolder(client.path() / "elsewhere", client / "data/upd");
  EXPECT_FALSE(std::filesystem::exists(client / "data/upd")) << "no old folder, nothing to do";
}

TEST(DeletePartFiles, DeletesOnlyFilesEndingInLowerCasePartOrUnpacking) {
  TempDir dir;
  writeFile(dir / "aa.part", "1");
  writeFile(dir / "aa.unpacking", "1");
  writeFile(dir / "bb.PART", "2");
  writeFile(dir / "cache.json", "3");
  writeFile(dir / "dir.part/inside", "4");
  deletePartFiles(dir.path());
  EXPECT_FALSE(std::filesystem::exists(dir / "aa.part"));
  EXPECT_FALSE(std::filesystem::exists(dir / "aa.unpacking"));
  EXPECT_TRUE(std::filesystem::exists(dir / "bb.PART"));
  EXPECT_TRUE(std::filesystem::exists(dir / "cache.json"));
  EXPECT_TRUE(std::filesystem::exists(dir / "dir.part/inside"));
  deletePartFiles(dir / "missing");  // no folder: nothing happens
}

}  // namespace
}  // namespace zv
