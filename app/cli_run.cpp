#include "app/cli_run.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <thread>

#include "app/cli_addons.h"
#include "app/cli_host.h"
#include "app/cli_options.h"
#include "app/cli_progress.h"
#include "app/cli_startup.h"
#include "bridge/bridge.h"
#include "platform/console.h"
#include "platform/heap.h"
#include "platform/standard_streams.h"
#include "platform/text_path.h"

namespace zv::cli {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

BridgeSetup bridgeSetup(const Startup& startup, const Options& options) {
  BridgeSetup setup;
  setup.launcherPath = startup.launcherPath;
  setup.clientFolder = startup.clientFolder;
  // The new launcher runs in the client folder: it gets the folders as they
  // were resolved here, not as they were typed.
  Options restart = options;
  if (!restart.client.empty()) restart.client = pathToUtf8(startup.clientFolder);
  if (!restart.data.empty()) restart.data = pathToUtf8(startup.dataFolder);
  setup.restartArguments = restartArguments(restart);
  // Whoever talks to this launcher goes on talking to the new one.
  setup.restartSharesStreams = true;
  return setup;
}

// The page protocol over standard input and output until the input ends or
// the page closes the launcher.
int runStdio(Startup& startup, const Options& options) {
  // A reader that went away is the page closed; the end of input says so.
  auto host =
      std::make_shared<ConsoleHost>([](const PageEvent& event) { (void)writeStandardOutput(event.json + "\n"); });
  Bridge bridge(startup.config, startup.prefs, bridgeSetup(startup, options), *host, *host);
  // The reader may stay blocked on input after the launcher closed; it owns
  // a share of the host so that it never posts into a destroyed one.
  std::thread([host] {
    // Input that fails in any way ends it, which closes the launcher. An
    // over-long line is dropped like any other malformed command.
    try {
      std::string line;
      for (InputLine read; (read = readStandardInputLine(line)) != InputLine::End;) {
        if (read == InputLine::Line) host->postCommand(line);
      }
    } catch (...) {
    }
    host->postEndOfInput();
  }).detach();
  host->run(bridge);
  bridge.close();
  return kExitOk;
}

// The exit status of a one-shot command whose job gave jobStatus: a report
// that could not be written (a full disk, a closed pipe) is no success.
int withOutput(int jobStatus, bool outputLost) {
  std::fflush(stdout);
  if (!outputLost && !std::ferror(stdout)) return jobStatus;
  std::fputs("zarvo-launcher: the output could not be written\n", stderr);
  return jobStatus == kExitOk ? kExitFailed : jobStatus;
}

int runOneShot(Startup& startup, const Options& options) {
  if ((options.command == Command::AddonInstall || options.command == Command::AddonRemove) &&
      !isValidAddonId(options.addonId)) {
    std::fprintf(stderr, "%s is not an add-on id (1 to 32 of a-z, 0-9, - and _)\n", options.addonId.c_str());
    return kExitUsage;
  }
  ProgressDisplay display(!options.json && isTerminal(ConsoleStream::Output), options.command == Command::Addons);
  std::optional<bool> jobOk;  // from the job's result
  bool addonList = false;
  bool outputLost = false;
  auto host = std::make_shared<ConsoleHost>([&](const PageEvent& event) {
    if (options.json) {
      outputLost = !writeStandardOutput(event.json + "\n") || outputLost;
    } else {
      display.show(event.values);
    }
    if (const auto* result = std::get_if<JobResult>(&event.values)) jobOk = result->ok;
    addonList = addonList || std::holds_alternative<AddonList>(event.values);
  });

  // After a self-update the new launcher runs this same command; its exit
  // status is this one's.
  ChildProcess restarted;
  BridgeServices services;
  services.startLauncher = [&restarted](const ProcessCommand& command, StartError& error) {
    return startProcess(command, error, &restarted);
  };
  Bridge bridge(startup.config, startup.prefs, bridgeSetup(startup, options), *host, *host, std::move(services));
  bridge.markPageReady();

  switch (options.command) {
    case Command::Check: bridge.startUpdate(CheckMode::Check); break;
    case Command::Repair: bridge.startUpdate(CheckMode::Repair); break;
    case Command::Addons: bridge.startJob(listAddonsJob); break;
    case Command::AddonInstall: bridge.installAddon(options.addonId, options.variant, options.key); break;
    case Command::AddonRemove: bridge.removeAddon(options.addonId); break;
    case Command::Play: {
      const bool started = bridge.play();
      host->drain(bridge);
      bridge.close();
      return withOutput(started ? kExitOk : kExitFailed, outputLost);
    }
    case Command::Stdio:
    case Command::Help: break;
  }
  host->run(bridge, [&bridge] { return !bridge.jobBusy(); });
  bridge.close();
  display.finish();

  if (host->restarted()) {
    // The new launcher waits for this lock; it may have it at once.
    startup.lock.release();
    int exitCode = kExitFailed;
    return withOutput(restarted.wait(exitCode) ? exitCode : kExitFailed, outputLost);
  }
  if (options.command == Command::Addons) {
    return withOutput(addonList && !jobOk.has_value() ? kExitOk : kExitFailed, outputLost);
  }
  return withOutput(jobOk.value_or(false) ? kExitOk : kExitFailed, outputLost);
}

}  // namespace

int run(const std::vector<std::string>& args) {
  returnLargeBlocksToTheSystem();
  Options options;
  std::string error;
  if (!parseOptions(args, options, error)) {
    std::fprintf(stderr, "zarvo-launcher: %s\n\n%s", error.c_str(), usageText().c_str());
    return kExitUsage;
  }
  if (options.command == Command::Help) {
    std::fputs(usageText().c_str(), stdout);
    return kExitOk;
  }
  useUtf8Console();
  Startup startup;
  std::string message;
  switch (startUp(options, startup, message)) {
    case StartupResult::Ready: break;
    case StartupResult::ConfigError:
      std::fprintf(stderr, "%s\n", message.c_str());
      return kExitFailed;
    case StartupResult::AnotherInstance:
      std::fprintf(stderr, "Another ZarvoLauncher runs for the client folder %s\n",
                   pathToUtf8(startup.clientFolder).c_str());
      // Like the window launcher, which only brings the other one forward;
      // a one-shot command did not do its work, though.
      return options.command == Command::Stdio ? kExitOk : kExitFailed;
  }
  return options.command == Command::Stdio ? runStdio(startup, options) : runOneShot(startup, options);
}

}  // namespace zv::cli
