// zarvo-launcher seen from outside: releases made with zarvo-builder, served
// by nginx or the fault-injecting server, and the launcher driven through
// its page protocol on standard input and output. Everything is judged by
// the events it prints and the files it leaves.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "data/json.h"
#include "net/make_fetcher.h"
#include "tests/cli/launcher_process.h"
#include "tests/support/release_maker.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tiny_disk.h"
#include "tests/support/test_servers.h"

namespace zv {
namespace {

namespace fs = std::filesystem;
using test::Finished;
using test::LauncherCommand;
using test::LauncherProcess;
using test::readFile;
using test::TempDir;
using test::TestServers;
using test::typesOf;
using test::writeFile;

std::string noise(size_t size, uint32_t seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

// Waits for a file with some text that a program started by the launcher writes.
// The file's text once it has some; a test fails after two minutes without.
std::string waitForFile(const fs::path& path) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
  std::string text;
  while ((text.empty() || text == "<missing>") && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    text = readFile(path);
  }
  EXPECT_NE(text, "<missing>") << path;
  return text;
}

const Json* findEvent(const std::vector<Json>& events, const std::string& type) {
  for (const Json& event : events) {
    if (event.get("type").text() == type) return &event;
  }
  return nullptr;
}

size_t countOf(const std::vector<Json>& events, const std::string& type) {
  size_t count = 0;
  for (const Json& event : events) count += event.get("type").text() == type ? 1 : 0;
  return count;
}

class LauncherCli : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(test::findTestServers(servers, error)) << error;
    site = std::make_unique<TempDir>(servers.root);
    const Finished keygen = runTool({"keygen", (work / "release.key").string()});
    ASSERT_EQ(keygen.status, 0) << keygen.err;
    publicKey = keygen.out.substr(0, 64);
    sources = {{"system/data.bin", noise(300000, 1)},
               {"readme.txt", "Read me\n"},
               {"maps/first map.unr", noise(70000, 2)}};
  }

  Finished runTool(const std::vector<std::string>& args) {
    std::vector<std::string> command = {ZV_BUILDER_PATH};
    command.insert(command.end(), args.begin(), args.end());
    return test::runToEnd(command, work.path());
  }
  // The whole command line that runs the launcher on this client.
  std::vector<std::string> launcherLine(const std::vector<std::string>& command) const {
    std::vector<std::string> full = LauncherCommand::get().prefix;
    full.push_back(LauncherCommand::get().launcher.string());
    for (const std::string& arg : args(command)) full.push_back(arg);
    return full;
  }
  Finished runLauncher(const std::vector<std::string>& command) {
    return test::runToEnd(launcherLine(command), work.path());
  }

  // Builds the source files (and release.json) into the site's update folder.
  void publish(const std::string& build, const Json& release = Json::object()) {
    for (const auto& [path, bytes] : sources) writeFile(work / ("source/" + path), bytes);
    writeFile(work / "release.json", release.dump(true));
    const Finished result = runTool({"build", (work / "source").string(), (site->path() / "update").string(), "--key",
                                     (work / "release.key").string(), "--release", (work / "release.json").string(),
                                     "--build", build, "--quiet"});
    ASSERT_EQ(result.status, 0) << result.err;
  }
  std::string siteUrl(const std::string& server) const {
    return server + "/" + site->path().filename().string() + "/";
  }
  // ZarvoLauncher.json in the client folder: a working update server and the
  // given members on top.
  void configure(const Json& extra = Json::object(), const std::string& server = "") {
    Json config = Json::object();
    config.set("serverName", "CLI Test");
    config.set("updateUrl", siteUrl(server.empty() ? servers.nginx : server) + "update/");
    config.set("publicKey", publicKey);
    config.set("desktopShortcut", false);
    for (const Json::Member& member : extra.members()) config.set(member.key, member.value);
    writeFile(client / "ZarvoLauncher.json", config.dump(true));
  }
  std::vector<std::string> args(std::vector<std::string> command) const {
    const LauncherCommand& launcher = LauncherCommand::get();
    for (const std::string& arg : {std::string("--client"), launcher.path(client.path()), std::string("--data"),
                                   launcher.path(data.path())}) {
      command.push_back(arg);
    }
    return command;
  }
  std::unique_ptr<LauncherProcess> startStdio() {
    return std::make_unique<LauncherProcess>(args({"stdio"}), work / "stderr.txt");
  }
  void expectClientMatchesSources() {
    for (const auto& [path, bytes] : sources) EXPECT_TRUE(readFile(client / path) == bytes) << path;
  }

  TestServers servers;
  std::unique_ptr<TempDir> site;
  TempDir work;
  TempDir client;
  TempDir data;
  std::string publicKey;
  std::vector<std::pair<std::string, std::string>> sources;
};

TEST_F(LauncherCli, TheFirstReadyGetsQueuedEventsThenInitThenOneCheck) {
  publish("b1");
  configure();
  auto launcher = startStdio();
  launcher->send(R"({"cmd":"getSettings"})");
  launcher->send(R"({"cmd":"ready"})");
  const std::vector<Json> events = launcher->until("done");
  ASSERT_GE(events.size(), 4u);
  EXPECT_EQ(events[0].get("type").text(), "settings");
  EXPECT_EQ(events[1].dump(), R"({"type":"init","serverName":"CLI Test","version":"1.0.0","lang":"lt",)"
                              R"("theme":"classic","mode":"dark","links":{},"news":false,"status":false})");
  EXPECT_EQ(events[2].dump(), R"({"type":"phase","phase":"manifest"})");
  EXPECT_EQ(events.back().dump(), R"({"type":"done","ok":true,"canPlay":true,"code":"updated","detail":"","build":"b1"})");
  std::vector<std::string> phases;
  for (const Json& event : events) {
    if (event.get("type").text() == "phase") phases.emplace_back(event.get("phase").text());
  }
  EXPECT_EQ(phases, (std::vector<std::string>{"manifest", "check", "download"}));
  expectClientMatchesSources();

  // The page reloads: init again with the add-ons and the last result, and no second check.
  launcher->send(R"({"cmd":"ready"})");
  launcher->send(R"({"cmd":"getSettings"})");
  EXPECT_EQ(typesOf(launcher->until("settings")), (std::vector<std::string>{"init", "addons", "done", "settings"}));
  launcher->closeInput();
  EXPECT_EQ(countOf(launcher->rest(), "phase"), 0u);
  EXPECT_EQ(launcher->wait(), 0);
}

