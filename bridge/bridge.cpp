#include "bridge/bridge.h"

#include "addons/addon_jobs.h"
#include "bridge/event_gate.h"
#include "bridge/page_events.h"
#include "net/background_tasks.h"
#include "net/make_fetcher.h"
#include "platform/open_url.h"
#include "updater/update_job.h"

namespace zv {
namespace {

void fillDefaults(BridgeServices& services) {
  if (!services.startBackground) services.startBackground = startBackgroundTasks;
  if (!services.runUpdate) services.runUpdate = runUpdate;
  if (!services.runAddonInstall) services.runAddonInstall = runAddonInstall;
  if (!services.runAddonRemove) services.runAddonRemove = runAddonRemove;
  if (!services.makeFetcher) services.makeFetcher = [] { return makeFetcher(); };
  if (!services.openUrl) services.openUrl = [](const std::string& url) { zv::openUrl(url); };
  if (!services.startLauncher) {
    services.startLauncher = [](const ProcessCommand& command, StartError& error) {
      return startProcess(command, error);
    };
  }
  if (services.gameStarter == nullptr) services.gameStarter = &systemGameStarter();
}

}  // namespace

Bridge::Bridge(const LauncherConfig& config, Preferences& prefs, BridgeSetup setup, EventSink& sink,
               HostWindow& window, BridgeServices services)
    : config_(config),
      prefs_(prefs),
      setup_(std::move(setup)),
      sink_(sink),
      window_(window),
      services_(std::move(services)),
      gate_(std::make_shared<EventGate>(sink)) {
  fillDefaults(services_);
}

Bridge::~Bridge() { close(); }

std::filesystem::path Bridge::logPath() const { return setup_.clientFolder / "ZarvoLauncher.log"; }

void Bridge::handlePageMessage(std::string_view text) {
  if (closed_) return;
  const Json command = Json::parse(text);
  const Json& cmd = command.get("cmd");
  if (!cmd.isString()) return;
  dispatch(cmd.text(), command);
}

void Bridge::dispatch(const std::string& cmd, const Json& command) {
  if (cmd == "ready") {
    onReady();
  } else if (cmd == "play") {
    (void)startGame();
  } else if (cmd == "check") {
    startUpdate(CheckMode::Check);
  } else if (cmd == "repair") {
    startUpdate(CheckMode::Repair);
  } else if (cmd == "cancel") {
    requestCancel();
  } else if (cmd == "link") {
    openLink(config_.linkUrl(command.get("name").text()));
  } else if (cmd == "openUrl") {
    openLink(command.get("url").text());
  } else if (cmd == "minimize") {
    window_.minimize();
  } else if (cmd == "close") {
    window_.requestClose();
  } else if (cmd == "drag") {
    window_.beginDrag();
  } else if (cmd == "addonInstall") {
    installAddon(command);
  } else if (cmd == "addonRemove") {
    removeAddon(command);
  } else if (cmd == "getSettings") {
    sendSettings();
  } else if (cmd == "saveSettings") {
    saveVideoSettings(command);
  } else if (cmd == "setLanguage") {
    setLanguage(command);
  } else if (cmd == "setTheme") {
    setTheme(command);
  } else if (cmd == "setArt") {
    setArt(command);
  }
}

void Bridge::onReady() {
  pageReady_ = true;
  // Events that arrived before the page could take them, in arrival order.
  std::vector<std::string> queued;
  queued.swap(pendingPageEvents_);
  for (const std::string& text : queued) deliverPageEvent(text);
  postPageEvent(initEvent(config_, prefs_));
  if (backgroundStarted_) return;
  backgroundStarted_ = true;
  if (services_.startBackground) {
    std::shared_ptr<EventGate> gate = gate_;
    const PostEvent post = [gate](const Json& event) { gate->post(event.dump()); };
    services_.startBackground(config_, post, gate->closing);
  }
  if (!jobBusy_.load()) startUpdate(CheckMode::Check);
}

void Bridge::deliverPageEvent(const std::string& text) {
  if (closed_) return;
  if (pageReady_ && window_.pageViewExists()) {
    window_.sendToPage(text);
  } else {
    pendingPageEvents_.push_back(text);
  }
}

void Bridge::postPageEvent(const Json& event) { gate_->post(event.dump()); }

void Bridge::sendNotice(std::string_view code, std::string_view detail) { postPageEvent(noticeEvent(code, detail)); }

std::shared_ptr<const Manifest> Bridge::lastManifest() const {
  std::lock_guard lock(manifestMutex_);
  return lastManifest_;
}

bool Bridge::startGame() {
  const GameStartRequest request{config_, setup_.clientFolder, jobBusy_.load(), window_.nativeHandle(), logPath()};
  const GameStartResult result = zv::startGame(request, *services_.gameStarter);
  if (!result.noticeCode.empty()) sendNotice(result.noticeCode, result.noticeDetail);
  if (result.started) {
    if (config_.closeOnPlay) {
      window_.requestClose();
    } else {
      window_.minimize();
    }
  }
  return result.started;
}

}  // namespace zv
