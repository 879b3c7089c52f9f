// Downloading single files against real servers: resume, attempts, busy
// servers, damaged downloads and servers that send too much.

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/file.h"
#include "platform/file_info.h"
#include "updater/file_time.h"
#include "updater/file_url.h"
#include "tests/integration/update_job_fixture.h"
#include "tests/support/tiny_disk.h"
#include "updater/chunk_patch.h"
#include "updater/file_url.h"
#include "updater/packed_file.h"

namespace zv {
namespace {

using test::readFile;
using test::writeFile;

// Text that compresses, different on every line.
std::string content(size_t lines) {
  std::string text;
  for (size_t i = 0; i < lines; ++i) text += "line " + std::to_string(i * 7919 % 100003) + " of the file\n";
  return text;
}

class DownloadTest : public test::UpdateJobFixture {
 protected:
  // Publishes a file and returns its entry; the release needs no manifest
  // for the file pass.
  ManifestFile publish(const std::string& path, const std::string& bytes, const test::FileOptions& options = {}) {
    release_->addFile(path, bytes, options);
    return entryOf(path);
  }

  // The job's file pass over this one file, which is not on disk yet.
  bool download(const ManifestFile& file, std::string& error) {
    UpdateJob& job = job_ ? *job_ : newJob();
    PassOutcome outcome;
    const bool ok = job.bringInLine({file}, CheckMode::Check, PassPhases{"", "download"}, outcome);
    error = failureText(outcome.failure);
    return ok;
  }

