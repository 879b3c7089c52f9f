#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "game/game_start.h"
#include "tests/support/temp_dir.h"

namespace zv {
namespace {

using test::readFile;
using test::TempDir;
using test::writeFile;

StartError failure(uint32_t code, StartFailure kind = StartFailure::Other) {
  StartError error;
  error.code = code;
  error.kind = kind;
  return error;
}

// Answers each start with the next scripted outcome (success when none is
// left) and records what it was asked.
class ScriptedStarter final : public GameProcessStarter {
 public:
  std::deque<StartError> startFailures;
  std::deque<StartError> shellFailures;
  std::vector<ProcessCommand> starts;
  std::vector<ProcessCommand> shellStarts;
  std::vector<unsigned> pauses;

  bool start(const ProcessCommand& command, StartError& error) override {
    starts.push_back(command);
    return next(startFailures, error);
  }
  bool startThroughShell(const ProcessCommand& command, StartError& error) override {
    shellStarts.push_back(command);
    return next(shellFailures, error);
  }
  void pause(unsigned milliseconds) override { pauses.push_back(milliseconds); }

 private:
  static bool next(std::deque<StartError>& script, StartError& error) {
    if (script.empty()) return true;
    error = script.front();
    script.pop_front();
    return false;
  }
};

class GameStartTest : public ::testing::Test {
 protected:
  GameStartTest() { writeFile(client / "system/L2.exe", "game"); }

  GameStartResult play(bool busy = false) {
    return startGame(GameStartRequest{config, client.path(), busy, nullptr, logPath()}, starter);
  }
  std::filesystem::path logPath() const { return client / "ZarvoLauncher.log"; }
  // The log's only line without its time stamp and line end.
  std::string logLine() const {
    const std::string text = readFile(logPath());
    if (text.size() < 23 || !text.ends_with("\r\n")) return "<no line>: " + text;
    return text.substr(21, text.size() - 23);
  }

  TempDir client;
  LauncherConfig config;
  ScriptedStarter starter;
};

TEST_F(GameStartTest, StartsTheExecutableFromItsOwnFolderWithTheArgumentsAsConfigured) {
  config.gameArgs = "-windowed  \"-name=A B\"";
  const GameStartResult result = play();
  EXPECT_TRUE(result.started);
  EXPECT_EQ(result.noticeCode, "");
  ASSERT_EQ(starter.starts.size(), 1u);
  EXPECT_EQ(starter.starts[0].program, client / "system/L2.exe");
  EXPECT_EQ(starter.starts[0].arguments, "-windowed  \"-name=A B\"");
  EXPECT_EQ(starter.starts[0].workingFolder, client / "system");
  EXPECT_FALSE(starter.starts[0].shareStandardStreams);
  EXPECT_FALSE(std::filesystem::exists(logPath()));
}

TEST_F(GameStartTest, NothingStartsWhileAJobRunsOrWithoutTheExecutable) {
  EXPECT_EQ(play(true).noticeCode, "busy");

  config.game = "system/Missing.exe";
  GameStartResult result = play();
  EXPECT_EQ(result.noticeCode, "gameMissing");
  EXPECT_EQ(result.noticeDetail, "system/Missing.exe");

  config.game = "system";  // a folder is not a program
  result = play();
  EXPECT_EQ(result.noticeCode, "gameMissing");
  EXPECT_EQ(result.noticeDetail, "system");
  EXPECT_TRUE(starter.starts.empty());
}

TEST_F(GameStartTest, AnInterceptedStartIsRetriedAndLogged) {
  starter.startFailures = {failure(6, StartFailure::HandleInvalid)};
  const GameStartResult result = play();
  EXPECT_TRUE(result.started);
  EXPECT_EQ(starter.pauses, (std::vector<unsigned>{400}));
  EXPECT_EQ(logLine(),
            "game start: CreateProcess error 6 (ERROR_INVALID_HANDLE) x1, started on retry"
            " - usually a bot (e.g. Adrenaline) intercepting L2.exe");
}

TEST_F(GameStartTest, ThreeInterceptedStartsGiveUp) {
  starter.startFailures = {failure(6, StartFailure::HandleInvalid), failure(6, StartFailure::HandleInvalid),
                           failure(6, StartFailure::HandleInvalid)};
  const GameStartResult result = play();
  EXPECT_FALSE(result.started);
  EXPECT_EQ(result.noticeCode, "gameStartFailed");
  EXPECT_EQ(result.noticeDetail, "6");
  EXPECT_EQ(starter.starts.size(), 3u);
  EXPECT_EQ(starter.pauses, (std::vector<unsigned>{400, 800, 1200}));
  EXPECT_EQ(logLine(),
            "game start: CreateProcess error 6 (ERROR_INVALID_HANDLE) x3, not started (last error 6)"
            " - usually a bot (e.g. Adrenaline) intercepting L2.exe");
}

TEST_F(GameStartTest, AnotherErrorAfterARetryEndsTheAttempts) {
  starter.startFailures = {failure(6, StartFailure::HandleInvalid), failure(5)};
  const GameStartResult result = play();
  EXPECT_EQ(result.noticeCode, "gameStartFailed");
  EXPECT_EQ(result.noticeDetail, "5");
  EXPECT_EQ(starter.starts.size(), 2u);
  EXPECT_EQ(logLine(),
            "game start: CreateProcess error 6 (ERROR_INVALID_HANDLE) x1, not started (last error 5)"
            " - usually a bot (e.g. Adrenaline) intercepting L2.exe");

  // Any other error at once: no retry and no log line.
  std::filesystem::remove(logPath());
  starter.startFailures = {failure(2)};
  EXPECT_EQ(play().noticeDetail, "2");
  EXPECT_FALSE(std::filesystem::exists(logPath()));
}

TEST_F(GameStartTest, AStartNeedingElevationGoesThroughTheShell) {
  config.gameArgs = "-x";
  starter.startFailures = {failure(740, StartFailure::NeedsElevation)};
  GameStartResult result = play();
  EXPECT_TRUE(result.started);
  ASSERT_EQ(starter.shellStarts.size(), 1u);
  EXPECT_EQ(starter.shellStarts[0].program, client / "system/L2.exe");
  EXPECT_EQ(starter.shellStarts[0].arguments, "-x");
  EXPECT_EQ(starter.shellStarts[0].workingFolder, client / "system");

  // The player said no: nothing to tell, nothing started.
  starter.startFailures = {failure(740, StartFailure::NeedsElevation)};
  starter.shellFailures = {failure(1223, StartFailure::DeclinedByPlayer)};
  result = play();
  EXPECT_FALSE(result.started);
  EXPECT_EQ(result.noticeCode, "");

  starter.startFailures = {failure(740, StartFailure::NeedsElevation)};
  starter.shellFailures = {failure(1155)};
  result = play();
  EXPECT_EQ(result.noticeCode, "gameStartFailed");
  EXPECT_EQ(result.noticeDetail, "1155");
}

}  // namespace
}  // namespace zv
