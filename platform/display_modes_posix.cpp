#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <string>

#include "platform/display_modes.h"
#include "platform/unique_fd_posix.h"

extern char** environ;

namespace zv {
namespace {

// The settings dialog waits for this; a hung X server must not hang it.
constexpr std::chrono::milliseconds xrandrTimeLimit{1500};
constexpr size_t maxOutputBytes = 256 * 1024;

class SpawnActions {
 public:
  SpawnActions() { posix_spawn_file_actions_init(&actions_); }
  ~SpawnActions() { posix_spawn_file_actions_destroy(&actions_); }
  SpawnActions(const SpawnActions&) = delete;
  SpawnActions& operator=(const SpawnActions&) = delete;
  posix_spawn_file_actions_t* get() { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_;
};

// Reads until end of output, the size cap or the deadline; false on the deadline.
bool readUntilDeadline(int fd, std::string& output) {
  const auto deadline = std::chrono::steady_clock::now() + xrandrTimeLimit;
  char buffer[4096];
  while (output.size() < maxOutputBytes) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd waiting{fd, POLLIN, 0};
    const int ready = ::poll(&waiting, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return true;
    output.append(buffer, static_cast<size_t>(got));
  }
  return true;
}

// The text of `xrandr --query`, or empty when it is missing, fails or is slow.
std::string runXrandr() {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) return {};
  UniqueFd readEnd(ends[0]);
  UniqueFd writeEnd(ends[1]);
  SpawnActions actions;
  posix_spawn_file_actions_addopen(actions.get(), 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(actions.get(), writeEnd.get(), 1);
  posix_spawn_file_actions_addopen(actions.get(), 2, "/dev/null", O_WRONLY, 0);
  char program[] = "xrandr";
  char query[] = "--query";
  char* argv[] = {program, query, nullptr};
  pid_t child = 0;
  if (posix_spawnp(&child, program, actions.get(), nullptr, argv, environ) != 0) return {};
  writeEnd.reset();
  std::string output;
  const bool finished = readUntilDeadline(readEnd.get(), output);
  readEnd.reset();
  if (!finished) ::kill(child, SIGKILL);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (!finished || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return {};
  return output;
}

std::vector<DisplayMode> commonModes() {
  constexpr int32_t sizes[][2] = {{800, 600},   {1024, 768},  {1280, 720},  {1280, 800},  {1280, 1024},
                                  {1366, 768},  {1440, 900},  {1600, 900},  {1680, 1050}, {1920, 1080},
                                  {1920, 1200}, {2560, 1440}, {3840, 2160}};
  std::vector<DisplayMode> modes;
  for (const auto& size : sizes) modes.push_back({size[0], size[1], 32});
  return modes;
}

}  // namespace

std::vector<DisplayMode> listDisplayModes() {
  const char* display = std::getenv("DISPLAY");
  if (display != nullptr && *display != '\0') {
    std::vector<DisplayMode> modes = parseXrandrModes(runXrandr());
    if (!modes.empty()) return modes;
  }
  return commonModes();
}

}  // namespace zv
