#include "bridge/bridge.h"

#include <utility>

#include "bridge/event_gate.h"
#include "bridge/page_protocol.h"
#include "data/valid_utf8.h"

namespace zv {

Bridge::Bridge(const LauncherConfig& config, Preferences& prefs, BridgeSetup setup, EventSink& sink,
               HostWindow& window, BridgeServices services)
    : config_(config),
      prefs_(prefs),
      setup_(std::move(setup)),
      sink_(sink),
      window_(window),
      services_(std::move(services)),
      gate_(std::make_shared<EventGate>(sink)) {}

Bridge::~Bridge() { close(); }

std::filesystem::path Bridge::logPath() const { return setup_.clientFolder / "ZarvoLauncher.log"; }

void Bridge::handlePageMessage(std::string_view text) {
  if (closed_) return;
  const PageCommand command = parsePageCommand(text);
  using Kind = PageCommand::Kind;
  switch (command.kind) {
    case Kind::Ignored: break;
    case Kind::Ready: ready(); break;
    case Kind::Play: (void)play(); break;
    case Kind::Check: startUpdate(CheckMode::Check); break;
    case Kind::Repair: startUpdate(CheckMode::Repair); break;
    case Kind::Cancel: requestCancel(); break;
    case Kind::Link: openUrl(config_.linkUrl(command.name)); break;
    case Kind::OpenUrl: openUrl(command.url); break;
    case Kind::Minimize: window_.minimize(); break;
    case Kind::Close: window_.requestClose(); break;
    case Kind::Drag: window_.beginDrag(); break;
    case Kind::AddonInstall: installAddon(command.id, command.variant, command.key); break;
    case Kind::AddonRemove: removeAddon(command.id); break;
    case Kind::GetSettings: getSettings(); break;
    case Kind::SaveSettings: saveSettings(command.video); break;
    case Kind::SetLanguage: setLanguage(command.lang); break;
    case Kind::SetTheme: setTheme(command.theme, command.mode, command.bg); break;
    case Kind::SetArt: setArt(command.art); break;
  }
}

void Bridge::ready() {
  if (closed_) return;
  pageReady_ = true;
  // Events that arrived before the page could take them, in arrival order.
  std::vector<PageEvent> queued;
  queued.swap(pendingPageEvents_);
  for (PageEvent& event : queued) deliverPageEvent(std::move(event));
  postPageEvent(initEvent(config_, prefs_));
  if (backgroundStarted_) return;
  backgroundStarted_ = true;
  if (services_.startBackground) {
    std::shared_ptr<EventGate> gate = gate_;
    BackgroundReports reports;
    reports.news = [gate](const News& news) { gate->post(newsEvent(news)); };
    reports.status = [gate](const ServerStatus& status) { gate->post(statusEvent(status)); };
    services_.startBackground(config_, reports, gate->closing);
  }
  startUpdate(CheckMode::Check);
}

void Bridge::deliverPageEvent(PageEvent event) {
  if (closed_) return;
  // Texts from outside (page commands, server documents) may carry bytes that
  // are no UTF-8, which the page would not take as JSON. They are only ever
  // inside JSON strings, so putting U+FFFD in their place keeps it valid.
  event.json = validUtf8(event.json);
  if (pageReady_ && window_.pageViewExists()) {
    window_.sendToPage(event);
    replay_.record(event);
    // A reloaded page starts from nothing: give it the launcher's state.
    if (event.type == "init" && std::exchange(initSent_, true)) {
      for (const PageEvent& state : replay_.events()) window_.sendToPage(state);
    }
  } else {
    pendingPageEvents_.push_back(std::move(event));
  }
}

void Bridge::postPageEvent(PageEvent event) { gate_->post(std::move(event)); }

std::shared_ptr<const Manifest> Bridge::lastManifest() const {
  std::lock_guard lock(manifestMutex_);
  return lastManifest_;
}

bool Bridge::play() {
  const GameStartRequest request{config_, setup_.clientFolder, jobBusy_.load(), window_.nativeHandle(), logPath()};
  const GameStartResult result = zv::startGame(request, *services_.gameStarter);
  if (!result.noticeCode.empty()) postPageEvent(noticeEvent({result.noticeCode, result.noticeDetail}));
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