TEST_F(LauncherCli, ACommandLineOverOneMebibyteIsDroppedAndTheNextOnesAreRead) {
  configure();
  auto launcher = startStdio();
  // Padded to a given length: {"cmd":"NAME","pad":"xxx...."}
  const auto padded = [](const std::string& name, size_t length) {
    const std::string head = R"({"cmd":")" + name + R"(","pad":")";
    return head + std::string(length - head.size() - 2, 'x') + R"("})";
  };
  launcher->send(padded("close", (1u << 20) + 1));
  launcher->send(padded("getSettings", 1u << 20));
  launcher->send(R"({"cmd":"ready"})");
  EXPECT_EQ(typesOf(launcher->until("init")), (std::vector<std::string>{"settings", "init"}));
  launcher->closeInput();
  launcher->rest();
  EXPECT_EQ(launcher->wait(), 0);
}

TEST_F(LauncherCli, OneShotCommandsReportAndExitByTheResult) {
  publish("b2");
  configure();
  Finished result = runLauncher({"check"});
  EXPECT_EQ(result.status, 0) << result.err;
  // Not a terminal: phases and the result, no progress lines.
  EXPECT_EQ(result.out,
            "Reading the release\nChecking files\nDownloading\nUp to date: files were updated (build b2)\n");
  expectClientMatchesSources();

  result = runLauncher({"check"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "Reading the release\nChecking files\nUp to date (build b2)\n");

  // Same size, other bytes: only a repair, which hashes everything, is sure to see it.
  std::string damaged = sources[0].second;
  damaged[1000] ^= 0x55;
  writeFile(client / sources[0].first, damaged);
  result = runLauncher({"repair", "--json"});
  EXPECT_EQ(result.status, 0);
  ASSERT_TRUE(result.out.ends_with(R"({"type":"done","ok":true,"canPlay":true,"code":"updated","detail":"","build":"b2"})"
                                   "\n"))
      << result.out;
  EXPECT_TRUE(readFile(client / sources[0].first) == sources[0].second);

  // A report that cannot be written (here to a full disk) is no success, in
  // either form.
  for (const std::vector<std::string>& command : {std::vector<std::string>{"addons"}, {"addons", "--json"}}) {
    std::vector<std::string> toFullDisk = {"sh", "-c", "exec \"$@\" >/dev/full", "sh"};
    for (const std::string& arg : launcherLine(command)) toFullDisk.push_back(arg);
    result = test::runToEnd(toFullDisk, work.path());
    EXPECT_EQ(result.status, 1) << command.back();
    EXPECT_EQ(result.err, "zarvo-launcher: the output could not be written\n") << command.back();
  }

  configure(Json::object(), "http://127.0.0.1:1");
  for (const std::string command : {"check", "addons"}) {
    result = runLauncher({command});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.out.find("The update server cannot be reached: "), std::string::npos) << result.out;
    EXPECT_EQ(result.out.find("No add-ons."), std::string::npos) << result.out;
  }
}

// The publisher's whole road: a client folder with awkward names and contents,
// built by zarvo-builder, served by nginx, installed into an empty folder.
TEST_F(LauncherCli, AReleaseArrivesByteForByteWhateverItsNamesAndContents) {
  std::string text;
  for (int line = 0; text.size() < 200000; ++line) text += "Actor" + std::to_string(line) + ".Location=(X=1,Y=2)\r\n";
  sources = {{"system/deep/er/still/deeper.u", noise(1000, 4)},
             {"system/Lietuvi\xC5\xB3 kalba/\xC5\xBEinynas.int", "Sveiki\n"},
             {"\xD1\x82\xD0\xB5\xD0\xBA\xD1\x81\xD1\x82\xD1\x83\xD1\x80\xD1\x8B/\xD0\xBA\xD0\xB0\xD1\x80\xD1\x82\xD0\xB0.utx",
              noise(5000, 5)},
             {"sounds/Ambient #1 & 100%.uax", noise(3000, 6)},
             {"empty.dat", ""},
             {"maps/big compressible.unr", text},
             {"maps/big random.unr", noise(150000, 7)}};
  Json release = Json::object();
  release.set("chunkSize", 65536);  // several chunks for the big files
  publish("round", release);
  configure();
  const Finished result = runLauncher({"check"});
  ASSERT_EQ(result.status, 0) << result.out << result.err;
  expectClientMatchesSources();

  size_t files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(client.path())) {
    const std::string relative = fs::relative(entry.path(), client.path()).generic_string();
    if (!entry.is_regular_file() || relative.starts_with(".zarvo_update/") || relative == "ZarvoLauncher.json") continue;
    ++files;
  }
  EXPECT_EQ(files, sources.size()) << "nothing but the release's files";
  EXPECT_EQ(runLauncher({"check"}).out, "Reading the release\nChecking files\nUp to date (build round)\n");
}

