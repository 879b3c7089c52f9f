#pragma once
// A zarvo-launcher process seen from outside: its standard input and output
// are pipes held by the test, its standard error goes to a file. The same
// tests drive the native launcher and the Windows one under Wine (see
// LauncherCommand).

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "data/json.h"

namespace zv::test {

// How to start the launcher under test and the programs beside it: from the
// environment when ZV_WINDOWS_BUILD names a Windows build folder (they run
// through wine, and paths they get are given as Z: paths), else the native
// build's.
struct LauncherCommand {
  std::vector<std::string> prefix;  // {"wine"} or empty
  std::filesystem::path launcher;
  std::filesystem::path helper;     // the small program that writes down how it was started
  bool windows = false;

  static const LauncherCommand& get();
  // A path as the launcher must be given it.
  std::string path(const std::filesystem::path& path) const;
};

// Runs a program to its end with no input; its output into the strings
// (CR LF line ends made LF). Every wait here and in LauncherProcess has a time
// limit: a program that hangs fails the test and is killed.
struct Finished {
  int status = -1;
  std::string out;
  std::string err;
};
Finished runToEnd(const std::vector<std::string>& command, const std::filesystem::path& scratch);

class LauncherProcess {
 public:
  // args come after the launcher's name; stderr goes to errorFile.
  LauncherProcess(const std::vector<std::string>& args, const std::filesystem::path& errorFile);
  // A program other than the launcher (a copy of it in a client folder).
  LauncherProcess(const std::filesystem::path& program, const std::vector<std::string>& args,
                  const std::filesystem::path& errorFile);
  ~LauncherProcess();
  LauncherProcess(const LauncherProcess&) = delete;
  LauncherProcess& operator=(const LauncherProcess&) = delete;

  // One command line.
  void send(const std::string& line);
  void closeInput();
  // The next output line; false at the end of the output.
  bool nextLine(std::string& line);
  // The next event; Null at the end of the output.
  Json next();
  // Events up to and including the first of this type (and, when given,
  // with this "phase" or "code"); the test fails when the output ends first.
  std::vector<Json> until(const std::string& type, const std::string& phaseOrCode = "");
  // Every event until the output ends.
  std::vector<Json> rest();
  // Waits for the process (not for others that share its output) and gives
  // its exit status.
  int wait();
  // Ends the process at once, the way a crash or a power cut would.
  void kill();
  // From now on, every wait for output or for the end ends by this time
  // from now at the latest (failing the test), not only after the usual
  // two minutes.
  void limitWaits(std::chrono::milliseconds fromNow);

 private:
  void start(const std::vector<std::string>& command, const std::filesystem::path& errorFile);
  std::chrono::milliseconds waitLimit() const;

  pid_t pid_ = -1;
  int input_ = -1;
  int output_ = -1;
  std::string buffer_;
  int status_ = -1;
  std::optional<std::chrono::steady_clock::time_point> deadline_;
};

// The "type" of each event.
std::vector<std::string> typesOf(const std::vector<Json>& events);

}  // namespace zv::test