  std::filesystem::path partOf(const ManifestFile& file) const { return partPath(workFolder(), file); }
  // The length of a chunk's data in a packed file.
  static uint32_t chunkDataLength(const std::string& packed, size_t chunk) {
    const auto* word = reinterpret_cast<const uint8_t*>(packed.data()) + kPackedHeaderSize + 4 * chunk;
    return readLittleEndian32(word) & ~kRawChunkFlag;
  }
  // Body bytes the fault server sent for an address it served.
  uint64_t sentFor(const std::string& url) {
    std::string count;
    Failure failure;
    EXPECT_TRUE(makeFetcher()->getText(servers_.fault + "/_sent" + url.substr(servers_.fault.size()), count, failure))
        << failureText(failure);
    return std::stoull("0" + count);
  }
  std::string packedBytes(const ManifestFile& file) const {
    return readFile(release_->packedPath(file.source.empty() ? file.path : file.source));
  }
};

TEST_F(DownloadTest, InstallsTheFileRecordsItAndLeavesNoPart) {
  const std::string bytes = content(5000);
  const ManifestFile file = publish("system/My File #1.dat", bytes, {"bin/\xC5\xBD file%.bin", false, {4096, false}});
  // Unpacked as it arrives, in the work folder: what blocks an unpacking
  // from the finished part beside the target does not matter.
  std::filesystem::create_directories(withSuffix(clientFile(file.path), ".zvnew"));
  std::string error;
  ASSERT_TRUE(download(file, error)) << error;
  EXPECT_EQ(readFile(clientFile(file.path)), bytes);
  EXPECT_FALSE(std::filesystem::exists(partOf(file)));
  EXPECT_FALSE(std::filesystem::exists(unpackingPath(workFolder(), file)));
  uint64_t size = 0;
  ASSERT_TRUE(fileSize(clientFile(file.path), size));
  const Json cached = Json::parse(readFile(workFolder() / "cache.json")).get(file.path);
  EXPECT_EQ(cached.dump(), Json::parse(R"([)" + std::to_string(size) + R"(,")" + fileTimeText(clientFile(file.path)) +
                                       R"(",")" + file.sha256 + R"("])").dump());
  for (const Progress& event : progress) {
    EXPECT_LE(event.bytesDone, static_cast<double>(file.packed));
    EXPECT_EQ(event.phase, "download");
  }
}

TEST_F(DownloadTest, CompletePartIsInstalledWithoutARequest) {
  const ManifestFile file = publish("a.txt", content(100));
  writeFile(partOf(file), packedBytes(file));
  serveFault("status-404");  // any request would fail
  std::string error;
  ASSERT_TRUE(download(file, error)) << error;
  EXPECT_EQ(readFile(clientFile("a.txt")), content(100));
  EXPECT_EQ(requestsFor(file), 0u);
}

TEST_F(DownloadTest, PartialPartIsResumedAndAnOverlongOneStartsOver) {
  const ManifestFile file = publish("a.txt", content(20000), {"", false, {4096, true}});
  const std::string packed = packedBytes(file);
  for (const std::string& server : {servers_.nginx, servers_.fault}) {
    serveFrom(server);
    std::filesystem::remove(clientFile("a.txt"));
    writeFile(partOf(file), packed.substr(0, packed.size() / 2));
    std::string error;
    ASSERT_TRUE(download(file, error)) << error;
    EXPECT_EQ(readFile(clientFile("a.txt")), content(20000));
    // After the pass's own event at 0, the transfer's first one.
    ASSERT_GE(progress.size(), 2u);
    EXPECT_GE(progress[1].bytesDone, packed.size() / 2) << "resumed, not restarted";
    progress.clear();
  }
  std::filesystem::remove(clientFile("a.txt"));
  writeFile(partOf(file), packed + "junk");
  std::string error;
  ASSERT_TRUE(download(file, error)) << error;
  for (const Progress& event : progress) EXPECT_LE(event.bytesDone, packed.size()) << "counted from byte 0";
}

TEST_F(DownloadTest, LinksPlantedAsTemporaryFilesAreReplacedNotFollowed) {
  const ManifestFile file = publish("a.txt", content(200));
  const test::TempDir outside;
  const std::string packed = packedBytes(file);
  writeFile(outside / "part", packed.substr(0, packed.size() / 2));
  writeFile(outside / "new", "outside");
  std::filesystem::create_directories(workFolder());
  std::error_code ec;
  std::filesystem::create_symlink(outside / "part", partOf(file), ec);
  std::filesystem::create_symlink(outside / "new", withSuffix(clientFile("a.txt"), ".zvnew"), ec);
  std::filesystem::create_symlink(outside / "new", unpackingPath(workFolder(), file), ec);
  if (ec) GTEST_SKIP() << "no symbolic links here: " << ec.message();
  serveFault("norange");  // counts requests

  std::string error;
  ASSERT_TRUE(download(file, error)) << error;
  EXPECT_EQ(readFile(clientFile("a.txt")), content(200));
  EXPECT_EQ(readFile(outside / "part"), packed.substr(0, packed.size() / 2)) << "a linked part is not resumed";
  EXPECT_EQ(readFile(outside / "new"), "outside");
  EXPECT_EQ(requestsFor(file), 1u);
}

TEST_F(DownloadTest, ServerIgnoringTheRangeStillGivesTheRightFile) {
  const ManifestFile file = publish("a.txt", content(20000), {"", false, {4096, true}});
  const std::string packed = packedBytes(file);
  writeFile(partOf(file), packed.substr(0, 1000));
  serveFault("norange");
  std::string error;
  ASSERT_TRUE(download(file, error)) << error;
  EXPECT_EQ(readFile(clientFile("a.txt")), content(20000));
}

TEST_F(DownloadTest, BodyCutShortIsResumedByTheNextAttempt) {
  const ManifestFile file = publish("a.txt", content(20000), {"", false, {4096, true}});
  // Every answer stops after a third of the file; three attempts reach the end.
  serveFault("cut-" + std::to_string(file.packed / 3 + 1));
  std::string error;
  ASSERT_TRUE(download(file, error)) << error;
  EXPECT_EQ(readFile(clientFile("a.txt")), content(20000));
  EXPECT_EQ(requestsFor(file), 3u);
}

TEST_F(DownloadTest, ThreeAnswers404EndTheFileNamingItsPath) {
  const ManifestFile file = publish("system/L2.ini", "ini", {"server/L2.ini", false, {}});
  serveFault("status-404");
  std::string error;
  EXPECT_FALSE(download(file, error));
  EXPECT_EQ(error, "system/L2.ini: HTTP 404");
  EXPECT_EQ(requestsFor(file), 3u);
  EXPECT_FALSE(std::filesystem::exists(clientFile("system/L2.ini")));
}

TEST_F(DownloadTest, BusyServerCostsAWaitButNoAttempt) {
  const ManifestFile file = publish("a.txt", content(10));
  serveFault("busy-503-3");
  std::string error;
  ASSERT_TRUE(download(file, error)) << error;
  EXPECT_EQ(requestsFor(file), 4u) << "three busy answers, then the file: more than three requests";
  EXPECT_EQ(std::count(phases.begin(), phases.end(), "queue"), 3);
  EXPECT_EQ(clock_.slept(), 5 + 10 + 20) << "the fake clock adds no jitter";
}

TEST_F(DownloadTest, CancelDuringAQueueWaitGivesTheBusyAnswer) {
  const ManifestFile file = publish("a.txt", content(10));
  serveFault("status-503");
  newJob();
  clock_.onSleep = [this] { job_->requestCancel(); };
  std::string error;
  EXPECT_FALSE(download(file, error));
  EXPECT_EQ(error, "a.txt: HTTP 503");
  EXPECT_EQ(clock_.sleeps.size(), 1u) << "the wait stopped at the first 200 ms step";
  EXPECT_EQ(requestsFor(file), 1u);
}

TEST_F(DownloadTest, ServerSendingPastThePackedSizeIsStoppedAndRetried) {
  const ManifestFile file = publish("a.txt", content(2000));
  serveFault("endless");  // the file, then filler until the client leaves
  std::string error;
  EXPECT_FALSE(download(file, error));
  EXPECT_EQ(error, "a.txt: download size does not match");
  EXPECT_FALSE(std::filesystem::exists(partOf(file)));
  EXPECT_EQ(requestsFor(file), 3u);
  for (const Progress& event : progress) EXPECT_LE(event.bytesDone, static_cast<double>(file.packed));
}

TEST_F(DownloadTest, DamagedPartIsDeletedAndDownloadedAgain) {
  const ManifestFile file = publish("a.txt", content(3000), {"", false, {1024, false}});
  std::string damaged = packedBytes(file);
  damaged[damaged.size() - 10] ^= 0x55;  // inside the last chunk's zlib stream
  writeFile(partOf(file), damaged);
  serveFault("norange");  // counts requests
  std::string error;
  ASSERT_TRUE(download(file, error)) << error;
  EXPECT_EQ(readFile(clientFile("a.txt")), content(3000));
  EXPECT_EQ(requestsFor(file), 1u);
}

TEST_F(DownloadTest, WrongFileOnTheServerFailsAfterThreeAttempts) {
  ManifestFile file = publish("a.txt", content(100));
  file.sha256 = test::sha256Hex("what the manifest promised");
  serveFault("norange");
  std::string error;
  EXPECT_FALSE(download(file, error));
  EXPECT_EQ(error, "a.txt: checksum mismatch after download");
  EXPECT_EQ(requestsFor(file), 3u);
  EXPECT_FALSE(std::filesystem::exists(partOf(file)));
  EXPECT_FALSE(std::filesystem::exists(clientFile("a.txt")));
}

TEST_F(DownloadTest, EmptyPackedSizeNeverReachesTheServer) {
  ManifestFile file = publish("a.txt", "x");
  file.packed = 0;
  serveFault("norange");
  std::string error;
  EXPECT_FALSE(download(file, error));
  EXPECT_EQ(error, "a.txt: the manifest's packed size 0 is too small for a packed file");
  EXPECT_EQ(requestsFor(file), 0u);
}

TEST_F(DownloadTest, ADiskThatFillsUpDuringTheDownloadStopsAtOnceAndGetsItsSpaceBack) {
  const ManifestFile file = publish("a.txt", content(20000), {"", false, {4096, true}});
  serveFault("norange");  // counts requests
  const test::TinyDisk disk(workFolder(), 64);
  if (!disk.mounted()) fetcher_->limitFileBytes(static_cast<uint64_t>(file.packed) / 2);
  std::string error;
  EXPECT_FALSE(download(file, error));
  EXPECT_EQ(error, "a.txt: not enough disk space for " + pathToUtf8(partOf(file)));
  EXPECT_EQ(requestsFor(file), 1u) << "not retried like a network fault";
  EXPECT_FALSE(std::filesystem::exists(partOf(file)));
}

TEST_F(DownloadTest, ADiskThatFillsUpDuringTheUnpackKeepsTheWholeDownload) {
  const ManifestFile file = publish("game/big.bin", content(20000));
  serveFault("norange");
  const test::TinyDisk disk(clientFile("game"), 64);
  if (!disk.mounted()) GTEST_SKIP() << disk.why();
  std::string error;
  EXPECT_FALSE(download(file, error));
  EXPECT_EQ(error, "game/big.bin: not enough disk space for " + pathToUtf8(clientFile("game/big.bin")));
  EXPECT_EQ(requestsFor(file), 1u) << "the good download is neither deleted nor fetched again";
  EXPECT_EQ(readFile(partOf(file)), packedBytes(file));
  EXPECT_FALSE(std::filesystem::exists(clientFile("game/big.bin.zvnew")));
}

TEST_F(DownloadTest, WhatStandsInTheTargetsPlaceStopsAtOnceKeepsThePartAndIsNamed) {
  const ManifestFile file = publish("game/locked.dll", content(50));
  writeFile(clientFile("game/locked.dll/inside"), "a folder in the way");
  serveFault("norange");
  std::string error;
  EXPECT_FALSE(download(file, error));
  EXPECT_EQ(error, "game/locked.dll: cannot replace " + pathToUtf8(clientFile("game/locked.dll")) +
                       " (a folder is in its place)");
  EXPECT_EQ(requestsFor(file), 1u);
  EXPECT_EQ(readFile(partOf(file)), packedBytes(file)) << "kept for the next job";

  const ManifestFile deeper = publish("data/maps/a.map", content(60));
  writeFile(clientFile("data"), "a file in the way");
  EXPECT_FALSE(download(deeper, error));
  EXPECT_EQ(error, "data/maps/a.map: cannot create folder " + pathToUtf8(clientFile("data")) +
                       " (a file is in its place)");
  EXPECT_EQ(requestsFor(deeper), 1u);
}

// A wrong file whose chunks the manifest lists: only the chunks that differ
// travel, through every fault of the server, or the whole file when the
// patch cannot be trusted; the target always ends right, never torn.
TEST_F(DownloadTest, AWrongFileIsPatchedChunkByChunkOrDownloadedWhole) {
  const std::string old = content(20000);  // about 100 chunks of 4 KiB
  std::string fresh = old;
  for (const size_t at : {5000u, 150000u, 300000u}) fresh.replace(at, 5, "EDIT!");
  const ManifestFile file = publish("big.dat", fresh, {"", false, {4096, false}, true});
  const std::string packed = packedBytes(file);
  // The packed data of the three changed chunks, and the table before them.
  const auto dataLength = [&](size_t chunk) { return chunkDataLength(packed, chunk); };
  const uint64_t table = kPackedHeaderSize + 4ull * ((fresh.size() + 4095) / 4096);
  const uint64_t changed = dataLength(5000 / 4096) + dataLength(150000 / 4096) + dataLength(300000 / 4096);
  // The same packed file under a new version (another ETag) for "swap".
  writeFile(withSuffix(release_->packedPath("big.dat"), ".next"), packed);
  std::filesystem::last_write_time(withSuffix(release_->packedPath("big.dat"), ".next"),
                                   std::filesystem::file_time_type::clock::now() + std::chrono::hours(1));

  struct Case {
    std::string scenario;
    std::string local;    // the client file before the job
    bool chunkPatch;
    unsigned requests;    // table, ranges (and a second round), whole file
    uint64_t sentAtMost;  // body bytes the server sent
  };
  const uint64_t heads = 1000;  // multipart part heads, generously
  const uint64_t whole = static_cast<uint64_t>(file.packed);
  const std::vector<Case> cases{
      {"", old, true, 2, table + changed + heads},
      {"cutat-2-" + std::to_string(dataLength(5000 / 4096) + 150), old, true, 4, 2 * table + changed + 2 * heads},
      // The 200 answers are left unread, but the server has sent what fit
      // into the connection's buffers by then.
      {"norange", old, true, 2, 2 * whole},
      {"swap-1", old, true, 3, table + 2 * whole},  // If-Range names the old version: 200
      {"flip", old, true, 4, table + 2 * (changed + heads) + whole},
      {"", old.substr(0, 4096), true, 1, whole},  // most of the file is missing
      {"", old, false, 1, whole},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scenario + (c.chunkPatch ? "" : " with chunk patching off") + " from " +
                 std::to_string(c.local.size()) + " bytes");
    serveFault(c.scenario.empty() ? "status-200" : c.scenario);
    if (c.scenario.empty()) serveFrom(servers_.fault);
    config_.chunkPatch = c.chunkPatch;
    writeFile(clientFile("big.dat"), c.local);
    const std::string url = fileUrl(config_.updateUrl, file);
    const unsigned requestsBefore = requestsFor(file);
    const uint64_t sentBefore = sentFor(url);
    job_.reset();
    std::string error;
    ASSERT_TRUE(download(file, error)) << error;
    EXPECT_TRUE(readFile(clientFile("big.dat")) == fresh);
    EXPECT_EQ(requestsFor(file) - requestsBefore, c.requests);
    EXPECT_LE(sentFor(url) - sentBefore, c.sentAtMost);
    EXPECT_FALSE(std::filesystem::exists(chunksPath(workFolder(), file)));
    for (const Progress& event : progress) EXPECT_LE(event.bytesDone, static_cast<double>(file.packed));
  }

