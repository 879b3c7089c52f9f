// The rules around a download that need no server: addresses, busy-server
// waits and progress events, with fake time.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/launcher_config.h"
#include "platform/text_path.h"
#include "tests/support/fake_clock.h"
#include "tests/support/temp_dir.h"
#include "updater/busy_server.h"
#include "updater/file_url.h"
#include "updater/progress_meter.h"
#include "updater/updater.h"

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
}

TEST(BusyServer, OnlyStatus503And429AreBusyAnswers) {
  EXPECT_TRUE(isBusyAnswer("HTTP 503"));
  EXPECT_TRUE(isBusyAnswer("HTTP 429 http://h/manifest.json"));
  EXPECT_FALSE(isBusyAnswer("HTTP 500"));
  EXPECT_FALSE(isBusyAnswer("HTTP 50"));
  EXPECT_FALSE(isBusyAnswer("http 503"));
  EXPECT_FALSE(isBusyAnswer("download: timeout"));
}

TEST(BusyServer, WaitsDoubleUpToThirtySecondsPlusJitter) {
  EXPECT_EQ(queueWaitSeconds(0, 0), 5u);
  EXPECT_EQ(queueWaitSeconds(1, 0), 10u);
  EXPECT_EQ(queueWaitSeconds(2, 0), 20u);
  EXPECT_EQ(queueWaitSeconds(3, 0), 30u);
  EXPECT_EQ(queueWaitSeconds(59, 0), 30u);
  EXPECT_EQ(queueWaitSeconds(0, 4), 9u);
  EXPECT_EQ(queueWaitSeconds(3, 1000000007), 32u);  // nanoseconds modulo 5
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

// A fetcher that is never reached.
class UnusedFetcher final : public Fetcher {
 public:
  bool getText(const std::string&, std::string&, std::string& error) override {
    ADD_FAILURE() << "unexpected request";
    error = "unexpected";
    return false;
  }
  bool download(const std::string&, const std::filesystem::path&, uint64_t, const ProgressFn&,
                std::string& error) override {
    ADD_FAILURE() << "unexpected request";
    error = "unexpected";
    return false;
  }
};

class QueueWaitTest : public ::testing::Test {
 protected:
  QueueWaitTest() : updater_(client_.path(), {}, config_, fetcher_, events(), clock_) {}

  UpdateEvents events() {
    UpdateEvents events;
    events.onPhase = [this](const std::string& phase) { phases_.push_back(phase); };
    return events;
  }

  TempDir client_;
  LauncherConfig config_;
  UnusedFetcher fetcher_;
  FakeClock clock_;
  std::vector<std::string> phases_;
  Updater updater_;
};

TEST_F(QueueWaitTest, BusyAnswerWaitsInTheQueueAndResumesThePhase) {
  updater_.events().onPhase("download");
  unsigned waits = 0;
  ASSERT_TRUE(updater_.waitInQueue("HTTP 503", waits));
  EXPECT_EQ(waits, 1u);
  EXPECT_EQ(phases_, (std::vector<std::string>{"download", "queue", "download"}));
  EXPECT_EQ(updater_.currentPhase(), "download");
  // The fake clock stands at a whole second: no jitter, 25 steps of 200 ms.
  EXPECT_EQ(clock_.sleeps, std::vector<unsigned>(25, 200));

  clock_.sleeps.clear();
  ASSERT_TRUE(updater_.waitInQueue("HTTP 429 http://h/manifest.sig", waits));
  EXPECT_EQ(clock_.sleeps.size(), 50u) << "the second wait is 10 s";
}

TEST_F(QueueWaitTest, OtherErrorsAndTheSixtiethWaitDoNotWait) {
  unsigned waits = 0;
  EXPECT_FALSE(updater_.waitInQueue("HTTP 404", waits));
  EXPECT_FALSE(updater_.waitInQueue("download: connection reset", waits));
  waits = 59;
  EXPECT_TRUE(updater_.waitInQueue("HTTP 503", waits));
  EXPECT_FALSE(updater_.waitInQueue("HTTP 503", waits));
  EXPECT_EQ(waits, 60u);
  EXPECT_EQ(phases_.size(), 2u) << "only the one wait announced anything";
}

TEST_F(QueueWaitTest, CancelEndsTheWaitWithinOneStep) {
  updater_.events().onPhase("manifest");
  clock_.onSleep = [&] {
    if (clock_.sleeps.size() == 3) updater_.requestCancel();
  };
  unsigned waits = 0;
  EXPECT_FALSE(updater_.waitInQueue("HTTP 503", waits));
  EXPECT_EQ(clock_.sleeps.size(), 3u);
  EXPECT_EQ(phases_.back(), "manifest") << "the interrupted phase is announced again";
  EXPECT_FALSE(updater_.waitInQueue("HTTP 503", waits)) << "no wait once cancelled";
  EXPECT_EQ(clock_.sleeps.size(), 3u);
}

}  // namespace
}  // namespace zv
