#pragma once
// The launcher's core between the page and the work: what the page can ask
// for is a typed call here (the page's JSON commands are read into the same
// calls), every event for the page passes through here, and here the one
// background job at a time is started, cancelled and ended. The host (a
// window, or the console) supplies only an EventSink and a HostWindow, so
// the Windows launcher and the console launcher behave the same.
//
// Threads: the host's main thread calls everything except postPageEvent,
// which any thread may call. One job thread at a time runs an
// UpdateJob; news and status run on threads of their own.

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "addons/addon_jobs.h"
#include "bridge/event_sink.h"
#include "bridge/host_window.h"
#include "bridge/page_event.h"
#include "bridge/page_replay.h"
#include "bridge/self_update_swap.h"
#include "data/launcher_config.h"
#include "data/preferences.h"
#include "data/theme_picture.h"
#include "data/video_settings.h"
#include "game/game_start.h"
#include "net/background_tasks.h"
#include "platform/open_url.h"
#include "updater/manifest.h"
#include "updater/update_events.h"

namespace zv {

class UpdateJob;
class EventGate;

// What the bridge starts and calls: the real thing, unless a test replaces
// what it watches.
struct BridgeServices {
  // Starts the news and status tasks, once, at the page's first "ready". The
  // tasks may outlive the bridge: closing stays valid as long as they hold a
  // copy of reports, and reports drop events once the host is gone.
  std::function<void(const LauncherConfig& config, const BackgroundReports& reports,
                     const std::atomic<bool>& closing)>
      startBackground = startBackgroundTasks;
  // The jobs.
  std::function<void(UpdateJob& updater, CheckMode mode)> runUpdate = zv::runUpdate;
  std::function<void(UpdateJob& updater, const std::string& id, const std::string& variant, const std::string& key)>
      runAddonInstall = zv::runAddonInstall;
  std::function<void(UpdateJob& updater, const std::string& id, const Manifest* manifest)> runAddonRemove =
      zv::runAddonRemove;
  // Shows a web page (the caller has checked the scheme).
  std::function<void(const std::string& url)> openUrl = [](const std::string& url) { zv::openUrl(url); };
  // Starts the new launcher after a self-update.
  ProcessStartFn startLauncher = [](const ProcessCommand& command, StartError& error) {
    return startProcess(command, error);
  };
  // The game start's processes and pauses.
  GameProcessStarter* gameStarter = &systemGameStarter();
};

// Process-wide values fixed at start-up.
struct BridgeSetup {
  std::filesystem::path launcherPath;
  std::filesystem::path clientFolder;
  // The arguments the new launcher gets after a self-update, in command-line
  // form: "--updated" for the window launcher; the console launcher adds its
  // own command and options.
  std::string restartArguments = "--updated";
  // The restarted launcher shares this process's standard streams (the
  // console launcher, whose caller goes on talking to the new process).
  bool restartSharesStreams = false;
};

class Bridge {
 public:
  // config and prefs belong to the host and outlive the bridge.
  Bridge(const LauncherConfig& config, Preferences& prefs, BridgeSetup setup, EventSink& sink, HostWindow& window,
         BridgeServices services = {});
  // Runs close() if the host has not.
  ~Bridge();
  Bridge(const Bridge&) = delete;
  Bridge& operator=(const Bridge&) = delete;

  // One message from the page: a JSON command object, read into one of the
  // calls below. Anything malformed or unknown is ignored.
  void handlePageMessage(std::string_view text);

  // What the page can ask for (window actions go to the HostWindow, cancel is
  // requestCancel). A value that fails its check makes the call do nothing.
  // ready: the page is loaded; queued events, "init", and the first time also
  // the news and status tasks and a check.
  void ready();
  // Starts the game; true when it started.
  bool play();
  // A web address (http or https only); a link is the configured one's.
  void openUrl(const std::string& url);
  // An add-on job for a valid add-on id (logged); "busy" while a job runs.
  void installAddon(const std::string& id, const std::string& variant, const std::string& key);
  void removeAddon(const std::string& id);
  // Answered by the "settings" and "settingsSaved" events.
  void getSettings();
  void saveSettings(const VideoChoice& choice);
  // Stored only when valid: lt, en or ru; a theme name with "dark" or "light"
  // (a bg that is no #rrggbb colour is stored empty).
  void setLanguage(const std::string& lang);
  void setTheme(const std::string& theme, const std::string& mode, const std::string& bg);
  // A checked theme picture, or none (an empty file).
  void setArt(const ThemePicture& picture);

  // The host's main thread hands back what was posted to its EventSink.
  // jobEnded also delivers the job's "done" event: the page sees a result
  // only when a new job can start.
  void deliverPageEvent(PageEvent event);
  void finishSelfUpdate(const std::filesystem::path& newLauncher);
  void jobEnded();

  // The window closes: stops the news and status tasks, cancels a running
  // job and waits for it. Events still on their way are dropped.
  void close();

  // Jobs. startJob answers "busy" while a job runs; startUpdate (check and
  // repair) then does nothing at all.
  using Job = std::function<void(UpdateJob& updater)>;
  void startJob(Job job);
  void startUpdate(CheckMode mode);
  void requestCancel();
  bool jobBusy() const { return jobBusy_.load(); }

  // Any thread.
  void postPageEvent(PageEvent event);

  // The manifest the last job accepted (null before any).
  std::shared_ptr<const Manifest> lastManifest() const;

  // For a host whose page needs no "ready" (the console's one-shot
  // commands): events go straight out, nothing is started.
  void markPageReady() { pageReady_ = true; }
  bool selfUpdateOff() const { return selfUpdateOff_; }
  std::filesystem::path logPath() const;

 private:
  // Waits for the job thread, if any, and marks the launcher idle.
  void joinJob();
  void runWorker(const Job& job, const std::filesystem::path& launcherPath);
  void runJob(const Job& job, const std::filesystem::path& launcherPath, bool& handedOver, PageEvent& result);

  const LauncherConfig& config_;
  Preferences& prefs_;
  const BridgeSetup setup_;
  EventSink& sink_;
  HostWindow& window_;
  BridgeServices services_;
  // Shared with the news and status threads, which may outlive the bridge.
  std::shared_ptr<EventGate> gate_;

  // Main thread only.
  bool pageReady_ = false;
  bool backgroundStarted_ = false;
  bool closed_ = false;
  bool selfUpdateOff_ = false;
  bool initSent_ = false;  // a later "init" goes to a reloaded page
  std::vector<PageEvent> pendingPageEvents_;
  PageReplay replay_;

  std::thread jobThread_;
  std::atomic<bool> jobBusy_{false};
  mutable std::mutex jobMutex_;
  UpdateJob* currentUpdater_ = nullptr;  // guarded by jobMutex_
  // A cancel since the job was started, which the job takes when it
  // registers: one that came while it was being set up is not lost.
  bool cancelRequested_ = false;  // guarded by jobMutex_
  PageEvent jobResult_;  // the ended job's "done", written before its thread ends

  mutable std::mutex manifestMutex_;
  std::shared_ptr<const Manifest> lastManifest_;  // guarded by manifestMutex_
};

}  // namespace zv