// Two launchers on one client folder, through two paths and with two data
// folders: the instance rule lets both run, the folder's lock makes their jobs
// take turns, and no round may lose or spoil a file.
TEST_F(LauncherCli, TwoLaunchersOnOneClientFolderTakeTurns) {
  publish("b1");
  configure();
  const fs::path alias = work / "alias";
  std::error_code ec;
  fs::create_directory_symlink(client.path(), alias, ec);
  if (ec) GTEST_SKIP() << "no symbolic links here: " << ec.message();
  const TempDir otherData;
  const LauncherCommand& launcher = LauncherCommand::get();
  for (int round = 0; round < 8; ++round) {
    for (const auto& [path, bytes] : sources) fs::remove(client / path);
    fs::remove(client / ".zarvo_update/cache.json");
    LauncherProcess first({"check", "--json", "--client", launcher.path(client.path()), "--data",
                           launcher.path(data.path())},
                          work / "first.txt");
    LauncherProcess second({"check", "--json", "--client", launcher.path(alias), "--data",
                            launcher.path(otherData.path())},
                           work / "second.txt");
    const std::vector<Json> firstEvents = first.rest();
    const std::vector<Json> secondEvents = second.rest();
    EXPECT_EQ(first.wait(), 0) << (firstEvents.empty() ? "" : firstEvents.back().dump());
    EXPECT_EQ(second.wait(), 0) << (secondEvents.empty() ? "" : secondEvents.back().dump());
    expectClientMatchesSources();
  }
}

// A client whose disk fills up: one message naming the space, and the good
// download is kept for the check that runs once there is room.
TEST_F(LauncherCli, AFullDiskIsReportedOnceAndTheNextCheckFinishes) {
  publish("b1");
  configure();
  Finished result;
  {
    const test::TinyDisk disk(client / "system", 64);
    if (!disk.mounted()) GTEST_SKIP() << disk.why();
    result = runLauncher({"check", "--json"});
  }
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.out.find(R"("code":"failed","detail":"system/data.bin: not enough disk space for )"),
            std::string::npos)
      << result.out;
  result = runLauncher({"check"});
  EXPECT_EQ(result.status, 0) << result.out << result.err;
  expectClientMatchesSources();
}