  // A whole download nearly done (a launcher that did not patch was stopped)
  // is finished: its last bytes cost less than the changed chunks.
  serveFrom(servers_.fault);
  config_.chunkPatch = true;
  writeFile(clientFile("big.dat"), old);
  writeFile(partOf(file), packed.substr(0, packed.size() - 10));
  const std::string url = fileUrl(config_.updateUrl, file);
  const uint64_t sentBefore = sentFor(url);
  job_.reset();
  std::string error;
  ASSERT_TRUE(download(file, error)) << error;
  EXPECT_TRUE(readFile(clientFile("big.dat")) == fresh);
  EXPECT_LT(sentFor(url) - sentBefore, table + changed) << "the part is resumed, not left for the chunks";
}

// A cancel mid-patch leaves the old file and keeps the fetched chunks; the
// next job fetches only the rest.
TEST_F(DownloadTest, ACancelledPatchKeepsTheOldFileAndWhatItFetched) {
  const std::string old = content(20000);
  std::string fresh = old;
  for (const size_t at : {5000u, 300000u}) fresh.replace(at, 5, "EDIT!");
  const ManifestFile file = publish("big.dat", fresh, {"", false, {4096, false}, true});
  writeFile(clientFile("big.dat"), old);
  const std::string packed = packedBytes(file);
  const uint64_t table = kPackedHeaderSize + 4ull * ((fresh.size() + 4095) / 4096);
  const uint64_t first = chunkDataLength(packed, 5000 / 4096);
  const uint64_t second = chunkDataLength(packed, 300000 / 4096);
  serveFault("trickle-20");  // 1 KiB at a time
  cancelAtProgress = [&](const Progress& event) { return event.bytesDone >= table + first; };
  std::string error;
  EXPECT_FALSE(download(file, error));
  EXPECT_EQ(error, "big.dat: cancelled");
  EXPECT_TRUE(readFile(clientFile("big.dat")) == old);
  EXPECT_FALSE(std::filesystem::exists(clientFile("big.dat.zvnew")));
  EXPECT_TRUE(std::filesystem::exists(chunksPath(workFolder(), file)));

  cancelAtProgress = nullptr;
  serveFrom(servers_.fault);
  job_.reset();
  ASSERT_TRUE(download(file, error)) << error;
  EXPECT_TRUE(readFile(clientFile("big.dat")) == fresh);
  EXPECT_LT(sentFor(fileUrl(config_.updateUrl, file)), table + second + 500) << "the first chunk is not fetched again";
}

}  // namespace
}  // namespace zv
