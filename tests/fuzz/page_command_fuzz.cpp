// Page messages on any bytes, one per line: handlePageMessage never crashes
// or hangs, whatever arrives and in whatever order, and everything the page
// gets back is a JSON object with a type.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "bridge/bridge.h"
#include "data/preferences.h"
#include "tests/unit/recording_host.h"
#include "updater/update_job.h"

namespace {

void check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "page command fuzz: %s\n", what);
    std::abort();
  }
}

// Starting nothing real: the game start succeeds without a process.
class NoGame final : public zv::GameProcessStarter {
 public:
  bool start(const zv::ProcessCommand&, zv::StartError&) override { return true; }
  bool startThroughShell(const zv::ProcessCommand&, zv::StartError&) override { return true; }
  void pause(unsigned) override {}
};

// One folder for every run (libFuzzer ends without cleaning up): the
// commands write preferences, the options file and the log there.
const std::filesystem::path& scratch() {
  static const std::filesystem::path folder = [] {
    std::error_code ec;
    const std::filesystem::path path = std::filesystem::temp_directory_path(ec) / "zv-page-fuzz";
    std::filesystem::create_directories(path / "client/system", ec);
    return path;
  }();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static NoGame game;
  zv::LauncherConfig config;
  config.links = {{"site", "https://example.test/"}};
  config.statusHost = "127.0.0.1";
  config.statusPort = 1;
  zv::Preferences prefs = zv::loadPreferences(config, scratch() / "data", "1");
  zv::BridgeServices services;
  services.startBackground = [](const zv::LauncherConfig&, const zv::BackgroundReports&,
                                const std::atomic<bool>&) {};
  services.runUpdate = [](zv::UpdateJob& updater, zv::CheckMode) {
    updater.events().onDone(true, true, "uptodate", "");
  };
  services.runAddonInstall = [](zv::UpdateJob& updater, const std::string& id, const std::string&,
                                const std::string&) { updater.events().onDone(true, true, "addonInstalled", id); };
  services.runAddonRemove = [](zv::UpdateJob& updater, const std::string& id, const zv::Manifest*) {
    updater.events().onDone(true, true, "addonRemoved", id);
  };
  services.openUrl = [](const std::string&) {};
  services.startLauncher = [](const zv::ProcessCommand&, zv::StartError&) { return false; };
  services.gameStarter = &game;
  zv::BridgeSetup setup;
  setup.launcherPath = scratch() / "client/launcher";
  setup.clientFolder = scratch() / "client";

  zv::test::RecordingHost host;
  {
    zv::Bridge bridge(config, prefs, setup, host, host, services);
    std::string_view text(reinterpret_cast<const char*>(data), size);
    while (!text.empty()) {
      const size_t end = text.find('\n');
      bridge.handlePageMessage(text.substr(0, end));
      check(host.runUntilIdle(bridge), "a job that never ends");
      text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
  }
  for (const std::string& event : host.page) {
    const zv::Json value = zv::Json::parse(event);
    check(value.isObject() && value.get("type").isString(), "an event without a type");
  }
  return 0;
}
