#include "platform/process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/command_line.h"
#include "platform/unique_fd_posix.h"

#if __has_include(<linux/close_range.h>)
#include <linux/close_range.h>
#endif

namespace zv {
namespace {

void fillError(StartError& error, int code, std::string_view what) {
  error.code = static_cast<uint32_t>(code);
  error.kind = StartFailure::Other;
  error.text = std::string(what) + ": " + std::strerror(code);
}

bool isWindowsProgram(const std::filesystem::path& program) {
  std::string name = program.filename().native();
  for (char& c : name) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return name.size() > 4 && name.ends_with(".exe");
}

[[noreturn]] void reportAndExit(int pipeFd, int code) {
  // A short write to a pipe of this size cannot be partial.
  (void)!::write(pipeFd, &code, sizeof code);
  _exit(127);
}

// In the child, between fork and exec: only async-signal-safe calls.
[[noreturn]] void execChild(const char* executable, char* const* argv, const char* folder, int nullFd, int pipeFd,
                            bool detach) {
  if (detach) (void)setsid();  // the game must not end with our terminal
  if (nullFd >= 0) {
    (void)dup2(nullFd, STDIN_FILENO);
    (void)dup2(nullFd, STDOUT_FILENO);
    (void)dup2(nullFd, STDERR_FILENO);
  }
  sigset_t none;
  sigemptyset(&none);
  (void)sigprocmask(SIG_SETMASK, &none, nullptr);
  (void)signal(SIGPIPE, SIG_DFL);
  if (folder != nullptr && chdir(folder) != 0) reportAndExit(pipeFd, errno);
  // Descriptors this process opened without close-on-exec (sockets of a
  // library, a lock file) must not stay open in the child: a game holding the
  // instance lock would keep the next launcher out.
#ifdef CLOSE_RANGE_CLOEXEC
  if (close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) != 0)
#endif
  {
    const long limit = sysconf(_SC_OPEN_MAX);
    for (int fd = 3; fd < (limit > 0 && limit < 65536 ? limit : 65536); ++fd) {
      if (fd != pipeFd) (void)fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
  }
  execv(executable, argv);
  reportAndExit(pipeFd, errno);
}

}  // namespace

ChildProcess::~ChildProcess() = default;

bool ChildProcess::started() const { return pid_ > 0; }

bool ChildProcess::wait(int& exitCode) {
  if (pid_ <= 0) return false;
  int status = 0;
  pid_t result;
  do {
    result = waitpid(pid_, &status, 0);
  } while (result < 0 && errno == EINTR);
  pid_ = -1;
  if (result < 0) return false;
  exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return true;
}

bool startProcess(const ProcessCommand& command, StartError& error, ChildProcess* child) {
  // Everything the child needs is prepared before fork: after it, a process
  // with other threads may not allocate.
  std::vector<std::string> arguments;
  std::string executable = command.program.native();
  if (isWindowsProgram(command.program)) {
    const std::filesystem::path wine = findProgramOnPath("wine");
    if (!wine.empty()) {
      executable = wine.native();
      arguments.push_back("wine");
    }
  }
  arguments.push_back(command.program.native());
  for (std::string& argument : splitCommandLine(command.arguments)) arguments.push_back(std::move(argument));
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  const std::string folder = command.workingFolder.native();

  UniqueFd nullDevice(command.shareStandardStreams ? -1 : ::open("/dev/null", O_RDWR | O_CLOEXEC));
  if (!command.shareStandardStreams && nullDevice.get() < 0) {
    fillError(error, errno, "/dev/null");
    return false;
  }
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) {
    fillError(error, errno, "cannot start " + command.program.native());
    return false;
  }
  UniqueFd readEnd(pipeFds[0]);
  UniqueFd writeEnd(pipeFds[1]);
  const bool detached = child == nullptr;

  const pid_t pid = fork();
  if (pid == 0) {
    if (detached) {
      // Started twice over: the middle process ends at once, so the program
      // belongs to init and never lingers as a zombie of ours.
      const pid_t grandchild = fork();
      if (grandchild < 0) reportAndExit(writeEnd.get(), errno);
      if (grandchild > 0) _exit(0);
    }
    execChild(executable.c_str(), argv.data(), folder.empty() ? nullptr : folder.c_str(), nullDevice.get(),
              writeEnd.get(), !command.shareStandardStreams);
  }
  const int forkErrno = errno;
  writeEnd.reset();
  if (pid < 0) {
    fillError(error, forkErrno, "cannot start " + command.program.native());
    return false;
  }
  // The pipe closes at exec (close-on-exec) or carries the errno of the failure.
  int childErrno = 0;
  size_t got = 0;
  while (got < sizeof childErrno) {
    const ssize_t n = ::read(readEnd.get(), reinterpret_cast<char*>(&childErrno) + got, sizeof childErrno - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  if (detached || got == sizeof childErrno) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }
  if (got == sizeof childErrno) {
    fillError(error, childErrno, "cannot start " + command.program.native());
    return false;
  }
  if (child != nullptr) child->pid_ = pid;
  return true;
}

bool startThroughShell(const ProcessCommand& command, StartError& error) { return startProcess(command, error); }

bool makeExecutable(const std::filesystem::path& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return false;
  // Execute permission for everyone who may read it.
  const mode_t mode = info.st_mode | ((info.st_mode & 0444) >> 2);
  return mode == info.st_mode || ::chmod(path.c_str(), mode) == 0;
}

std::filesystem::path executablePath() {
  std::error_code ec;
  std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::path() : path;
}

std::filesystem::path findProgramOnPath(std::string_view name) {
  const char* pathVariable = std::getenv("PATH");
  if (pathVariable == nullptr || name.empty()) return {};
  std::string_view folders = pathVariable;
  while (true) {
    const size_t colon = folders.find(':');
    const std::string_view folder = folders.substr(0, colon);
    if (!folder.empty()) {
      std::filesystem::path candidate = std::filesystem::path(folder) / name;
      struct stat info {};
      if (::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(candidate.c_str(), X_OK) == 0) {
        return candidate;
      }
    }
    if (colon == std::string_view::npos) break;
    folders.remove_prefix(colon + 1);
  }
  return {};
}

}  // namespace zv
