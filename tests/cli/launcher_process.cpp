#include "tests/cli/launcher_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "tests/support/temp_dir.h"

namespace zv::test {

const LauncherCommand& LauncherCommand::get() {
  static const LauncherCommand command = [] {
    LauncherCommand c;
    const char* windowsBuild = std::getenv("ZV_WINDOWS_BUILD");
    if (windowsBuild != nullptr && windowsBuild[0] != '\0') {
      c.windows = true;
      c.prefix = {"wine"};
      c.launcher = std::filesystem::path(windowsBuild) / "app/zarvo-launcher.exe";
      c.helper = std::filesystem::path(windowsBuild) / "tests/unit/self_update_helper.exe";
    } else {
      c.launcher = ZV_LAUNCHER_PATH;
      c.helper = ZV_HELPER_PATH;
    }
    return c;
  }();
  return command;
}

std::string LauncherCommand::path(const std::filesystem::path& path) const {
  return (windows ? "Z:" : "") + path.string();
}

namespace {

[[noreturn]] void execCommand(const std::vector<std::string>& command) {
  std::vector<char*> argv;
  std::vector<std::string> copy = command;
  for (std::string& arg : copy) argv.push_back(arg.data());
  argv.push_back(nullptr);
  execvp(argv[0], argv.data());
  _exit(127);
}

// A Windows program's text output ends its lines with CR LF.
std::string withoutCarriageReturns(std::string text) {
  size_t at = 0;
  while ((at = text.find("\r\n", at)) != std::string::npos) text.erase(at, 1);
  return text;
}

// No launcher in these tests runs or stays silent this long unless it hangs;
// a hung one fails its test and is killed instead of stalling the run.
constexpr auto kLimit = std::chrono::minutes(2);

// The exit status of pid, killing it first when it has not ended in time.
int waitForExit(pid_t pid, std::chrono::milliseconds limit = kLimit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  int status = 0;
  pid_t ended = 0;
  bool killed = false;
  while ((ended = waitpid(pid, &status, WNOHANG)) == 0 || (ended < 0 && errno == EINTR)) {
    if (!killed && std::chrono::steady_clock::now() > deadline) {
      ADD_FAILURE() << "process " << pid << " did not end in time";
      killed = kill(pid, SIGKILL) == 0;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return !killed && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::string> withPrefix(const std::filesystem::path& program, const std::vector<std::string>& args) {
  std::vector<std::string> command = LauncherCommand::get().prefix;
  command.push_back(program.string());
  command.insert(command.end(), args.begin(), args.end());
  return command;
}

}  // namespace

Finished runToEnd(const std::vector<std::string>& command, const std::filesystem::path& scratch) {
  const std::filesystem::path out = scratch / "run-out.txt";
  const std::filesystem::path err = scratch / "run-err.txt";
  const pid_t pid = fork();
  if (pid == 0) {
    const int in = open("/dev/null", O_RDONLY);
    const int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(in, 0);
    dup2(o, 1);
    dup2(e, 2);
    execCommand(command);
  }
  Finished finished;
  finished.status = waitForExit(pid);
  finished.out = withoutCarriageReturns(readFile(out));
  finished.err = withoutCarriageReturns(readFile(err));
  return finished;
}

LauncherProcess::LauncherProcess(const std::vector<std::string>& args, const std::filesystem::path& errorFile) {
  start(withPrefix(LauncherCommand::get().launcher, args), errorFile);
}

LauncherProcess::LauncherProcess(const std::filesystem::path& program, const std::vector<std::string>& args,
                                 const std::filesystem::path& errorFile) {
  start(withPrefix(program, args), errorFile);
}

void LauncherProcess::start(const std::vector<std::string>& command, const std::filesystem::path& errorFile) {
  int in[2];
  int out[2];
  ASSERT_EQ(pipe2(in, O_CLOEXEC), 0);
  ASSERT_EQ(pipe2(out, O_CLOEXEC), 0);
  pid_ = fork();
  if (pid_ == 0) {
    const int err = open(errorFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    dup2(in[0], 0);
    dup2(out[1], 1);
    dup2(err, 2);
    execCommand(command);
  }
  close(in[0]);
  close(out[1]);
  input_ = in[1];
  output_ = out[0];
}

LauncherProcess::~LauncherProcess() {
  closeInput();
  if (output_ >= 0) close(output_);
  if (pid_ > 0) (void)wait();
}

void LauncherProcess::send(const std::string& line) {
  const std::string bytes = line + "\n";
  // A launcher that has ended makes the write fail; the test sees that in
  // its events, so SIGPIPE must not end the test program.
  signal(SIGPIPE, SIG_IGN);
  if (input_ >= 0) (void)!write(input_, bytes.data(), bytes.size());
}

void LauncherProcess::closeInput() {
  if (input_ >= 0) close(input_);
  input_ = -1;
}

bool LauncherProcess::nextLine(std::string& line) {
  for (;;) {
    const size_t end = buffer_.find('\n');
    if (end != std::string::npos) {
      line = buffer_.substr(0, end);
      buffer_.erase(0, end + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return true;
    }
    pollfd ready{output_, POLLIN, 0};
    const int polled = poll(&ready, 1, static_cast<int>(waitLimit().count()));
    if (polled < 0 && errno == EINTR) continue;
    if (polled == 0) {
      ADD_FAILURE() << "no output from the launcher in time";
      kill();
      return false;
    }
    char chunk[4096];
    const ssize_t n = read(output_, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      line = buffer_;
      buffer_.clear();
      return !line.empty();
    }
    buffer_.append(chunk, static_cast<size_t>(n));
  }
}

Json LauncherProcess::next() {
  std::string line;
  if (!nextLine(line)) return Json();
  std::string error;
  Json event = Json::parse(line, &error);
  EXPECT_TRUE(event.isObject()) << "not an event: " << line;
  return event;
}

std::vector<Json> LauncherProcess::until(const std::string& type, const std::string& phaseOrCode) {
  std::vector<Json> events;
  for (;;) {
    Json event = next();
    if (event.isNull()) {
      ADD_FAILURE() << "the output ended before a " << type << " " << phaseOrCode << " event";
      return events;
    }
    events.push_back(event);
    if (event.get("type").text() != type) continue;
    if (phaseOrCode.empty() || event.get("phase").text() == phaseOrCode || event.get("code").text() == phaseOrCode) {
      return events;
    }
  }
}

std::vector<Json> LauncherProcess::rest() {
  std::vector<Json> events;
  for (Json event = next(); !event.isNull(); event = next()) events.push_back(event);
  return events;
}

void LauncherProcess::limitWaits(std::chrono::milliseconds fromNow) {
  deadline_ = std::chrono::steady_clock::now() + fromNow;
}

std::chrono::milliseconds LauncherProcess::waitLimit() const {
  if (!deadline_) return kLimit;
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(*deadline_ - std::chrono::steady_clock::now());
  return std::clamp(left, std::chrono::milliseconds(0), std::chrono::milliseconds(kLimit));
}

int LauncherProcess::wait() {
  if (pid_ <= 0) return status_;
  status_ = waitForExit(pid_, waitLimit());
  pid_ = -1;
  return status_;
}

void LauncherProcess::kill() {
  if (pid_ > 0) ::kill(pid_, SIGKILL);
  (void)wait();
}

std::vector<std::string> typesOf(const std::vector<Json>& events) {
  std::vector<std::string> types;
  for (const Json& event : events) types.emplace_back(event.get("type").text());
  return types;
}

}  // namespace zv::test
