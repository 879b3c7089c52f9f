// Whole update jobs against a release on real servers: every outcome the page
// can be told, the two check modes, "once" files, retired files, resumed
// downloads across jobs and the clean-up at the end.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/file.h"
#include "platform/file_info.h"
#include "tests/integration/update_job_fixture.h"
#include "tests/support/write_time.h"
#include "updater/file_url.h"

namespace zv {
namespace {

using test::DoneEvent;
using test::readFile;
using test::writeFile;

std::string lines(size_t count, const std::string& word) {
  std::string text;
  for (size_t i = 0; i < count; ++i) text += word + " " + std::to_string(i * 104729 % 99991) + "\n";
  return text;
}

using Phases = std::vector<std::string>;

class UpdateJobTest : public test::UpdateJobFixture {
 protected:
  // A small client: three files, one of them in a folder.
  void publishClient() {
    release_->addFile("system/L2.exe", lines(3000, "exe"));
    release_->addFile("system/Option.txt", lines(10, "option"));
    release_->addFile("readme.txt", lines(50, "readme"));
    release_->publish();
  }

  void expectClientMatchesRelease() {
    const Json document = release_->document();
    for (const Json& file : document.get("files").elements()) {
      const std::string path(file.get("path").text());
      EXPECT_EQ(test::sha256Hex(readFile(clientFile(path))), file.get("sha256").text()) << path;
    }
  }

  void expectDone(const DoneEvent& result, bool ok, bool canPlay, const std::string& code,
                  const std::string& detail) {
    EXPECT_EQ(result.ok, ok);
    EXPECT_EQ(result.canPlay, canPlay);
    EXPECT_EQ(result.code, code);
    EXPECT_EQ(result.detail, detail);
  }

