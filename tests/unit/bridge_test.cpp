#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "bridge/bridge.h"
#include "bridge/page_protocol.h"
#include "data/preferences.h"
#include "data/video_options.h"
#include "tests/support/temp_dir.h"
#include "tests/unit/recording_host.h"
#include "updater/update_job.h"

namespace zv {
namespace {

using test::readFile;
using test::RecordingHost;
using test::TempDir;
using test::writeFile;

// Waits until the job sees a cancel request; a minute without one
// fails the test rather than hanging it.
void waitForCancel(UpdateJob& updater) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  while (!updater.cancelRequested()) {
    if (std::chrono::steady_clock::now() > deadline) {
      ADD_FAILURE() << "the job was never cancelled";
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

struct AddonCall {
  std::string id, variant, key;
  std::string manifestBuild = "<none>";
};

class BridgeTest : public ::testing::Test {
 protected:
  BridgeTest() {
    config.serverName = "Test \"Server\"";
    config.language = "en";
    config.statusHost = "127.0.0.1";
    config.statusPort = 7777;
    config.links = {{"site", "https://example.test/"}, {"forum", "http://forum.test/"}};
    prefs = loadPreferences(config, data.path(), "1234");
    services.startBackground = [this](const LauncherConfig&, const BackgroundReports& reports,
                                      const std::atomic<bool>& closing) {
      ++backgroundStarts;
      background = reports;
      backgroundClosing = &closing;
    };
    services.runUpdate = [this](UpdateJob& updater, CheckMode mode) {
      modes.push_back(mode);
      updater.run(mode);  // without an update server: "noconfig" at once
    };
    services.runAddonInstall = [this](UpdateJob& updater, const std::string& id, const std::string& variant,
                                      const std::string& key) {
      addonCalls.push_back({id, variant, key});
      updater.events().onDone(true, true, "addonInstalled", id);
    };
    services.runAddonRemove = [this](UpdateJob& updater, const std::string& id, const Manifest* manifest) {
      addonCalls.push_back({id, "", "", manifest != nullptr ? manifest->build : "<none>"});
      updater.events().onDone(true, true, "addonRemoved", id);
    };
    services.openUrl = [this](const std::string& url) { opened.push_back(url); };
  }

  Bridge& bridge() {
    if (!bridge_) {
      BridgeSetup setup;
      setup.launcherPath = client / "launcher";
      setup.clientFolder = client.path();
      bridge_ = std::make_unique<Bridge>(config, prefs, setup, host, host, services);
    }
    return *bridge_;
  }
  void send(std::string_view command) { bridge().handlePageMessage(command); }
  // Sends a command and hands its answers to the page.
  void answer(std::string_view command) {
    send(command);
    host.pump(bridge());
  }
  void runUntilIdle() { ASSERT_TRUE(host.runUntilIdle(bridge())) << "a job did not end"; }
  // Starts a job that waits for a cancel request, and returns once it runs.
  void startBlockingJob(Bridge::Job then = {}) {
    std::promise<void> running;
    bridge().startJob([&running, then](UpdateJob& updater) {
      running.set_value();
      waitForCancel(updater);
      if (then) then(updater);
    });
    ASSERT_EQ(running.get_future().wait_for(std::chrono::minutes(1)), std::future_status::ready);
  }

  TempDir client;
  TempDir data;
  LauncherConfig config;
  Preferences prefs;
  BridgeServices services;
  RecordingHost host;
  int backgroundStarts = 0;
  BackgroundReports background;
  const std::atomic<bool>* backgroundClosing = nullptr;
  std::vector<CheckMode> modes;
  std::vector<AddonCall> addonCalls;
  std::vector<std::string> opened;
  std::unique_ptr<Bridge> bridge_;
};

TEST_F(BridgeTest, EventsWaitForReadyAndComeBeforeInit) {
  bridge().postPageEvent(statusEvent(ServerStatus{true, true, -1}));
  answer(R"({"cmd":"getSettings"})");
  EXPECT_TRUE(host.page.empty());

  send(R"({"cmd":"ready"})");
  runUntilIdle();
  EXPECT_EQ(host.types(), (std::vector<std::string>{"status", "settings", "init", "phase", "done"}));
  EXPECT_EQ(host.page[2],
            R"({"type":"init","serverName":"Test \"Server\"","version":"1.0.0","lang":"en","theme":"","mode":"dark",)"
            R"("links":{"site":true,"forum":true},"news":false,"status":true})");
}

TEST_F(BridgeTest, OnlyTheFirstReadyStartsTheBackgroundTasksAndTheCheck) {
  send(R"({"cmd":"ready"})");
  runUntilIdle();
  background.status(ServerStatus{true, true, 12});
  host.pump(bridge());
  const std::vector<std::string> first = host.page;
  answer(R"({"cmd":"ready"})");
  EXPECT_EQ(backgroundStarts, 1);
  EXPECT_EQ(modes, std::vector<CheckMode>{CheckMode::Check});
  EXPECT_FALSE(bridge().jobBusy());
  // The reloaded page gets the state it cannot ask for: without the last
  // result it would wait for one with Play off.
  ASSERT_EQ(host.page.size(), first.size() + 3);
  EXPECT_EQ(host.page[first.size()], first[0]);
  EXPECT_EQ(host.page[first.size() + 1], first.back());
  EXPECT_EQ(host.page.back(), first[first.size() - 2]);
  EXPECT_EQ(host.types().back(), "done");
}

TEST_F(BridgeTest, BackgroundEventsStopAtCloseEvenWhenTheirTaskOutlivesTheBridge) {
  send(R"({"cmd":"ready"})");
  runUntilIdle();
  ASSERT_TRUE(background.news && background.status);
  std::thread([reports = background] {
    reports.news(News{Json::parse(R"({"items":[]})")});
    reports.news(News{});
    reports.status(ServerStatus{true, true, 12});
    reports.status(ServerStatus{});
  }).join();
  host.pump(bridge());
  const std::vector<std::string> tail(host.page.end() - 4, host.page.end());
  EXPECT_EQ(tail, (std::vector<std::string>{R"({"type":"news","data":{"items":[]}})", R"({"type":"news"})",
                                            R"({"type":"status","online":true,"players":12})",
                                            R"({"type":"status","online":null})"}));
  EXPECT_FALSE(backgroundClosing->load());

  bridge().close();
  EXPECT_TRUE(backgroundClosing->load());
  const BackgroundReports survivor = background;
  bridge_.reset();
  const size_t before = host.page.size();
  survivor.status(ServerStatus{});  // after the bridge is gone: dropped, and no use of freed memory
  EXPECT_EQ(host.page.size(), before);
}

TEST_F(BridgeTest, WhileAJobRunsChecksAreSilentAndOtherStartsAnswerBusy) {
  writeFile(client / "system/L2.exe", "game");
  answer(R"({"cmd":"ready"})");
  runUntilIdle();
  host.page.clear();

  startBlockingJob();
  answer(R"({"cmd":"check"})");
  answer(R"({"cmd":"repair"})");
  EXPECT_TRUE(host.page.empty());
  answer(R"({"cmd":"addonInstall","id":"fx"})");
  answer(R"({"cmd":"addonRemove","id":"fx"})");
  answer(R"({"cmd":"play"})");
  EXPECT_EQ(host.types(), (std::vector<std::string>{"notice", "notice", "notice"}));
  EXPECT_EQ(host.page[0], R"({"type":"notice","code":"busy","detail":""})");
  EXPECT_EQ(host.closeRequests, 0);

  send(R"({"cmd":"cancel"})");
  runUntilIdle();
  EXPECT_EQ(modes.size(), 1u);  // only the automatic check ran
  EXPECT_TRUE(addonCalls.empty());
  // Idle again: a cancel now reaches nothing, and a check starts.
  send(R"({"cmd":"cancel"})");
  send(R"({"cmd":"repair"})");
  runUntilIdle();
  EXPECT_EQ(modes.back(), CheckMode::Repair);
}

TEST_F(BridgeTest, ACancelBeforeTheJobsFirstStepStopsIt) {
  // A closed port: without the cancel the manifest fetch ends "offline".
  config.updateUrl = "http://127.0.0.1:1/";
  config.publicKey = std::string(64, '0');
  bridge().markPageReady();
  startBlockingJob([](UpdateJob& updater) { updater.run(CheckMode::Check); });
  send(R"({"cmd":"cancel"})");
  runUntilIdle();
  EXPECT_NE(host.page.back().find(R"("code":"cancelled")"), std::string::npos) << host.page.back();
}

TEST_F(BridgeTest, CloseCancelsAndWaitsForTheJobAndDropsWhatItStillSends) {
  // Closing right after the start reaches the job however far it got.
  bridge().startJob([](UpdateJob& updater) {
    updater.events().onPhase("manifest");
    waitForCancel(updater);
    updater.events().onDone(false, true, "cancelled", "");
  });
  bridge().close();
  EXPECT_FALSE(bridge().jobBusy());
  bridge().markPageReady();
  host.pump(bridge());
  EXPECT_TRUE(host.page.empty());
  send(R"({"cmd":"check"})");  // nothing starts after the close
  EXPECT_FALSE(bridge().jobBusy());
}

TEST_F(BridgeTest, AddonCommandsNeedAValidIdAndAreLogged) {
  bridge().markPageReady();
  // The id rule itself is the manifest's; here: an invalid id stops the command before its log line.
  answer(R"({"cmd":"addonInstall","id":"abcdefghijklmnopqrstuvwxyz0123456"})");
  answer(R"({"cmd":"addonRemove","id":"a/b"})");
  EXPECT_FALSE(bridge().jobBusy());
  EXPECT_TRUE(host.page.empty());
  EXPECT_FALSE(std::filesystem::exists(bridge().logPath()));

  send(R"({"cmd":"addonInstall","id":"abcdefghijklmnopqrstuvwxyz012345","variant":"nv","key":"f12"})");
  runUntilIdle();
  send(R"({"cmd":"addonInstall","id":"fx_2","variant":7})");
  runUntilIdle();
  ASSERT_EQ(addonCalls.size(), 2u);
  EXPECT_EQ(addonCalls[0].id + " " + addonCalls[0].variant + " " + addonCalls[0].key,
            "abcdefghijklmnopqrstuvwxyz012345 nv f12");
  EXPECT_EQ(addonCalls[1].variant, "");  // not a text: empty
  const std::string log = readFile(bridge().logPath());
  EXPECT_NE(log.find("  addon install: abcdefghijklmnopqrstuvwxyz012345 variant=nv key=f12\r\n"), std::string::npos);
  EXPECT_NE(log.find("  addon install: fx_2 variant= key=\r\n"), std::string::npos);
}

TEST_F(BridgeTest, RemovalGetsTheManifestTheLastJobAccepted) {
  bridge().markPageReady();
  send(R"({"cmd":"addonRemove","id":"fx"})");
  runUntilIdle();
  EXPECT_EQ(bridge().lastManifest(), nullptr);

  bridge().startJob([](UpdateJob& updater) {
    auto manifest = std::make_shared<Manifest>();
    manifest->build = "b7";
    updater.events().onManifest(manifest);
  });
  runUntilIdle();
  send(R"({"cmd":"addonRemove","id":"fx"})");
  runUntilIdle();
  ASSERT_EQ(addonCalls.size(), 2u);
  EXPECT_EQ(addonCalls[0].manifestBuild, "<none>");
  EXPECT_EQ(addonCalls[1].manifestBuild, "b7");
  EXPECT_NE(readFile(bridge().logPath()).find("  addon remove: fx\r\n"), std::string::npos);
}

TEST_F(BridgeTest, AJobsProgressAndResultReachThePage) {
  bridge().markPageReady();
  bridge().startJob([](UpdateJob& updater) {
    updater.events().onProgress(Progress{"download", "a b.dat", 1, 3, 70000, 370080, 1536.5});
    updater.events().onDone(true, true, "uptodate", "");
  });
  runUntilIdle();
  EXPECT_EQ(host.page, (std::vector<std::string>{
                           R"({"type":"progress","phase":"download","file":"a b.dat","filesDone":1,"filesTotal":3,)"
                           R"("bytesDone":70000,"bytesTotal":370080,"speed":1536.5})",
                           R"({"type":"done","ok":true,"canPlay":true,"code":"uptodate","detail":"","build":""})"}));

  // A job whose function fails still ends with one result.
  bridge().startJob([](UpdateJob&) { throw std::runtime_error("disk on fire"); });
  runUntilIdle();
  ASSERT_EQ(host.page.size(), 3u);
  EXPECT_EQ(host.page[2], R"({"type":"done","ok":false,"canPlay":true,"code":"failed","detail":"disk on fire","build":""})");
}

TEST_F(BridgeTest, SettingsAreReadAndWrittenThroughTheOptionsFile) {
  writeFile(client / "system/Option.ini",
            "[Video]\r\nGamePlayViewportX=800\r\nGamePlayViewportY=600\r\nStartupFullScreen=True\r\n");
  bridge().markPageReady();
  answer(R"({"cmd":"getSettings"})");
  // The sizes after these are the machine's.
  EXPECT_TRUE(host.page[0].starts_with(
      R"({"type":"settings","windowed":false,"width":800,"height":600,"lang":"en","resolutions":[)"))
      << host.page[0];

  // Sizes are truncated; a field of another type keeps the stored value.
  answer(R"({"cmd":"saveSettings","windowed":true,"width":1280.9,"height":720})");
  answer(R"({"cmd":"saveSettings","windowed":"no","width":"1920","height":16385})");
  EXPECT_EQ(host.page[2], R"({"type":"settingsSaved","ok":true})");
  VideoOptions stored;
  ASSERT_TRUE(readVideoOptions(client / "system/Option.ini", stored));
  EXPECT_EQ(stored, (VideoOptions{true, 1280, 720}));
}

TEST_F(BridgeTest, LanguageAndThemeAreStoredOnlyWhenValid) {
  const auto stored = [this] { return loadPreferences(config, data.path(), "1234"); };
  send(R"({"cmd":"setLanguage","lang":"RU"})");
  EXPECT_FALSE(std::filesystem::exists(prefs.prefsPath));
  send(R"({"cmd":"setLanguage","lang":"ru"})");
  EXPECT_EQ(stored().prefLang, "ru");

  send(R"({"cmd":"setTheme","theme":"ember","mode":"Dark","bg":"#102030"})");
  EXPECT_EQ(stored().prefTheme, "");
  send(R"({"cmd":"setTheme","theme":"ember","mode":"light","bg":"#12345"})");
  EXPECT_EQ(stored().prefTheme, "ember");
  EXPECT_EQ(stored().prefMode, "light");
  EXPECT_EQ(stored().prefBg, "");
  send(R"({"cmd":"setTheme","theme":"ember","mode":"dark","bg":"#A0b1C2"})");
  EXPECT_EQ(stored().prefBg, "#A0b1C2");
  EXPECT_EQ(stored().prefLang, "ru");  // one change keeps the others
}

TEST_F(BridgeTest, ThemePictureChangesAreDrawnAndStored) {
  const auto stored = [this] { return loadPreferences(config, data.path(), "1234").art; };
  send(R"({"cmd":"setArt","file":"themes/ember/Art.PNG","x":5000,"y":-20,"height":300})");
  ASSERT_EQ(host.art.size(), 1u);
  EXPECT_EQ(stored(), (ThemePicture{"themes/ember/Art.PNG", 3000, -20, 300}));

  // The same picture again is drawn again only when it is not on screen.
  send(R"({"cmd":"setArt","file":"themes/ember/Art.PNG","x":3000,"y":-20,"height":300})");
  EXPECT_EQ(host.art.size(), 2u);
  host.drawn = true;
  send(R"({"cmd":"setArt","file":"themes/ember/Art.PNG","x":3000,"y":-20,"height":300})");
  EXPECT_EQ(host.art.size(), 2u);

  send(R"({"cmd":"setArt","file":"../outside.png","x":0,"y":0,"height":300})");
  EXPECT_EQ(host.art.size(), 2u);
  send(R"({"cmd":"setArt","file":""})");
  EXPECT_EQ(host.art.back(), ThemePicture{});
  EXPECT_EQ(stored(), ThemePicture{});
}

TEST_F(BridgeTest, OnlyWebAddressesAreOpened) {
  send(R"({"cmd":"openUrl","url":"HTTPS://example.test/"})");
  send(R"({"cmd":"openUrl","url":"https://example.test/a"})");
  send(R"({"cmd":"openUrl","url":"http://example.test/b"})");
  send(R"({"cmd":"link","name":"forum"})");
  // A link from the news cannot close the quotes of a browser's command line.
  send(R"({"cmd":"openUrl","url":"https://example.test/a b\" --flag<é>#top"})");
  EXPECT_EQ(opened, (std::vector<std::string>{"https://example.test/a", "http://example.test/b", "http://forum.test/",
                                              "https://example.test/a%20b%22%20--flag%3C%C3%A9%3E#top"}));
}

TEST_F(BridgeTest, WindowCommandsAndMalformedMessages) {
  bridge().markPageReady();
  for (const char* text : {"not json", "[]", R"({"cmd":5})", R"({"cmd":"Minimize"})", R"({"cmd":"nothing"})",
                           R"({"command":"close"})", ""}) {
    answer(text);
  }
  EXPECT_EQ(host.minimized + host.closeRequests + host.drags, 0);
  EXPECT_TRUE(host.page.empty());
  send(R"({"cmd":"minimize"})");
  send(R"({"cmd":"drag"})");
  send(R"({"cmd":"close"})");
  EXPECT_EQ(host.minimized, 1);
  EXPECT_EQ(host.drags, 1);
  EXPECT_EQ(host.closeRequests, 1);
}

TEST_F(BridgeTest, PlayClosesOrMinimisesAfterAStartAndReportsAMissingGame) {
  class Starter final : public GameProcessStarter {
   public:
    bool start(const ProcessCommand&, StartError&) override { return ++starts, true; }
    bool startThroughShell(const ProcessCommand&, StartError&) override { return true; }
    void pause(unsigned) override {}
    int starts = 0;
  } starter;
  services.gameStarter = &starter;
  bridge().markPageReady();
  answer(R"({"cmd":"play"})");
  EXPECT_EQ(host.page, std::vector<std::string>{R"({"type":"notice","code":"gameMissing","detail":"system/L2.exe"})"});

  writeFile(client / "system/L2.exe", "game");
  answer(R"({"cmd":"play"})");
  EXPECT_EQ(starter.starts, 1);
  EXPECT_EQ(host.closeRequests, 1);
  EXPECT_EQ(host.minimized, 0);
  config.closeOnPlay = false;
  EXPECT_TRUE(bridge().play());
  EXPECT_EQ(host.minimized, 1);
  EXPECT_EQ(host.closeRequests, 1);
}

}  // namespace
}  // namespace zv
