// The rules around a download that need no server: addresses, busy-server
// waits and progress events, with fake time.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "data/launcher_config.h"
#include "platform/text_path.h"
#include "tests/support/fake_clock.h"
#include "tests/support/temp_dir.h"
#include "updater/file_url.h"
#include "updater/progress_meter.h"
#include "updater/update_job.h"

namespace zv {
namespace {

using test::FakeClock;
using test::TempDir;

const std::string kDigest = "0123456789ab" + std::string(52, 'f');

ManifestFile fileNamed(const std::string& path, const std::string& source = {}) {
  ManifestFile file;
  file.path = path;
  file.source = source;
  file.sha256 = kDigest;
  return file;
}

TEST(FileUrl, EncodesEveryByteOutsideTheSafeSetAndKeepsSlashes) {
  const std::string base = "http://h/upd/";
  EXPECT_EQ(fileUrl(base, fileNamed("system/My File.dat")), base + "files/system/My%20File.dat.zv?v=0123456789ab");
  EXPECT_EQ(percentEncodePath("a#b%c+d&e=f"), "a%23b%25c%2Bd%26e%3Df");
  EXPECT_EQ(percentEncodePath("Az09-_.~/x"), "Az09-_.~/x");
  EXPECT_EQ(percentEncodePath("\xC5\xBE\x01\x7F\xFF"), "%C5%BE%01%7F%FF");  // ž, control bytes, a stray byte
}

TEST(FileUrl, SourceNamesTheServerFileAndTheDigestNamesThePart) {
  EXPECT_EQ(fileUrl("http://h/", fileNamed("system/L2.exe", "bin/L2 v2.exe")),
            "http://h/files/bin/L2%20v2.exe.zv?v=0123456789ab");
  EXPECT_EQ(partPath(pathFromUtf8("work"), fileNamed("any/path")), pathFromUtf8("work") / (kDigest + ".part"));
  // A ".part" too: launchers from before it existed sweep only those.
  EXPECT_EQ(unpackingPath(pathFromUtf8("work"), fileNamed("any/path")),
            pathFromUtf8("work") / (kDigest + ".unpacking.part"));
}

class ProgressMeterTest : public ::testing::Test {
 protected:
  bool sample(const char* phase, uint64_t bytes, bool force = false) {
    return meter_.sample(phase, "f", 1, 2, bytes, 100000, force, progress_);
  }
  FakeClock clock_;
  ProgressMeter meter_{clock_};
  Progress progress_;
};

TEST_F(ProgressMeterTest, SendsAtMostTenEventsPerSecondUnlessForced) {
  EXPECT_TRUE(sample("download", 0));
  clock_.now += 0.05;
  EXPECT_FALSE(sample("download", 10));
  EXPECT_TRUE(sample("download", 20, true));
  clock_.now += 0.099;
  EXPECT_FALSE(sample("download", 30)) << "0.1 s counts from the forced event";
  clock_.now += 0.002;
  EXPECT_TRUE(sample("download", 40));
  EXPECT_EQ(progress_.bytesDone, 40u);
}

TEST_F(ProgressMeterTest, SpeedIsSmoothedOverSamplesOneSecondApart) {
  sample("download", 0);         // first sample
  clock_.now += 0.5;
  sample("download", 700);       // too soon to measure
  EXPECT_EQ(progress_.speed, 0);
  clock_.now += 0.5;
  sample("download", 1000);      // 1000 bytes in 1 s
  EXPECT_DOUBLE_EQ(progress_.speed, 1000);
  clock_.now += 2;
  sample("download", 5000);      // 2000 B/s now: 0.4 * 2000 + 0.6 * 1000
  EXPECT_DOUBLE_EQ(progress_.speed, 1400);
  clock_.now += 1;
  sample("addon", 100);          // counts restarted: no progress, not a negative speed
  EXPECT_DOUBLE_EQ(progress_.speed, 0.6 * 1400);
  clock_.now += 1;
  sample("check", 200);
  EXPECT_EQ(progress_.speed, 0) << "speed belongs to downloads only";

  meter_.resetSpeed();
  clock_.now += 5;
  sample("download", 10000);     // a fresh first sample, nothing measured yet
  EXPECT_EQ(progress_.speed, 0);
}

// An update server that answers every request with the same failure.
class FailingFetcher final : public Fetcher {
 public:
  bool getText(const std::string& url, std::string&, Failure& failure) override {
    ++requests;
    failure = answer;
    failure.subject = url;
    return false;
  }
  bool download(const std::string&, const std::filesystem::path&, uint64_t, const ProgressFn&, Failure&,
                const PieceFn&) override {
    ADD_FAILURE() << "unexpected download";
    return false;
  }
  bool getRanges(const std::string&, const std::vector<ByteRange>&, const std::string&, const RangePieceFn&,
                 std::string&, Failure&) override {
    ADD_FAILURE() << "unexpected ranged request";
    return false;
  }
  Failure answer{FailureKind::BusyServer, 503, {}, {}};
  unsigned requests = 0;
};

// Busy-server waits, seen through the manifest step of a job.
class QueueWaitTest : public ::testing::Test {
 protected:
  QueueWaitTest() : job_(client_.path(), {}, config(), fetcher_, events(), clock_) {}