  // Changes a file's bytes but keeps its size and modification time, as a
  // damaged disk or a careless tool could.
  void corruptKeepingTime(const std::string& path) {
    const auto full = clientFile(path);
    const int64_t time = test::lastWriteTicksOf(full);
    std::string bytes = readFile(full);
    bytes[0] = bytes[0] == 'X' ? 'Y' : 'X';
    writeFile(full, bytes);
    test::setLastWriteTicks(full, time);
  }
};

TEST_F(UpdateJobTest, FreshClientIsUpdatedThenUpToDate) {
  publishClient();
  expectDone(runJob(), true, true, "updated", "");
  EXPECT_EQ(phases, (Phases{"manifest", "check", "download"}));
  EXPECT_EQ(manifests, (std::vector<std::string>{"test"}));
  EXPECT_EQ(job_->build(), "test");
  expectClientMatchesRelease();
  ASSERT_FALSE(progress.empty());
  const Progress& last = progress.back();
  EXPECT_EQ(last.phase, "download");
  EXPECT_EQ(last.filesDone, 3);
  EXPECT_EQ(last.bytesDone, last.bytesTotal);

  expectDone(runJob(), true, true, "uptodate", "");
  EXPECT_EQ(phases, (Phases{"manifest", "check"}));
  const Progress& check = progress.back();
  EXPECT_EQ(check.phase, "check");
  EXPECT_EQ(check.filesDone, 3) << "the last file's check is always reported";
  for (const auto& entry : std::filesystem::directory_iterator(workFolder())) {
    EXPECT_NE(entry.path().extension(), ".part") << "downloads are cleaned up";
  }
}

TEST_F(UpdateJobTest, CheckTrustsTheCacheAndRepairHashesEverything) {
  publishClient();
  expectDone(runJob(), true, true, "updated", "");
  corruptKeepingTime("readme.txt");

  // Same size, same time: the cache vouches for the file, nothing is read.
  expectDone(runJob(CheckMode::Check), true, true, "uptodate", "");
  EXPECT_NE(test::sha256Hex(readFile(clientFile("readme.txt"))), release_->document().get("files").at(2).get("sha256").text());

  expectDone(runJob(CheckMode::Repair), true, true, "updated", "");
  EXPECT_EQ(phases, (Phases{"manifest", "check", "download"}));
  // Hashed on several threads, reported file after file in manifest order.
  uint32_t filesDone = 0;
  uint64_t bytesDone = 0;
  std::string last;
  for (const Progress& event : progress) {
    if (event.phase != "check") continue;
    EXPECT_GT(event.filesDone, filesDone);
    EXPECT_GT(event.bytesDone, bytesDone);
    EXPECT_EQ(event.filesTotal, 3u);
    filesDone = event.filesDone;
    bytesDone = event.bytesDone;
    last = event.file;
  }
  EXPECT_EQ(filesDone, 3u);
  EXPECT_EQ(last, "readme.txt");
  expectClientMatchesRelease();
  expectDone(runJob(CheckMode::Repair), true, true, "uptodate", "");
}

TEST_F(UpdateJobTest, ChangedTimeOrDamagedCacheMakesTheCheckHashAgain) {
  publishClient();
  expectDone(runJob(), true, true, "updated", "");
  // Same size, new time: hashed, found wrong, fetched.
  std::string bytes = readFile(clientFile("readme.txt"));
  bytes[0] = 'X';
  writeFile(clientFile("readme.txt"), bytes);
  test::setLastWriteTicks(clientFile("readme.txt"), test::lastWriteTicksOf(clientFile("readme.txt")) + 36000000000LL);
  expectDone(runJob(), true, true, "updated", "");
  expectClientMatchesRelease();

  // A damaged cache costs hashing, not correctness; the next save repairs it.
  writeFile(workFolder() / "cache.json", "[\"not an object\"");
  corruptKeepingTime("system/Option.txt");
  expectDone(runJob(), true, true, "updated", "");
  expectClientMatchesRelease();
  EXPECT_TRUE(Json::parse(readFile(workFolder() / "cache.json")).isObject());

  // Entries of files the release does not name are dropped with the save.
  std::string cache = readFile(workFolder() / "cache.json");
  writeFile(workFolder() / "cache.json", cache.insert(1, R"("gone/old.bin":[1,"1","00"],)"));
  expectDone(runJob(), true, true, "uptodate", "");
  const Json saved = Json::parse(readFile(workFolder() / "cache.json"));
  EXPECT_TRUE(saved.get("readme.txt").isArray());
  EXPECT_TRUE(saved.get("gone/old.bin").isNull());

  // A cache over the size limit, however valid, is not read.
  cache = readFile(workFolder() / "cache.json");
  writeFile(workFolder() / "cache.json", cache.insert(1, std::string(kMaxTextFileBytes, ' ')));
  corruptKeepingTime("readme.txt");
  expectDone(runJob(), true, true, "updated", "");
  expectClientMatchesRelease();
}

TEST_F(UpdateJobTest, OnceFilesOnlyHaveToExist) {
  release_->addFile("system/user.ini", "defaults\n", {"", true, {}});
  release_->publish();
  expectDone(runJob(), true, true, "updated", "");
  EXPECT_EQ(readFile(clientFile("system/user.ini")), "defaults\n");

  writeFile(clientFile("system/user.ini"), "the player's own settings, any size\n");
  expectDone(runJob(CheckMode::Check), true, true, "uptodate", "");
  expectDone(runJob(CheckMode::Repair), true, true, "uptodate", "");
  EXPECT_EQ(readFile(clientFile("system/user.ini")), "the player's own settings, any size\n");
}

TEST_F(UpdateJobTest, RetiredFilesAreDeletedButFoldersMissingOnesAndTheLaunchersOwnChangeNothing) {
  release_->addFile("keep.txt", "keep");
  release_->removePath("ZarvoLauncher.json");
  release_->removePath(".zarvo_update/cache.json");
  release_->removePath("old/patch.dll");
  release_->removePath("old/folder");
  release_->removePath("never/there.txt");
  release_->publish();
  writeFile(clientFile("keep.txt"), "keep");
  writeFile(clientFile("old/folder/inside.txt"), "a folder is never retired");
  expectDone(runJob(), true, true, "uptodate", "") ;

  writeFile(clientFile("old/patch.dll"), "retired");
  // Read-only, as a client installed from a disc is: retired all the same.
  std::filesystem::permissions(clientFile("old/patch.dll"), std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
  writeFile(clientFile("ZarvoLauncher.json"), "{}");
  expectDone(runJob(), true, true, "updated", "");
  EXPECT_FALSE(std::filesystem::exists(clientFile("old/patch.dll")));
  EXPECT_TRUE(std::filesystem::exists(clientFile("ZarvoLauncher.json")));
  EXPECT_TRUE(std::filesystem::exists(workFolder() / "cache.json"));
  EXPECT_TRUE(std::filesystem::exists(clientFile("old/folder/inside.txt")));
}

// A release turns a file into a folder, the next one the folder back into a
// file: each retires what stands in the new file's way.
TEST_F(UpdateJobTest, RetiredFilesAndThoseOfTheReleaseBeforeMakeWayForAFolderOrAFile) {
  const auto publishOnly = [&](const std::string& path, const std::string& content, const std::string& retired) {
    release_.emplace(published_->path());
    release_->addFile(path, content);
    if (!retired.empty()) release_->removePath(retired);
    release_->publish();
  };
  release_->addFile("data/x", "a file");
  release_->publish();
  expectDone(runJob(), true, true, "updated", "");
  publishOnly("data/x/y", "a file in a folder", "data/x");
  expectDone(runJob(), true, true, "updated", "");
  publishOnly("data/x", "a file again", "data/x/y");
  expectDone(runJob(), true, true, "updated", "");
  EXPECT_EQ(readFile(clientFile("data/x")), "a file again");

  // Without the remove list the files of the release before go all the
  // same; a file of the player's own in the way stays and is named.
  publishOnly("data/x/y", "a file in a folder", "");
  expectDone(runJob(), true, true, "updated", "");
  writeFile(clientFile("data/x/mine.txt"), "the player's own");
  publishOnly("data/x", "a file", "");
  const std::string full = pathToUtf8(clientFile("data/x"));
  expectDone(runJob(), false, true, "failed", "data/x: cannot replace " + full + " (a folder is in its place)");
  EXPECT_FALSE(std::filesystem::exists(clientFile("data/x/y")));
  EXPECT_EQ(readFile(clientFile("data/x/mine.txt")), "the player's own");
}

TEST_F(UpdateJobTest, ManifestFailuresLeaveTheClientPlayable) {
  publishClient();
  config_.publicKey = test::TestKey(99).publicKeyHex();
  expectDone(runJob(), false, true, "badsig", "manifest signature does not match");
  EXPECT_EQ(phases, (Phases{"manifest"}));
  EXPECT_TRUE(manifests.empty());

  config_.publicKey = test::TestKey().publicKeyHex();
  release_->publishText(R"({"format":1,"files":[{"path":"../escape.txt","size":1,"sha256":")" +
                        std::string(64, '0') + R"(","packed":1}]})");
  expectDone(runJob(), false, true, "badmanifest", "unsafe path in manifest: ../escape.txt");
  release_->publishText("{\"format\":");
  EXPECT_EQ(runJob().code, "badmanifest");
  release_->publishText(std::string(kMaxTextBytes + 1, ' '));
  expectDone(runJob(), false, true, "badmanifest", "manifest is too large");
  // A network's login page answers in the update server's place.
  const std::string portal = "<html><body>Please sign in to use this network</body></html>\n";
  writeFile(release_->folder() / "manifest.json", portal);
  writeFile(release_->folder() / "manifest.sig", portal);
  expectDone(runJob(), false, true, "offline",
             "the answer from " + config_.updateUrl + "manifest.sig is not a signature");

  serveFault("status-404");
  expectDone(runJob(), false, true, "offline", "HTTP 404 " + config_.updateUrl + "manifest.json");
  EXPECT_TRUE(job_->build().empty());
  EXPECT_FALSE(std::filesystem::exists(clientFile("readme.txt")));
}

