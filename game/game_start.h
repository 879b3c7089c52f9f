#pragma once
// Starting the game client when the player presses Play: the configured
// executable in the client folder, from its own folder, with the configured
// arguments. Another program holding the executable (Windows error 6) is
// retried and logged; a start that needs elevation goes through the shell.

#include <filesystem>
#include <string>

#include "data/launcher_config.h"
#include "platform/process.h"

namespace zv {

// What the game start needs from the system; tests lend a fake.
class GameProcessStarter {
 public:
  virtual ~GameProcessStarter() = default;
  [[nodiscard]] virtual bool start(const ProcessCommand& command, StartError& error) = 0;
  [[nodiscard]] virtual bool startThroughShell(const ProcessCommand& command, StartError& error) = 0;
  virtual void pause(unsigned milliseconds) = 0;
};

// The real processes and a real sleep.
GameProcessStarter& systemGameStarter();

struct GameStartResult {
  bool started = false;
  std::string noticeCode;  // empty: nothing to tell the page
  std::string noticeDetail;
};

struct GameStartRequest {
  const LauncherConfig& config;
  std::filesystem::path clientFolder;
  bool jobBusy = false;
  void* ownerWindow = nullptr;   // parent of an elevation prompt
  std::filesystem::path logPath;  // where retries are written
};

// Starts the game unless a job runs or the executable is missing. The result
// says whether it started and which notice, if any, the page should get
// ("busy", "gameMissing" with the configured path, "gameStartFailed" with the
// error code). A player declining elevation gives neither.
GameStartResult startGame(const GameStartRequest& request, GameProcessStarter& starter);

}  // namespace zv
