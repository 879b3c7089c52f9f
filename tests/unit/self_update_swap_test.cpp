#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bridge/bridge.h"
#include "bridge/self_update_swap.h"
#include "platform/file.h"
#include "platform/process.h"
#include "tests/support/temp_dir.h"
#include "tests/unit/recording_host.h"
#include "updater/update_job.h"

namespace zv {
namespace {

using test::readFile;
using test::RecordingHost;
using test::TempDir;
using test::writeFile;

// A small program built with the tests (see self_update_helper.cpp).
const std::filesystem::path kHelper = ZV_SELF_UPDATE_HELPER;

class SelfUpdateTest : public ::testing::Test {
 protected:
  SelfUpdateTest() {
    services.startLauncher = [this](const ProcessCommand& command, StartError& error) {
      return startProcess(command, error, &child);
    };
    services.runUpdate = [this](UpdateJob& updater, CheckMode mode) {
      ++checks;
      updater.run(mode);
    };
    BridgeSetup setup;
    setup.launcherPath = launcherPath;
    setup.clientFolder = client.path();
    setup.restartArguments = "--updated \"two words\"";
    bridge = std::make_unique<Bridge>(config, prefs, setup, host, host, services);
    bridge->markPageReady();
    writeFile(launcherPath, "old launcher");
  }

  TempDir client;
  // The running launcher has the helper's name, so that it can run once swapped in.
  const std::filesystem::path launcherPath = client.path() / kHelper.filename();
  const std::filesystem::path newPath = withSuffix(launcherPath, ".new");
  const std::filesystem::path oldPath = withSuffix(launcherPath, ".old");
  LauncherConfig config;
  Preferences prefs;
  BridgeServices services;
  RecordingHost host;
  ChildProcess child;
  int checks = 0;
  std::unique_ptr<Bridge> bridge;
};

TEST_F(SelfUpdateTest, TheNewLauncherTakesTheNameAndIsStarted) {
  writeFile(oldPath, "leftover of an earlier update");
  ASSERT_TRUE(std::filesystem::copy_file(kHelper, newPath));
  bridge->finishSelfUpdate(newPath);
  EXPECT_EQ(host.destroyed, 1);
  int exitCode = -1;
  ASSERT_TRUE(child.wait(exitCode));
  EXPECT_EQ(exitCode, 0);
  // Started in the client folder with the restart arguments.
  EXPECT_EQ(readFile(client / "restarted.txt"), "--updated two words");
  EXPECT_EQ(readFile(launcherPath), readFile(kHelper));
  EXPECT_EQ(readFile(oldPath), "old launcher");
  EXPECT_FALSE(std::filesystem::exists(newPath));
  host.pump(*bridge);
  EXPECT_TRUE(host.page.empty());
  EXPECT_EQ(checks, 0);
}

TEST_F(SelfUpdateTest, ALauncherThatCannotStartIsRolledBackAndAPlainCheckRuns) {
  writeFile(newPath, "not a program");
  bridge->finishSelfUpdate(newPath);
  EXPECT_EQ(host.destroyed, 0);
  EXPECT_EQ(readFile(launcherPath), "old launcher");
  EXPECT_FALSE(std::filesystem::exists(newPath));
  EXPECT_FALSE(std::filesystem::exists(oldPath));
  EXPECT_TRUE(bridge->selfUpdateOff());
  ASSERT_TRUE(host.runUntilIdle(*bridge));
  EXPECT_EQ(checks, 1);
  ASSERT_EQ(host.types(), (std::vector<std::string>{"notice", "phase", "done"}));
  EXPECT_EQ(host.page[0], R"({"type":"notice","code":"selfUpdateFailed","detail":""})");
}

TEST_F(SelfUpdateTest, ALauncherThatCannotBeMovedAsideStaysAndTheDownloadGoes) {
  // A folder in the way of ".old" can neither be deleted nor replaced.
  std::filesystem::create_directories(oldPath / "in-the-way");
  ASSERT_TRUE(std::filesystem::copy_file(kHelper, newPath));
  bridge->finishSelfUpdate(newPath);
  EXPECT_EQ(host.destroyed, 0);
  EXPECT_FALSE(child.started());
  EXPECT_EQ(readFile(launcherPath), "old launcher");
  EXPECT_FALSE(std::filesystem::exists(newPath));
  ASSERT_TRUE(host.runUntilIdle(*bridge));
  EXPECT_EQ(host.page.front(), R"({"type":"notice","code":"selfUpdateFailed","detail":""})");
  EXPECT_EQ(checks, 1);
}

TEST(RemoveOldLauncher, DeletesTheLeftoverOfASwap) {
  TempDir folder;
  const std::filesystem::path launcher = folder / "launcher";
  writeFile(withSuffix(launcher, ".old"), "old");
  removeOldLauncher(launcher);
  EXPECT_FALSE(std::filesystem::exists(withSuffix(launcher, ".old")));
  removeOldLauncher(launcher);  // nothing there: returns at once

  // A launcher that came read-only (from an archive or a disc) leaves a
  // read-only ".old" after its swap; on Windows that goes too.
  writeFile(withSuffix(launcher, ".old"), "old");
  std::filesystem::permissions(withSuffix(launcher, ".old"), std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
  removeOldLauncher(launcher);
  EXPECT_FALSE(std::filesystem::exists(withSuffix(launcher, ".old")));
}

}  // namespace
}  // namespace zv