TEST_F(UpdateJobTest, AJobWaitsForAnotherOnTheSameFolderThenGivesUp) {
  publishClient();
  // The other launcher reaches the folder through a path of its own.
  const test::TempDir elsewhere;
  std::error_code ec;
  std::filesystem::create_directory_symlink(client_.path(), elsewhere / "client", ec);
  if (ec) GTEST_SKIP() << "no symbolic links here: " << ec.message();
  FolderLock other;
  std::string error;
  ASSERT_EQ(other.tryTake(elsewhere / "client/.zarvo_update/job.lock", error), FolderLock::Outcome::Taken) << error;

  clock_.onSleep = [&] {
    if (clock_.sleeps.size() == 3) other.release();
  };
  expectDone(runJob(), true, true, "updated", "");
  EXPECT_EQ(clock_.sleeps, (std::vector<unsigned>{200, 200, 200})) << "polled until the other let go";
  expectClientMatchesRelease();

  job_.reset();  // the lock lasts as long as the job
  ASSERT_EQ(other.tryTake(elsewhere / "client/.zarvo_update/job.lock", error), FolderLock::Outcome::Taken) << error;
  clock_.onSleep = nullptr;
  expectDone(runJob(), false, true, "failed", "another launcher is working on this client folder");
  EXPECT_GE(clock_.slept(), 15 * 60.0);
  EXPECT_EQ(phases, Phases{}) << "nothing read before the folder is ours";
}