class SlowLauncherCli : public LauncherCli {
 protected:
  void SetUp() override {
    LauncherCli::SetUp();
    // Three files of 700 kB, three transfers at once, each at 1 KiB per
    // 20 ms: the download runs long enough to talk to it.
    sources = {{"system/big.bin", noise(700'000, 3)}, {"system/big2.bin", noise(700'000, 4)},
               {"maps/big3.unr", noise(700'000, 5)}};
    publish("slow");
    Json config = Json::object();
    config.set("updateUrl", servers.fault + "/s/trickle-20/" + site->path().filename().string() + "/update/");
    config.set("transfers", 3);
    configure(config);
    writeFile(client / "system/game.exe", "not started");
  }
};

TEST_F(SlowLauncherCli, WhileAJobRunsChecksAreSilentOtherStartsAreBusyAndCancelStopsIt) {
  auto launcher = startStdio();
  launcher->send(R"({"cmd":"ready"})");
  launcher->until("phase", "download");
  launcher->send(R"({"cmd":"check"})");
  launcher->send(R"({"cmd":"repair"})");
  launcher->send(R"({"cmd":"addonInstall","id":"fx"})");
  launcher->send(R"({"cmd":"play"})");
  launcher->send(R"({"cmd":"cancel"})");
  const std::vector<Json> events = launcher->until("done");
  EXPECT_EQ(countOf(events, "phase"), 0u);
  EXPECT_EQ(countOf(events, "notice"), 2u);
  const Json* notice = findEvent(events, "notice");
  ASSERT_NE(notice, nullptr);
  EXPECT_EQ(notice->dump(), R"({"type":"notice","code":"busy","detail":""})");
  // Cancelled half-way: the client may be half replaced, so no playing.
  const Json& done = events.back();
  EXPECT_EQ(done.get("code").text(), "cancelled");
  EXPECT_EQ(done.get("ok").dump() + done.get("canPlay").dump(), "falsefalse");
  EXPECT_EQ(done.get("build").text(), "slow");
  launcher->send(R"({"cmd":"close"})");
  launcher->rest();
  EXPECT_EQ(launcher->wait(), 0);
}

TEST_F(SlowLauncherCli, ClosingDuringADownloadStopsTheJobWithoutAResult) {
  auto launcher = startStdio();
  launcher->send(R"({"cmd":"ready"})");
  launcher->until("phase", "download");
  while (launcher->until("progress").back().get("bytesDone").numberOr(0) == 0) {
  }
  launcher->closeInput();
  const std::vector<Json> after = launcher->rest();
  EXPECT_EQ(findEvent(after, "done"), nullptr);
  EXPECT_EQ(launcher->wait(), 0);
  // What arrived stays for the next start to resume.
  bool partial = false;
  for (const auto& entry : fs::directory_iterator(client / ".zarvo_update")) {
    partial = partial || entry.path().extension() == ".part";
  }
  EXPECT_TRUE(partial);
}

TEST_F(LauncherCli, CancelAndCloseAreNotHeldUpByAServerThatStopsSendingTheManifest) {
  publish("b1");
  Json config = Json::object();
  config.set("updateUrl", servers.fault + "/s/stall-10/" + site->path().filename().string() + "/update/");
  configure(config);
  auto launcher = startStdio();
  launcher->send(R"({"cmd":"ready"})");
  launcher->until("phase", "manifest");
  // Far below the half minute a silent server takes to time out.
  launcher->limitWaits(std::chrono::seconds(10));
  launcher->send(R"({"cmd":"cancel"})");
  EXPECT_EQ(launcher->until("done").back().get("code").text(), "cancelled");
  // Also one right behind the start, while the job is still being set up.
  launcher->send(R"({"cmd":"check"})");
  launcher->send(R"({"cmd":"cancel"})");
  EXPECT_EQ(launcher->until("done").back().get("code").text(), "cancelled");
  launcher->send(R"({"cmd":"check"})");
  launcher->until("phase", "manifest");
  launcher->closeInput();
  EXPECT_EQ(findEvent(launcher->rest(), "done"), nullptr);
  EXPECT_EQ(launcher->wait(), 0);
}

TEST_F(SlowLauncherCli, AKilledDownloadLeavesNoHalfFileAndTheNextCheckFinishesIt) {
  if (LauncherCommand::get().windows) GTEST_SKIP() << "killing Wine's loader does not stop the Windows process";
  auto launcher = startStdio();
  launcher->send(R"({"cmd":"ready"})");
  launcher->until("phase", "download");
  while (launcher->until("progress").back().get("bytesDone").numberOr(0) < 60000) {
  }
  launcher->kill();

  // Only the work folder holds anything of the downloads: no target, no
  // temporary beside one, and state files that still read.
  for (const auto& [path, bytes] : sources) EXPECT_FALSE(fs::exists(client / path)) << path;
  for (const auto& entry : fs::recursive_directory_iterator(client.path())) {
    EXPECT_NE(entry.path().extension(), ".zvnew") << entry.path();
    EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
  }
  uint64_t partBytes = 0;
  size_t parts = 0;
  for (const auto& entry : fs::directory_iterator(client / ".zarvo_update")) {
    // Downloads (<digest>.part), not what unpacks them as they arrive.
    if (entry.path().extension() != ".part" || entry.path().stem().has_extension()) continue;
    partBytes += fs::file_size(entry.path());
    ++parts;
  }
  EXPECT_EQ(parts, 3u) << "all three were in flight";
  EXPECT_GE(partBytes, 60000u);

  // The next start, now from a fast server, finishes the same release.
  configure();
  const Finished result = runLauncher({"check"});
  EXPECT_EQ(result.status, 0) << result.out << result.err;
  expectClientMatchesSources();
}

// A release that changes a few blocks of a large file is patched; a patch
// killed half-way leaves the old file whole, and the next check ends byte
// for byte right.
TEST_F(SlowLauncherCli, AKilledPatchLeavesTheOldFileAndTheNextCheckFinishesIt) {
  if (LauncherCommand::get().windows) GTEST_SKIP() << "killing Wine's loader does not stop the Windows process";
  Json release = Json::object();
  release.set("chunkSize", 65536);
  publish("one", release);
  configure();
  ASSERT_EQ(runLauncher({"check"}).status, 0);
  const std::string old = sources[0].second;
  // One edit in each of eight chunks.
  for (size_t at = 66000; at < old.size(); at += 4 * 65536) sources[0].second.replace(at, 4096, noise(4096, 9));
  publish("two", release);
  Json slow = Json::object();
  slow.set("updateUrl", servers.fault + "/s/trickle-20/" + site->path().filename().string() + "/update/");
  configure(slow);

  auto launcher = startStdio();
  launcher->send(R"({"cmd":"ready"})");
  launcher->until("phase", "download");
  while (launcher->until("progress").back().get("bytesDone").numberOr(0) < 100000) {
  }
  launcher->kill();
  EXPECT_TRUE(readFile(client / sources[0].first) == old) << "the old file stays whole until the new one is";

  configure(Json::object(), servers.fault);
  const Finished result = runLauncher({"check"});
  EXPECT_EQ(result.status, 0) << result.out << result.err;
  expectClientMatchesSources();
  // Eight changed chunks of 64 KiB, less what the killed patch had kept:
  // far from the file's 2 MB.
  std::string digest;
  const Json manifest = Json::parse(readFile(site->path() / "update/manifest.json"));
  for (const Json& file : manifest.get("files").elements()) {
    if (file.get("path").text() == sources[0].first) digest = file.get("sha256").text();
  }
  std::string sent;
  Failure failure;
  ASSERT_TRUE(makeFetcher()->getText(servers.fault + "/_sent/" + site->path().filename().string() +
                                         "/update/files/system/big.bin.zv?v=" + digest.substr(0, 12),
                                     sent, failure));
  EXPECT_LT(std::stoull("0" + sent), 8 * 65536u);
}

TEST_F(LauncherCli, SettingsAreWrittenLineByLineAndPreferencesSurviveARestart) {
  publish("b3");
  configure();
  writeFile(client / "system/Option.ini",
            "[Engine]\r\nGamePlayViewportX=1\r\n[video]\r\n  gameplayviewportx = 800\r\nStartupFullScreen=True\r\n"
            "\r\n[Sound]\nVolume=3\n");
  {
    auto launcher = startStdio();
    launcher->send(R"({"cmd":"saveSettings","windowed":true,"width":1280,"height":720})");
    launcher->send(R"({"cmd":"setLanguage","lang":"ru"})");
    launcher->send(R"({"cmd":"setTheme","theme":"ember","mode":"light","bg":"#112233"})");
    launcher->send(R"({"cmd":"getSettings"})");
    launcher->send(R"({"cmd":"ready"})");
    const std::vector<Json> events = launcher->until("init");
    ASSERT_EQ(typesOf(events), (std::vector<std::string>{"settingsSaved", "settings", "init"}));
    EXPECT_EQ(events[0].dump(), R"({"type":"settingsSaved","ok":true})");
    const Json& settings = events[1];
    EXPECT_EQ(settings.get("windowed").dump() + settings.get("width").dump() + "x" + settings.get("height").dump() +
                  settings.get("lang").stringOr(""),
              "true1280x720ru");
    launcher->closeInput();
    launcher->rest();
  }
  EXPECT_EQ(readFile(client / "system/Option.ini"),
            "[Engine]\r\nGamePlayViewportX=1\r\n[video]\r\nGamePlayViewportX=1280\r\nStartupFullScreen=False\r\n"
            "GamePlayViewportY=720\r\n\r\n[Sound]\r\nVolume=3\r\n");

  auto again = startStdio();
  again->send(R"({"cmd":"ready"})");
  const Json init = again->until("init").back();
  EXPECT_EQ(init.get("lang").text(), "ru");
  EXPECT_EQ(init.get("theme").text(), "ember");
  EXPECT_EQ(init.get("mode").text(), "light");
  again->closeInput();
  again->rest();
}

class GameCli : public LauncherCli {
 protected:
  void SetUp() override {
    LauncherCli::SetUp();
    // The stand-in game writes its arguments into restarted.txt in its
    // working folder. Natively it must not end in ".exe", which would send
    // it through wine.
    gamePath = LauncherCommand::get().windows ? "system/L2.exe" : "system/l2game";
    std::error_code ec;
    fs::create_directories(client / "system");
    ASSERT_TRUE(fs::copy_file(LauncherCommand::get().helper, client / gamePath, ec)) << ec.message();
  }
  std::string gamePath;
};

TEST_F(GameCli, PlayStartsTheGameInItsFolderWithTheArgumentsSplitTheWindowsWay) {
  Json config = Json::object();
  config.set("game", gamePath);
  config.set("gameArgs", R"(-fast "two words" say\"hi\")");
  configure(config);
  const Finished result = runLauncher({"play"});
  EXPECT_EQ(result.status, 0) << result.out << result.err;
  EXPECT_EQ(waitForFile(client / "system/restarted.txt"), R"(-fast two words say"hi")");

  config.set("game", "system/missing.exe");
  configure(config);
  const Finished missing = runLauncher({"play", "--json"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.out, R"({"type":"notice","code":"gameMissing","detail":"system/missing.exe"})" "\n");
}

TEST_F(GameCli, PlayFromThePageClosesTheLauncherUnlessTold) {
  Json config = Json::object();
  config.set("game", gamePath);
  config.set("gameArgs", "-x");
  config.set("closeOnPlay", false);
  configure(config);
  auto launcher = startStdio();
  launcher->send(R"({"cmd":"ready"})");
  launcher->until("done");
  launcher->send(R"({"cmd":"play"})");
  waitForFile(client / "system/restarted.txt");
  launcher->send(R"({"cmd":"getSettings"})");  // still running
  EXPECT_EQ(typesOf(launcher->until("settings")), std::vector<std::string>{"settings"});
  launcher->closeInput();
  launcher->rest();

  fs::remove(client / "system/restarted.txt");
  config.set("closeOnPlay", true);
  configure(config);
  auto closing = startStdio();
  closing->send(R"({"cmd":"ready"})");
  closing->until("done");
  closing->send(R"({"cmd":"play"})");
  EXPECT_TRUE(closing->rest().empty());  // it closes without being told
  EXPECT_EQ(closing->wait(), 0);
  waitForFile(client / "system/restarted.txt");
}

// The launcher runs from the client folder, as publishers ship it; the
// release names it as its launcher.
class SelfUpdateCli : public LauncherCli {
 protected:
  void SetUp() override {
    LauncherCli::SetUp();
    name = LauncherCommand::get().launcher.filename().string();
    current = readFile(LauncherCommand::get().launcher);
    // A different build of the same launcher: one byte more at the end.
    writeFile(client / name, current + "\n");
    fs::permissions(client / name, fs::perms::owner_all, fs::perm_options::add);
  }
  void publishLauncher(const std::string& bytes) {
    sources.push_back({name, bytes});
    Json release = Json::object();
    release.set("launcher", name);
    publish("self", release);
    sources.pop_back();
  }
  std::unique_ptr<LauncherProcess> startCopy() {
    return std::make_unique<LauncherProcess>(client / name, args({"stdio"}), work / "stderr.txt");
  }

  std::string name;
  std::string current;
};

TEST_F(SelfUpdateCli, TheNewLauncherReplacesTheOldOneAndCarriesOn) {
  publishLauncher(current);
  configure();
  auto old = startCopy();
  old->send(R"({"cmd":"ready"})");
  old->until("phase", "selfupdate");
  // The old launcher hands over and ends; the new one goes on with the same
  // input and output, and wants its page's "ready" like any start.
  EXPECT_EQ(old->wait(), 0);
  old->send(R"({"cmd":"ready"})");
  std::vector<Json> events = old->until("done");
  // First what the old launcher said of its download, then the new one.
  while (!events.empty() && events.front().get("type").text() == "progress") events.erase(events.begin());
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.front().get("type").text(), "init");
  for (const Json& event : events) EXPECT_NE(event.get("phase").text(), "selfupdate");
  EXPECT_EQ(events.back().get("code").text(), "updated");
  EXPECT_TRUE(readFile(client / name) == current);
  EXPECT_FALSE(fs::exists(client / (name + ".old")));
  EXPECT_FALSE(fs::exists(client / (name + ".new")));
  expectClientMatchesSources();
  old->closeInput();
  old->rest();
}

TEST_F(SelfUpdateCli, ANewLauncherThatCannotStartIsRolledBackAndNotTriedAgain) {
  publishLauncher("this is not a program");
  configure();
  auto launcher = startCopy();
  launcher->send(R"({"cmd":"ready"})");
  const std::vector<Json> events = launcher->until("done");
  std::vector<std::string> steps;
  for (const Json& event : events) {
    const std::string type(event.get("type").text());
    if (type == "phase") steps.emplace_back(event.get("phase").text());
    if (type == "notice") steps.push_back("notice " + event.get("code").stringOr(""));
  }
  EXPECT_EQ(steps, (std::vector<std::string>{"manifest", "selfupdate", "notice selfUpdateFailed", "manifest", "check",
                                             "download"}));
  EXPECT_EQ(events.back().get("code").text(), "updated");
  EXPECT_TRUE(readFile(client / name) == current + "\n");
  EXPECT_FALSE(fs::exists(client / (name + ".old")));
  EXPECT_FALSE(fs::exists(client / (name + ".new")));

  // The same process does not try again.
  launcher->send(R"({"cmd":"check"})");
  for (const Json& event : launcher->until("done")) EXPECT_NE(event.get("phase").text(), "selfupdate");
  launcher->closeInput();
  launcher->rest();
  EXPECT_EQ(launcher->wait(), 0);
}

TEST_F(SelfUpdateCli, AOneShotCommandEndsWithTheNewLaunchersResult) {
  publishLauncher(current);
  configure();
  const Finished result = test::runToEnd(
      [&] {
        std::vector<std::string> command = LauncherCommand::get().prefix;
        command.push_back((client / name).string());
        for (const std::string& arg : args({"check", "--json"})) command.push_back(arg);
        return command;
      }(),
      work.path());
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_NE(result.out.find(R"({"type":"phase","phase":"selfupdate"})"), std::string::npos);
  EXPECT_TRUE(result.out.ends_with(R"("code":"updated","detail":"","build":"self"})" "\n")) << result.out;
  EXPECT_TRUE(readFile(client / name) == current);
}

// A TCP port on 127.0.0.1 that accepts connections while this object lives.
class ListeningPort {
 public:
  ListeningPort() {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (bind(fd_, reinterpret_cast<sockaddr*>(&address), size) != 0 || listen(fd_, 8) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
      ADD_FAILURE() << "no listening socket";
    }
    port_ = ntohs(address.sin_port);
  }
  ~ListeningPort() { close(); }
  void close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  int port() const { return port_; }

 private:
  int fd_ = -1;
  int port_ = 0;
};

class NewsAndStatusCli : public LauncherCli {
 protected:
  // The news and status events of one start, once both have come.
  std::pair<std::string, std::string> newsAndStatus(const Json& config) {
    configure(config);
    auto launcher = startStdio();
    launcher->send(R"({"cmd":"ready"})");
    std::string news;
    std::string status;
    while (news.empty() || status.empty()) {
      const Json event = launcher->next();
      if (event.isNull()) break;
      const std::string type(event.get("type").text());
      if (type == "news") news = event.dump();
      if (type == "status" && status.empty()) status = event.dump();
    }
    launcher->closeInput();
    launcher->rest();
    EXPECT_EQ(launcher->wait(), 0);
    return {news, status};
  }
};

TEST_F(NewsAndStatusCli, NewsIsPassedOnAndStatusComesFromTheDocumentOrTheProbe) {
  publish("n1");
  writeFile(site->path() / "news.json", "\xEF\xBB\xBF{\"news\": [{\"title\": \"Hello\", \"time\": 1700000000}]}");
  writeFile(site->path() / "status.json", R"({"online": "yes", "players": 12.7})");
  ListeningPort port;
  Json config = Json::object();
  config.set("newsUrl", siteUrl(servers.nginx) + "news.json");
  config.set("statusUrl", siteUrl(servers.nginx) + "status.json");
  config.set("statusHost", "127.0.0.1");
  config.set("statusPort", port.port());
  auto [news, status] = newsAndStatus(config);
  EXPECT_EQ(news, R"({"type":"news","data":{"news":[{"title":"Hello","time":1700000000}]}})");
  EXPECT_EQ(status, R"({"type":"status","online":false,"players":12})");

  // No news document; a status document that is not an object: the probe answers.
  config.set("newsUrl", siteUrl(servers.nginx) + "missing.json");
  writeFile(site->path() / "status.json", "[true]");
  std::tie(news, status) = newsAndStatus(config);
  EXPECT_EQ(news, R"({"type":"news"})");
  EXPECT_EQ(status, R"({"type":"status","online":true,"players":-1})");

  port.close();
  std::tie(news, status) = newsAndStatus(config);
  EXPECT_EQ(status, R"({"type":"status","online":false,"players":-1})");
}

// Keeps a file from being deleted while it lives. Natively the tests run as
// root, whom permissions do not stop: the immutable attribute does. Under
// Wine a Windows program holds the file open, as a running game holds its
// DLLs.
class LockedFile {
 public:
  LockedFile(const fs::path& path, const fs::path& scratch) : path_(path) {
    const LauncherCommand& command = LauncherCommand::get();
    if (command.windows) {
      holder_ = std::make_unique<LauncherProcess>(command.helper, std::vector<std::string>{"--hold", command.path(path)},
                                                  scratch / "holder-stderr.txt");
      std::string line;
      ok_ = holder_->nextLine(line) && line == "holding";
    } else {
      ok_ = std::system(("chattr +i '" + path_.string() + "' 2>/dev/null").c_str()) == 0;
    }
  }
  ~LockedFile() {
    if (holder_) {
      holder_->closeInput();
      holder_->wait();
    } else if (ok_) {
      (void)std::system(("chattr -i '" + path_.string() + "'").c_str());
    }
  }
  bool ok() const { return ok_; }

 private:
  fs::path path_;
  std::unique_ptr<LauncherProcess> holder_;
  bool ok_ = false;
};

class AddonCli : public LauncherCli {
 protected:
  void SetUp() override {
    LauncherCli::SetUp();
    writeFile(work / "fx/all/fx/shaders/bloom.fx", "bloom");
    writeFile(work / "fx/all/system/fx.ini", "[GENERAL]\r\nKeyEffects=45,0,0,0\r\n");
    writeFile(work / "fx/nv/fx/d3d9.dll", "nvidia build");
    writeFile(work / "fx/nv/fx/nv-only.dat", "nv");
    writeFile(work / "fx/amd/fx/d3d9.dll", "amd build");
    Json release = Json::parse(R"({"addons": [{"id": "fx", "name": "FX Pack", "folder": "fx/all",
        "variants": [{"id": "nv", "label": "NVIDIA", "folder": "fx/nv"},
                     {"id": "amd", "label": "AMD", "folder": "fx/amd"}],
        "keyIni": "system/fx.ini", "defaultKey": "end", "cleanup": ["fx/fx*.log"]}]})");
    publish("a1", release);
    configure();
  }
  std::vector<Json> job(LauncherProcess& launcher, const std::string& command) {
    launcher.send(command);
    return launcher.until("done");
  }
  static Json addonEntry(const std::vector<Json>& events) {
    const Json* list = nullptr;
    for (const Json& event : events) {
      if (event.get("type").text() == "addons") list = &event;
    }
    return list != nullptr ? list->get("list").at(0) : Json();
  }
};

TEST_F(AddonCli, InstallSwitchVariantAndRemove) {
  auto launcher = startStdio();
  launcher->send(R"({"cmd":"ready"})");
  const Json offered = addonEntry(launcher->until("done"));
  EXPECT_EQ(offered.get("id").text(), "fx");
  EXPECT_EQ(offered.get("installed").dump(), "false");
  EXPECT_EQ(offered.get("defaultKey").text(), "end");

  std::vector<Json> events = job(*launcher, R"({"cmd":"addonInstall","id":"fx","variant":"nv","key":"pause"})");
  EXPECT_EQ(events.back().get("code").text(), "addonInstalled");
  EXPECT_EQ(events.back().get("detail").text(), "FX Pack");
  Json entry = addonEntry(events);
  EXPECT_EQ(entry.get("installed").dump() + entry.get("variant").stringOr("") + entry.get("key").stringOr(""), "truenvpause");
  EXPECT_EQ(readFile(client / "fx/d3d9.dll"), "nvidia build");
  EXPECT_EQ(readFile(client / "fx/nv-only.dat"), "nv");
  EXPECT_EQ(readFile(client / "fx/shaders/bloom.fx"), "bloom");

  // Another variant: its files in, the old variant's own files out.
  events = job(*launcher, R"({"cmd":"addonInstall","id":"fx","variant":"amd","key":"pause"})");
  EXPECT_EQ(events.back().get("code").text(), "addonInstalled");
  EXPECT_EQ(readFile(client / "fx/d3d9.dll"), "amd build");
  EXPECT_FALSE(fs::exists(client / "fx/nv-only.dat"));

  events = job(*launcher, R"({"cmd":"addonInstall","id":"fx","variant":"intel"})");
  EXPECT_EQ(events.back().get("code").text(), "addonUnknown");
  EXPECT_EQ(events.back().get("detail").text(), "fx / intel");
  // Bytes that are no UTF-8 come back as U+FFFD, control characters reach
  // the log as visible escapes.
  events = job(*launcher, "{\"cmd\":\"addonInstall\",\"id\":\"fx\",\"variant\":\"in\xFFtel\\u0007\"}");
  EXPECT_EQ(events.back().get("detail").text(), "fx / in\xEF\xBF\xBDtel\x07");

  writeFile(client / "fx/fx-crash.log", "log");
  events = job(*launcher, R"({"cmd":"addonRemove","id":"fx"})");
  EXPECT_EQ(events.back().get("code").text(), "addonRemoved");
  EXPECT_EQ(addonEntry(events).get("installed").dump(), "false");
  // The add-on's files, its clean-up pattern's files and the emptied folders are gone.
  EXPECT_FALSE(fs::exists(client / "fx"));
  EXPECT_FALSE(fs::exists(client / "system/fx.ini"));
  EXPECT_TRUE(fs::exists(client / "readme.txt"));
  const std::string log = readFile(client / "ZarvoLauncher.log");
  EXPECT_NE(log.find("  addon install: fx variant=nv key=pause\r\n"), std::string::npos);
  EXPECT_NE(log.find("  addon install: fx variant=in\xEF\xBF\xBDtel\\x07 key=\r\n"), std::string::npos);
  EXPECT_NE(log.find("  addon remove: fx\r\n"), std::string::npos);
  launcher->closeInput();
  launcher->rest();
}

TEST_F(AddonCli, ALockedDllStopsTheRemovalUntilItIsFree) {
  Finished result = runLauncher({"addon", "install", "fx", "--variant", "nv"});
  ASSERT_EQ(result.status, 0) << result.out;
  EXPECT_EQ(result.out, "Reading the release\nInstalling the add-on\nAdd-on installed: FX Pack (build a1)\n");
  {
    LockedFile locked(client / "fx/d3d9.dll", work.path());
    if (!locked.ok()) GTEST_SKIP() << "no way to lock a file here";
    result = runLauncher({"addon", "remove", "fx", "--json"});
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(result.out.ends_with(
        R"({"type":"done","ok":false,"canPlay":true,"code":"addonLocked","detail":"fx/d3d9.dll","build":""})" "\n"))
        << result.out;
    // Nothing else was touched while the DLL was held.
    EXPECT_EQ(readFile(client / "fx/shaders/bloom.fx"), "bloom");
    EXPECT_TRUE(fs::exists(client / "system/fx.ini"));
  }
  result = runLauncher({"addons"});
  EXPECT_EQ(result.status, 0);
  EXPECT_NE(result.out.find("fx (FX Pack): installed, variant nv"), std::string::npos) << result.out;
  result = runLauncher({"addon", "remove", "fx"});
  EXPECT_EQ(result.status, 0) << result.out;
  EXPECT_FALSE(fs::exists(client / "fx"));
}

// A release served after a newer one (a server restored from an old backup,
// or an attacker replaying an old signed release with known faults) is
// refused; a client that has seen nothing yet takes any valid release.
TEST_F(LauncherCli, AnOlderReleaseIsRefusedOnceANewerOneWasAccepted) {
  publish("r1");
  const fs::path served = site->path() / "update", older = site->path() / "older";
  fs::copy(served, older, fs::copy_options::recursive);
  const std::string olderReadme = sources[1].second;
  sources[1].second = "Read me again\n";
  publish("r2");
  configure();
  ASSERT_EQ(runLauncher({"check"}).status, 0);

  // The digest cache may go; the record of accepted releases stays.
  fs::remove(client / ".zarvo_update/cache.json");
  fs::remove_all(served);
  fs::copy(older, served, fs::copy_options::recursive);
  Finished result = runLauncher({"check", "--json"});
  EXPECT_EQ(result.status, 1);
  EXPECT_TRUE(result.out.ends_with(R"({"type":"done","ok":false,"canPlay":true,"code":"badmanifest","detail":)"
                                   R"("release 1 is older than release 2 already accepted from this server","build":""})"
                                   "\n"))
      << result.out;
  expectClientMatchesSources();

  // A first start, in an empty client folder, accepts the older release as
  // it accepts any.
  for (const auto& entry : fs::directory_iterator(client.path())) fs::remove_all(entry.path());
  configure();
  result = runLauncher({"check"});
  EXPECT_EQ(result.status, 0) << result.out;
  EXPECT_EQ(readFile(client / "readme.txt"), olderReadme);
}

// Releases made before releases carried a sequence install as they always
// did, until a release with one has been accepted.
TEST_F(LauncherCli, AReleaseWithoutASequenceIsTakenUntilOneWithASequenceWasSeen) {
  const test::TestKey key;
  publicKey = key.publicKeyHex();
  test::Release release(site->path() / "update", key);
  release.addFile("readme.txt", "unnumbered\n");
  release.publish();
  configure();
  Finished result = runLauncher({"check"});
  EXPECT_EQ(result.status, 0) << result.out;
  EXPECT_EQ(readFile(client / "readme.txt"), "unnumbered\n");

  release.setMember("sequence", 3);
  release.publish();
  EXPECT_EQ(runLauncher({"check"}).status, 0);
  release.setMember("sequence", Json());  // null: read as absent
  release.publish();
  result = runLauncher({"check"});
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.out.find("release without a sequence number is older than release 3 already accepted from this "
                            "server"),
            std::string::npos)
      << result.out;
}

