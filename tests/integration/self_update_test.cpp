// The job's side of the launcher's self-update, against a release on nginx.

#include <gtest/gtest.h>

#include "platform/file.h"
#include "tests/integration/update_job_fixture.h"

namespace zv {
namespace {

using test::readFile;
using test::writeFile;

using Phases = std::vector<std::string>;

class SelfUpdateTest : public test::UpdateJobFixture {
 protected:
  void SetUp() override {
    UpdateJobFixture::SetUp();
    release_->addFile("system/L2.ini", "client file\n");
  }

  std::filesystem::path launcher() const { return clientFile("ZarvoLauncher.exe"); }
  std::filesystem::path newLauncher() const { return withSuffix(launcher(), ".new"); }

  // One job with the running launcher holding `running` and the release
  // offering `offered` (none when empty).
  void runWith(const std::string& running, const std::string& offered, bool selfUpdateOn = true) {
    writeFile(launcher(), running);
    if (!offered.empty()) release_->setLauncher("ZarvoLauncher.exe", offered);
    release_->publish();
    newJob(selfUpdateOn ? launcher() : std::filesystem::path()).run(CheckMode::Check);
  }
};

TEST_F(SelfUpdateTest, DifferentLauncherIsDownloadedNextToItAndHandedOver) {
  runWith("launcher 1.0", "launcher 2.0, a little longer");
  EXPECT_EQ(phases, (Phases{"manifest", "selfupdate"}));
  EXPECT_EQ(selfUpdates, std::vector<std::filesystem::path>{newLauncher()});
  EXPECT_EQ(readFile(newLauncher()), "launcher 2.0, a little longer");
  EXPECT_EQ(readFile(launcher()), "launcher 1.0") << "the host swaps the files, not the job";
  EXPECT_FALSE(done.has_value()) << "the job ends without a done event";
  EXPECT_FALSE(std::filesystem::exists(clientFile("system/L2.ini"))) << "nothing else was done";
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.back().phase, "download");
  EXPECT_EQ(progress.back().filesTotal, 1u);
}

TEST_F(SelfUpdateTest, SameSizeButOtherBytesIsStillAnUpdate) {
  // The entry's name may differ from the running file's in ASCII case.
  release_->setLauncher("zarvolauncher.EXE", "launcher 2.0");
  runWith("launcher 1.0", "");
  EXPECT_EQ(selfUpdates.size(), 1u);
  EXPECT_EQ(readFile(newLauncher()), "launcher 2.0");
}

TEST_F(SelfUpdateTest, CurrentMissingOrSwitchedOffLauncherGoesStraightToTheCheck) {
  runWith("launcher 1.0", "");
  EXPECT_EQ(phases, (Phases{"manifest", "check", "download"}));
  runWith("launcher 2.0", "launcher 2.0");
  EXPECT_EQ(phases, (Phases{"manifest", "check"}));
  runWith("launcher 1.0", "launcher 3.0", false);
  EXPECT_EQ(phases, (Phases{"manifest", "check"}));
  // A launcher of another kind (another file name) is no replacement.
  release_->setLauncher("zarvo-launcher", "launcher 4.0");
  runWith("launcher 1.0", "");
  EXPECT_EQ(phases, (Phases{"manifest", "check"}));
  EXPECT_TRUE(selfUpdates.empty());
  EXPECT_FALSE(std::filesystem::exists(newLauncher()));
  ASSERT_TRUE(done.has_value());
  EXPECT_EQ(done->code, "uptodate");
}

TEST_F(SelfUpdateTest, AnOlderReleaseCannotBringBackAnOlderLauncher) {
  release_->setMember("sequence", 5);
  runWith("launcher 2.0", "launcher 2.0");
  release_->setMember("sequence", 4);
  runWith("launcher 2.0", "launcher 1.0");
  EXPECT_EQ(phases, (Phases{"manifest"}));
  EXPECT_TRUE(selfUpdates.empty());
  EXPECT_FALSE(std::filesystem::exists(newLauncher()));
  ASSERT_TRUE(done.has_value());
  EXPECT_EQ(done->code, "badmanifest");
}

TEST_F(SelfUpdateTest, FailedLauncherDownloadIsDroppedAndTheCheckGoesOn) {
  release_->setLauncher("ZarvoLauncher.exe", "launcher 2.0");
  std::filesystem::remove(release_->packedPath("ZarvoLauncher.exe"));
  writeFile(launcher(), "launcher 1.0");
  release_->publish();
  newJob(launcher()).run(CheckMode::Check);
  EXPECT_EQ(phases, (Phases{"manifest", "selfupdate", "check", "download"}));
  EXPECT_TRUE(selfUpdates.empty());
  ASSERT_TRUE(done.has_value());
  EXPECT_EQ(done->code, "updated");
  EXPECT_EQ(readFile(clientFile("system/L2.ini")), "client file\n");
  EXPECT_FALSE(std::filesystem::exists(newLauncher()));
}

TEST_F(SelfUpdateTest, CancelDuringTheLauncherDownloadStopsBeforeTheFirstFile) {
  cancelAtPhase = "selfupdate";
  runWith("launcher 1.0", "launcher 2.0");
  EXPECT_TRUE(selfUpdates.empty());
  ASSERT_TRUE(done.has_value());
  EXPECT_FALSE(done->ok);
  EXPECT_TRUE(done->canPlay);
  EXPECT_EQ(done->code, "cancelled");
  EXPECT_EQ(phases, (Phases{"manifest", "selfupdate", "check"}));
  EXPECT_FALSE(std::filesystem::exists(clientFile("system/L2.ini")));
}

}  // namespace
}  // namespace zv