TEST_F(UpdateJobTest, MissingSettingsFetchNothing) {
  const std::string noconfig = "updateUrl / publicKey missing in ZarvoLauncher.json";
  serveFault("status-404");
  const std::string counted = config_.updateUrl + "manifest.json";
  config_.publicKey.pop_back();
  expectDone(runJob(), false, true, "noconfig", noconfig);
  config_ = LauncherConfig();
  config_.publicKey = test::TestKey().publicKeyHex();
  expectDone(runJob(), false, true, "noconfig", noconfig);
  EXPECT_EQ(requestsForUrl(counted), 0u);
}

TEST_F(UpdateJobTest, BusyManifestIsWaitedForAndBothDocumentsFetchedAgain) {
  publishClient();
  serveFault("busy-503-1");  // each document answers 503 once
  expectDone(runJob(), true, true, "updated", "");
  // The packed files answer 503 once each as well.
  ASSERT_GE(phases.size(), 6u);
  EXPECT_EQ(Phases(phases.begin(), phases.begin() + 6),
            (Phases{"manifest", "queue", "manifest", "queue", "manifest", "check"}));
  EXPECT_EQ(requestsForUrl(config_.updateUrl + "manifest.json"), 3u);
  EXPECT_EQ(requestsForUrl(config_.updateUrl + "manifest.sig"), 2u);
  expectClientMatchesRelease();

  // What the player does while the job waits in the queue counts: a file
  // deleted meanwhile is missing when the check looks, and is fetched.
  serveFault("busy-429-1");
  clock_.onSleep = [&] {
    // The fake wait passes at once; the player's moment comes only after
    // the job's early look at the folder, as in a real wait.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    std::filesystem::remove(clientFile("readme.txt"));
    clock_.onSleep = nullptr;
  };
  expectDone(runJob(), true, true, "updated", "");
  expectClientMatchesRelease();
}

TEST_F(UpdateJobTest, AReleaseSwitchBetweenTheTwoDocumentsIsNoBadSignature) {
  // The server switches to the next release after the first manifest.json
  // went out and before its manifest.sig is asked for.
  publishClient();
  const std::string first = readFile(release_->folder() / "manifest.json");
  release_->setBuild("next");
  release_->publish();
  std::filesystem::rename(release_->folder() / "manifest.json", release_->folder() / "manifest.json.next");
  writeFile(release_->folder() / "manifest.json", first);
  serveFault("swap-1@manifest.json");
  expectDone(runJob(), true, true, "updated", "");
  EXPECT_EQ(manifests, (std::vector<std::string>{"next"}));
  expectClientMatchesRelease();
}

TEST_F(UpdateJobTest, CancelDuringTheCheckLeavesTheClientPlayable) {
  publishClient();
  expectDone(runJob(), true, true, "updated", "");
  std::filesystem::remove(workFolder() / "cache.json");
  cancelAtProgress = [](const Progress& event) { return event.phase == "check"; };
  expectDone(runJob(), false, true, "cancelled", "");
  EXPECT_TRUE(std::filesystem::exists(workFolder() / "cache.json")) << "what was hashed is kept";
}

TEST_F(UpdateJobTest, CancelDuringDownloadsForbidsPlaying) {
  publishClient();
  cancelAtPhase = "download";
  expectDone(runJob(), false, false, "cancelled", "cancelled");

  // Cancelled in the middle of a transfer: the message names the file and
  // the part stays for the next job.
  cancelAtPhase.clear();
  serveFault("trickle-20");
  cancelAtProgress = [](const Progress& event) {
    return event.phase == "download" && event.bytesDone > 0;
  };
  const DoneEvent result = runJob();
  expectDone(result, false, false, "cancelled", "system/L2.exe: cancelled");
}