  const LauncherConfig& config() {
    config_.updateUrl = "http://h/";
    config_.publicKey = std::string(64, 'a');
    return config_;
  }
  UpdateEvents events() {
    UpdateEvents events;
    events.onPhase = [this](const std::string& phase) { phases_.push_back(phase); };
    return events;
  }
  // The manifest step's code and detail.
  std::string readManifest() {
    std::shared_ptr<const Manifest> manifest;
    std::string code;
    std::string detail;
    EXPECT_FALSE(job_.readManifest(manifest, code, detail));
    return code + " " + detail;
  }

  TempDir client_;
  LauncherConfig config_;
  FailingFetcher fetcher_;
  FakeClock clock_;
  std::vector<std::string> phases_;
  UpdateJob job_;
};

TEST_F(QueueWaitTest, ABusyServerIsWaitedForSixtyTimesAndEachWaitResumesThePhase) {
  EXPECT_EQ(readManifest(), "offline HTTP 503 http://h/manifest.json");
  EXPECT_EQ(fetcher_.requests, 61u);
  // The fake clock stands at whole seconds, so no jitter: 5, 10, 20, then 30 s.
  EXPECT_EQ(clock_.slept(), 5 + 10 + 20 + 57 * 30);
  EXPECT_EQ(clock_.sleeps.front(), 200u) << "the cancel flag is looked at every 200 ms";
  ASSERT_EQ(phases_.size(), 1u + 2 * 60);
  EXPECT_EQ(std::vector<std::string>(phases_.begin(), phases_.begin() + 5),
            (std::vector<std::string>{"manifest", "queue", "manifest", "queue", "manifest"}));
}

TEST_F(QueueWaitTest, WaitsAreJitteredBelowAWholeSecond) {
  // Launchers turned away in the same round differ only in the time below a
  // millisecond: in whole seconds of jitter they all came back at the same
  // instant of a second, round after round.
  clock_.now = 1000.0004;
  EXPECT_EQ(readManifest(), "offline HTTP 503 http://h/manifest.json");
  EXPECT_TRUE(std::any_of(clock_.sleeps.begin(), clock_.sleeps.end(), [](unsigned ms) { return ms % 200 != 0; }));
  EXPECT_GE(clock_.slept(), 5 + 10 + 20 + 57 * 30);
  EXPECT_LT(clock_.slept(), 5 + 10 + 20 + 57 * 30 + 60 * 5);
}

TEST_F(QueueWaitTest, OtherFailuresAreNotWaitedFor) {
  fetcher_.answer = Failure{FailureKind::HttpStatus, 500, {}, {}};
  EXPECT_EQ(readManifest(), "offline HTTP 500 http://h/manifest.json");
  EXPECT_EQ(fetcher_.requests, 1u);
  EXPECT_TRUE(clock_.sleeps.empty());
}

TEST_F(QueueWaitTest, CancelEndsTheWaitWithinOneStep) {
  clock_.onSleep = [&] {
    if (clock_.sleeps.size() == 3) job_.requestCancel();
  };
  EXPECT_EQ(readManifest(), "cancelled HTTP 503 http://h/manifest.json");
  EXPECT_EQ(clock_.sleeps.size(), 3u);
  EXPECT_EQ(phases_, (std::vector<std::string>{"manifest", "queue", "manifest"}))
      << "the interrupted phase is announced again";
}

}  // namespace
}  // namespace zv