TEST_F(LauncherCli, StartUpRules) {
  // A configuration error: the message and exit status 1.
  writeFile(client / "ZarvoLauncher.json", R"({"game": "../outside.exe"})");
  Finished result = runLauncher({"stdio"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err,
            "ZarvoLauncher.json: \"game\" must be a path inside the client folder, e.g. system/L2.exe\n");
  EXPECT_EQ(result.out, "");

  // One launcher per client folder.
  configure(Json::object(), "http://127.0.0.1:1");
  auto first = startStdio();
  first->send(R"({"cmd":"getSettings"})");
  first->send(R"({"cmd":"ready"})");
  first->until("init");
  result = runLauncher({"stdio"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "");
  EXPECT_NE(result.err.find("Another ZarvoLauncher runs for the client folder"), std::string::npos);
  result = runLauncher({"check"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, "");

  // Another client folder runs beside it.
  TempDir other;
  writeFile(other / "ZarvoLauncher.json", R"({"serverName": "Other"})");
  const LauncherCommand& launcher = LauncherCommand::get();
  std::vector<std::string> command = launcher.prefix;
  for (const std::string& arg : {launcher.launcher.string(), std::string("check"), std::string("--client"),
                                 launcher.path(other.path()), std::string("--data"), launcher.path(data.path())}) {
    command.push_back(arg);
  }
  result = test::runToEnd(command, work.path());
  EXPECT_EQ(result.out, "Reading the release\nNo update server is configured: "
                        "updateUrl / publicKey missing in ZarvoLauncher.json\n");
  first->closeInput();
  first->rest();
  EXPECT_EQ(first->wait(), 0);
}

TEST_F(LauncherCli, AWrongCommandLineIsRefused) {
  // The rules are parseOptions' (unit tested); here: both ways to refuse end the same.
  for (const auto& command : std::vector<std::vector<std::string>>{{"frobnicate"}, {"addon", "install", "Bad.Id"}}) {
    const Finished result = runLauncher(command);
    EXPECT_EQ(result.status, 2) << command[0];
    EXPECT_EQ(result.out, "");
    EXPECT_FALSE(result.err.empty());
  }
}

}  // namespace
}  // namespace zv