TEST_F(UpdateJobTest, PartOfACancelledJobIsResumedByTheNext) {
  release_->addFile("big.dat", lines(40000, "big"), {"", false, {4096, true}});
  release_->publish();
  const ManifestFile big = entryOf("big.dat");
  serveFault("trickle-5");
  cancelAtProgress = [](const Progress& event) {
    return event.phase == "download" && event.bytesDone >= 20000;
  };
  EXPECT_EQ(runJob().code, "cancelled");
  uint64_t kept = 0;
  ASSERT_TRUE(fileSize(partPath(workFolder(), big), kept));
  ASSERT_GT(kept, 0u);

  cancelAtProgress = nullptr;
  serveFrom(servers_.nginx);
  expectDone(runJob(CheckMode::Repair), true, true, "updated", "");
  const auto first = std::find_if(progress.begin(), progress.end(), [](const Progress& e) {
    return e.phase == "download" && e.bytesDone > 0;
  });
  ASSERT_NE(first, progress.end());
  EXPECT_GE(first->bytesDone, static_cast<double>(kept)) << "resumed where the first job stopped";
  expectClientMatchesRelease();
  EXPECT_FALSE(std::filesystem::exists(partPath(workFolder(), big)));
}

TEST_F(UpdateJobTest, FailedDownloadKeepsWhatWasDoneAndTheOldParts) {
  publishClient();
  std::filesystem::remove(release_->packedPath("system/Option.txt"));
  writeFile(workFolder() / "stale.part", "left by an earlier job");
  expectDone(runJob(), false, true, "failed", "system/Option.txt: HTTP 404");
  EXPECT_EQ(readFile(clientFile("system/L2.exe")), lines(3000, "exe")) << "files before the failure stay";
  EXPECT_FALSE(std::filesystem::exists(clientFile("readme.txt"))) << "files after it were not touched";
  EXPECT_TRUE(std::filesystem::exists(workFolder() / "stale.part")) << "no clean-up after a failure";
  const Json cache = Json::parse(readFile(workFolder() / "cache.json"));
  EXPECT_TRUE(cache.get("system/L2.exe").isArray()) << "the cache knows the installed file";
}

TEST_F(UpdateJobTest, SuccessfulJobSweepsLeftoverPartsOnly) {
  publishClient();
  writeFile(workFolder() / (std::string(64, 'e') + ".part"), "any digest");
  writeFile(workFolder() / "other.PART", "upper case stays");
  expectDone(runJob(), true, true, "updated", "");
  EXPECT_FALSE(std::filesystem::exists(workFolder() / (std::string(64, 'e') + ".part")));
  EXPECT_TRUE(std::filesystem::exists(workFolder() / "other.PART"));
}

