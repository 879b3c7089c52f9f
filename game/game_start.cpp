#include "game/game_start.h"

#include <chrono>
#include <system_error>
#include <thread>

#include "platform/log.h"
#include "platform/text_path.h"

namespace zv {
namespace {

// Error 6 comes and goes while another program hooks the game's start; the
// pauses grow so that it has time to let go.
constexpr unsigned kMaxAttempts = 3;
constexpr unsigned kRetryPauseMs = 400;

class SystemGameStarter final : public GameProcessStarter {
 public:
  bool start(const ProcessCommand& command, StartError& error) override { return startProcess(command, error); }
  bool startThroughShell(const ProcessCommand& command, StartError& error) override {
    return zv::startThroughShell(command, error);
  }
  void pause(unsigned milliseconds) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }
};

void logRetries(const std::filesystem::path& logPath, unsigned retries, bool started, const StartError& last) {
  std::string line = "game start: CreateProcess error 6 (ERROR_INVALID_HANDLE) x" + std::to_string(retries);
  if (started) {
    line += ", started on retry";
  } else {
    line += ", not started (last error " + std::to_string(last.code) + ")";
  }
  line += " - usually a bot (e.g. Adrenaline) intercepting L2.exe";
  writeLog(logPath, line);
}

}  // namespace

GameProcessStarter& systemGameStarter() {
  static SystemGameStarter starter;
  return starter;
}

GameStartResult startGame(const GameStartRequest& request, GameProcessStarter& starter) {
  if (request.jobBusy) return {false, "busy", ""};
  ProcessCommand command;
  command.program = joinRelative(request.clientFolder, request.config.game);
  command.arguments = request.config.gameArgs;
  command.workingFolder = command.program.parent_path();
  command.ownerWindow = request.ownerWindow;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(command.program, ec)) return {false, "gameMissing", request.config.game};

  StartError error;
  bool started = false;
  unsigned retries = 0;
  for (unsigned attempt = 0; attempt < kMaxAttempts; ++attempt) {
    if (starter.start(command, error)) {
      started = true;
      break;
    }
    if (error.kind != StartFailure::HandleInvalid) break;
    ++retries;
    starter.pause(kRetryPauseMs * retries);
  }
  if (retries > 0) logRetries(request.logPath, retries, started, error);

  if (started) return {true, "", ""};
  if (error.kind == StartFailure::NeedsElevation) {
    StartError shellError;
    if (starter.startThroughShell(command, shellError)) return {true, "", ""};
    if (shellError.kind == StartFailure::DeclinedByPlayer) return {};
    return {false, "gameStartFailed", std::to_string(shellError.code)};
  }
  return {false, "gameStartFailed", std::to_string(error.code)};
}

}  // namespace zv
