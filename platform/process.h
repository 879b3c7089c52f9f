#pragma once
// Starting other programs: the game, a restarted launcher, a browser. The
// command line is given in the Windows form (see command_line.h) on every
// system, so that a configuration means the same thing everywhere.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace zv {

struct ProcessCommand {
  std::filesystem::path program;
  // The command-line text after the program: Windows passes "\"program\""
  // followed by one blank and this text (nothing after the quote when it is
  // empty); elsewhere it is split into arguments by the Windows rules.
  std::string arguments;
  std::filesystem::path workingFolder;  // empty: this process's current folder
  // The child reads and writes this process's standard input, output and
  // error. Otherwise it gets none of them (elsewhere than Windows: the null
  // device), so a started game cannot write into our output.
  bool shareStandardStreams = false;
  // Windows: the window that owns an elevation prompt; may be null.
  void* ownerWindow = nullptr;
};

// The failures the game start treats differently from the rest.
enum class StartFailure {
  Other,
  HandleInvalid,     // Windows error 6: often another program intercepting the start; worth a retry
  NeedsElevation,    // Windows error 740: only the shell can start it
  DeclinedByPlayer,  // Windows error 1223: the player said no to the elevation prompt
};

struct StartError {
  uint32_t code = 0;  // the Windows error code, or errno elsewhere
  StartFailure kind = StartFailure::Other;
  std::string text;   // one English line
};

// A started program that this process may wait for.
class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool started() const;
  // Blocks until the program ends. False when there is nothing to wait for.
  [[nodiscard]] bool wait(int& exitCode);

 private:
  friend bool startProcess(const ProcessCommand&, StartError&, ChildProcess*);
#ifdef _WIN32
  void* handle_ = nullptr;
#else
  int pid_ = -1;
#endif
};

// Starts the program. Without a ChildProcess it runs on its own: this process
// neither waits for it nor keeps anything of it. Elsewhere than Windows a
// program whose name ends in ".exe" is started through wine when wine is on
// the PATH.
[[nodiscard]] bool startProcess(const ProcessCommand& command, StartError& error, ChildProcess* child = nullptr);

// Windows: asks the shell to open the program ("open" verb), which can show
// the elevation prompt. Elsewhere the same as startProcess.
[[nodiscard]] bool startThroughShell(const ProcessCommand& command, StartError& error);

// Lets a freshly written program file be run (execute permission where the
// system has one; nothing to do on Windows).
[[nodiscard]] bool makeExecutable(const std::filesystem::path& path);

// The full path of this process's own executable; empty when unknown.
std::filesystem::path executablePath();

// The program of this name in a folder of the PATH ("wine", "xdg-open");
// empty when there is none.
std::filesystem::path findProgramOnPath(std::string_view name);

}  // namespace zv