TEST_F(UpdateJobTest, ConfiguredWorkFolderReceivesTheOldState) {
  publishClient();
  expectDone(runJob(), true, true, "updated", "");
  config_.workDir = "data/upd";
  corruptKeepingTime("readme.txt");
  // The cache moved along, so the check still trusts it.
  expectDone(runJob(), true, true, "uptodate", "");
  EXPECT_FALSE(std::filesystem::exists(workFolder()));
  EXPECT_TRUE(std::filesystem::exists(clientFile("data/upd/cache.json")));

  // State copied from a disc is read-only, the lock file included: the
  // folder is locked all the same.
  std::filesystem::permissions(clientFile("data/upd/job.lock"), std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
  expectDone(runJob(), true, true, "uptodate", "");
}

// Download passes with several files in flight at once.
class ParallelPassTest : public UpdateJobTest {
 protected:
  // count files of size bytes, each its own, stored raw: every download is
  // the file and a short header.
  void publishFiles(size_t count, size_t size = 30000) {
    for (size_t i = 0; i < count; ++i) {
      const std::string content = lines(size / 8, "file" + std::to_string(i)).substr(0, size);
      release_->addFile(name(i), content, {"", false, {65536, true}});
    }
    release_->publish();
  }
  static std::string name(size_t i) { return "data/file" + std::to_string(i) + ".bin"; }

  // The sizes of the downloads the work folder holds.
  std::vector<uint64_t> partSizes() const {
    std::vector<uint64_t> sizes;
    for (const auto& entry : std::filesystem::directory_iterator(workFolder())) {
      // <digest>.part, not what unpacks it as it arrives (<digest>.unpacking.part)
      if (entry.path().extension() == ".part" && !entry.path().stem().has_extension()) {
        sizes.push_back(entry.file_size());
      }
    }
    return sizes;
  }
  void expectNoNewFileLeft() {
    for (const auto& entry : std::filesystem::recursive_directory_iterator(client_.path())) {
      EXPECT_NE(entry.path().extension(), ".zvnew") << entry.path();
    }
  }
};

TEST_F(ParallelPassTest, CutTransfersAreResumedAndProgressAddsUpOverAllOfThem) {
  transfersAtOnce(8);
  publishFiles(12);
  const ManifestFile first = entryOf(name(0));
  // Every answer stops after a third of a file: each needs all three attempts.
  serveFault("cut-" + std::to_string(first.packed / 3 + 1));
  expectDone(runJob(), true, true, "updated", "");
  expectClientMatchesRelease();
  for (size_t i = 0; i < 12; ++i) EXPECT_EQ(requestsFor(entryOf(name(i))), 3u) << name(i);

  uint32_t filesDone = 0;
  double bytesDone = 0;
  for (const Progress& event : progress) {
    if (event.phase != "download") continue;
    EXPECT_GE(event.filesDone, filesDone);
    EXPECT_GE(event.bytesDone, bytesDone);
    EXPECT_EQ(event.filesTotal, 12u);
    EXPECT_EQ(event.bytesTotal, 12 * first.packed);
    EXPECT_TRUE(event.file.starts_with("data/file")) << event.file;
    filesDone = event.filesDone;
    bytesDone = event.bytesDone;
  }
  EXPECT_EQ(filesDone, 12u);
  EXPECT_EQ(bytesDone, 12 * first.packed);
}

TEST_F(ParallelPassTest, ABusyAnswerToOneTransferPausesThePassOnceAndCostsNoAttempt) {
  transfersAtOnce(8);
  publishFiles(10);
  serveFault("busy-503-1@file3.");
  expectDone(runJob(), true, true, "updated", "");
  EXPECT_EQ(phases, (Phases{"manifest", "check", "download", "queue", "download"}));
  EXPECT_EQ(clock_.slept(), 5) << "one wait for the pass";
  EXPECT_EQ(requestsFor(entryOf(name(3))), 2u);
  EXPECT_EQ(requestsFor(entryOf(name(4))), 1u);
  expectClientMatchesRelease();
}

TEST_F(ParallelPassTest, EightSlowTransfersStopAtACancelOrTheFirstFailureAndKeepTheirParts) {
  transfersAtOnce(8);
  publishFiles(10, 300000);
  serveFault("trickle-20@files/");  // 1 KiB of every packed file per 20 ms
  // Cancelled once all eight have a download in the work folder: with fewer
  // transfers at once it would never come to that, and the job would finish.
  cancelAtProgress = [this](const Progress& event) { return event.phase == "download" && partSizes().size() == 8; };
  DoneEvent result = runJob();
  EXPECT_EQ(result.code, "cancelled");
  EXPECT_FALSE(result.canPlay);
  EXPECT_TRUE(result.detail.ends_with("cancelled")) << result.detail;
  EXPECT_EQ(partSizes().size(), 8u);
  expectNoNewFileLeft();

  // One of the eight is gone: its third 404 ends the job, and the seven
  // that resumed are stopped, not waited for.
  cancelAtProgress = nullptr;
  const std::filesystem::path gone = release_->packedPath(name(5));
  std::filesystem::rename(gone, withSuffix(gone, ".away"));
  expectDone(runJob(), false, true, "failed", name(5) + ": HTTP 404");
  EXPECT_EQ(requestsFor(entryOf(name(5))), 4u) << "one in the first job, three here";
  EXPECT_EQ(partSizes().size(), 8u);
  expectNoNewFileLeft();

  std::filesystem::rename(withSuffix(gone, ".away"), gone);
  serveFrom(servers_.nginx);
  expectDone(runJob(), true, true, "updated", "");
  expectClientMatchesRelease();
}

}  // namespace
}  // namespace zv
