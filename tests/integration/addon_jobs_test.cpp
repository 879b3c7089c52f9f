// The add-on jobs and the update job's add-on step, against signed releases
// served by nginx, seen through the events and the client folder.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "addons/addon_jobs.h"
#include "net/make_fetcher.h"
#include "platform/text_path.h"
#include "tests/support/locked_file.h"
#include "tests/support/release_maker.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_servers.h"
#include "updater/update_job.h"

namespace zv {
namespace {

using test::LockedFile;
using test::readFile;
using test::TempDir;
using test::writeFile;

namespace fs = std::filesystem;
using Paths = std::vector<std::string>;

const std::string kIni = "[INPUT]\r\nKeyEffects=45,0,0,0\r\n";

std::string iniWithKey(int code) { return "[INPUT]\r\nKeyEffects=" + std::to_string(code) + ",0,0,0\r\n"; }

std::string doneText(bool ok, const std::string& code, const std::string& detail, bool canPlay = true) {
  Json done = Json::object();
  done.set("ok", ok);
  done.set("canPlay", canPlay);
  done.set("code", code);
  done.set("detail", detail);
  return done.dump();
}

// What the release being published looks like.
struct Shape {
  bool fx = true;         // the "fx" add-on is offered
  bool nv = true;         // fx still declares its "nv" variant
  bool iniIsBase = false; // system/fx.ini has become a base client file
  bool dllIsBase = false; // system/d3d9.dll has moved from fx into the base client
  bool sharpSharesDll = false;  // sharp ships fx's system/d3d9.dll too
  bool nvFolderIsBase = false;  // a base client file stands where fx's shaders/nv folder was
  std::string nvShader = "nv shader 1";
  std::string nvShaderPath = "shaders/nv/nv.fx";
};

struct JobLog {
  Paths phases;
  std::string done;
  std::vector<AddonListEntry> addons;  // the last add-on list
  int addonEvents = 0;
};

class AddonJobsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(test::findTestServers(servers_, error)) << error;
    published_.emplace(servers_.root);
    config_.updateUrl = servers_.nginx + "/" + pathToUtf8(published_->path().filename()) + "/";
    config_.publicKey = test::TestKey().publicKeyHex();
    writeFile(client_ / "system/L2.exe", "game");
  }

  // An add-on file packed onto the server, under its variant's own name.
  Json addonFile(const test::Release& release, const std::string& path, std::string_view content,
                 const std::string& variant = "", bool once = false) {
    const std::string serverName = variant.empty() ? path : variant + "/" + path;
    const std::string packed = test::packBytes(content);
    writeFile(release.packedPath(serverName), packed);
    Json entry = Json::object();
    entry.set("path", path);
    entry.set("size", content.size());
    entry.set("sha256", test::sha256Hex(content));
    entry.set("packed", packed.size());
    if (once) entry.set("mode", "once");
    if (!variant.empty()) entry.set("variant", variant).set("source", serverName);
    return entry;
  }

  void publish(const Shape& shape = {}) {
    test::Release release(published_->path());
    release.addFile("system/L2.exe", "game");
    if (shape.iniIsBase) release.addFile("system/fx.ini", "base ini");
    if (shape.dllIsBase) release.addFile("system/d3d9.dll", "base dll");
    if (shape.nvFolderIsBase) release.addFile("shaders/nv", "base file");
    Json addons = Json::array();
    if (shape.fx) {
      Json fx = Json::parse(R"({"id":"fx","name":"Effects","keyIni":"system/fx.ini","defaultKey":"end",
                               "cleanup":["system/*.log","system/*.*","*.json"]})");
      Json variants = Json::array();
      if (shape.nv) variants.push(Json::parse(R"({"id":"nv","label":"NVIDIA"})"));
      variants.push(Json::parse(R"({"id":"amd","label":"AMD"})"));
      fx.set("variants", std::move(variants));
      Json files = Json::array();
      if (!shape.dllIsBase) {
        files.push(addonFile(release, "system/d3d9.dll", "shared dll"));
        files.push(addonFile(release, "system/d3d9.dll", "amd dll", "amd"));
      }
      // Players may change the INI; only a missing one is fetched again.
      if (!shape.iniIsBase) files.push(addonFile(release, "system/fx.ini", kIni, "", true));
      if (shape.nv) files.push(addonFile(release, shape.nvShaderPath, shape.nvShader, "nv"));
      files.push(addonFile(release, "shaders/common.fx", "common"));
      files.push(addonFile(release, "shaders/amd.fx", "amd shader", "amd"));
      fx.set("files", std::move(files));
      addons.push(std::move(fx));
    }
    Json sharp = Json::parse(R"({"id":"sharp","defaultKey":"f12"})");
    Json sharpFiles = Json::array().push(addonFile(release, "system/sharp.dll", "sharp"));
    if (shape.sharpSharesDll) sharpFiles.push(addonFile(release, "system/d3d9.dll", "shared dll"));
    sharp.set("files", std::move(sharpFiles));
    addons.push(std::move(sharp));
    release.setMember("addons", std::move(addons));
    release.publish();
    release_.emplace(std::move(release));
  }

  JobLog run(const std::function<void(UpdateJob&)>& body,
             const std::function<void(UpdateJob&, const std::string&)>& atPhase = nullptr) {
    JobLog log;
    UpdateJob* current = nullptr;
    UpdateEvents events;
    events.onPhase = [&](const std::string& phase) {
      log.phases.push_back(phase);
      if (atPhase) atPhase(*current, phase);
    };
    events.onDone = [&](bool ok, bool canPlay, const std::string& code, const std::string& detail) {
      EXPECT_TRUE(log.done.empty()) << "a second done";
      log.done = doneText(ok, code, detail, canPlay);
    };
    events.onAddons = [&](const std::vector<AddonListEntry>& list) {
      log.addons = list;
      ++log.addonEvents;
    };
    UpdateJob job(client_.path(), {}, config_, *fetcher_, events);
    current = &job;
    body(job);
    return log;
  }
  JobLog install(const std::string& id, const std::string& variant, const std::string& key) {
    return run([&](UpdateJob& job) { runAddonInstall(job, id, variant, key); });
  }
  JobLog remove(const std::string& id) {
    return run([&](UpdateJob& job) { runAddonRemove(job, id, nullptr); });
  }
  JobLog update() {
    return run([](UpdateJob& job) { runUpdate(job, CheckMode::Check); });
  }

  Json records() const { return Json::parse(readFile(client_ / ".zarvo_update/addons.json")); }
  Paths recordedFiles(const std::string& id) const {
    const Json all = records();
    Paths paths;
    for (const Json& path : all.get(id).get("files").elements()) paths.emplace_back(path.text());
    return paths;
  }
  bool exists(const std::string& path) const { return fs::exists(client_ / path); }
  // The add-on's entry of the last add-on list: installed, variant and key.
  static std::string listed(const JobLog& log, const std::string& id) {
    for (const AddonListEntry& entry : log.addons) {
      if (entry.id == id) return (entry.installed ? "installed " : "absent ") + entry.variant + " " + entry.key;
    }
    return "unlisted";
  }

  test::TestServers servers_;
  std::optional<TempDir> published_;
  std::optional<test::Release> release_;
  TempDir client_;
  LauncherConfig config_;
  std::unique_ptr<Fetcher> fetcher_ = makeFetcher();
};

const Paths kNvFiles = {"system/d3d9.dll", "system/fx.ini", "shaders/nv/nv.fx", "shaders/common.fx"};
const Paths kAmdFiles = {"system/d3d9.dll", "system/fx.ini", "shaders/common.fx", "shaders/amd.fx"};

TEST_F(AddonJobsTest, InstallsAVariantAndSwitchesToAnother) {
  publish();
  JobLog log = install("fx", "nv", "pause");
  EXPECT_EQ(log.done, doneText(true, "addonInstalled", "Effects"));
  EXPECT_EQ(log.phases, (Paths{"manifest", "addon", "addon"}));
  EXPECT_EQ(readFile(client_ / "system/d3d9.dll"), "shared dll");
  EXPECT_EQ(readFile(client_ / "shaders/nv/nv.fx"), "nv shader 1");
  EXPECT_FALSE(exists("shaders/amd.fx"));
  EXPECT_EQ(readFile(client_ / "system/fx.ini"), iniWithKey(19));
  EXPECT_EQ(readFile(client_ / ".zarvo_update/addons.json"),
            "{\n  \"fx\": {\n    \"name\": \"Effects\",\n    \"variant\": \"nv\",\n    \"key\": \"pause\",\n"
            "    \"files\": [\n      \"system/d3d9.dll\",\n      \"system/fx.ini\",\n      \"shaders/nv/nv.fx\",\n"
            "      \"shaders/common.fx\"\n    ],\n    \"cleanup\": [\n      \"system/*.log\"\n    ]\n  }\n}\n");
  EXPECT_EQ(log.addonEvents, 1);
  EXPECT_EQ(listed(log, "fx"), "installed nv pause");
  EXPECT_EQ(listed(log, "sharp"), "absent  ");

  // A key outside the table falls back to the add-on's default key.
  log = install("fx", "amd", "F5");
  EXPECT_EQ(log.done, doneText(true, "addonInstalled", "Effects"));
  EXPECT_EQ(readFile(client_ / "system/d3d9.dll"), "amd dll");
  EXPECT_EQ(readFile(client_ / "shaders/amd.fx"), "amd shader");
  EXPECT_EQ(readFile(client_ / "shaders/common.fx"), "common");
  EXPECT_FALSE(exists("shaders/nv")) << "the old variant's files go, and their emptied folder";
  EXPECT_EQ(readFile(client_ / "system/fx.ini"), iniWithKey(35));
  EXPECT_EQ(recordedFiles("fx"), kAmdFiles);
  EXPECT_EQ(listed(log, "fx"), "installed amd end");

  // Everything in order: nothing to fetch, no download phase.
  log = install("fx", "amd", "end");
  EXPECT_EQ(log.done, doneText(true, "addonInstalled", "Effects"));
  EXPECT_EQ(log.phases, (Paths{"manifest", "addon"}));
}

TEST_F(AddonJobsTest, UnknownAddonsAndVariantsChangeNothing) {
  publish();
  JobLog log = install("nope", "", "");
  EXPECT_EQ(log.done, doneText(false, "addonUnknown", "nope"));
  EXPECT_EQ(log.addonEvents, 1) << "the page gets the current list";
  EXPECT_EQ(install("fx", "intel", "").done, doneText(false, "addonUnknown", "fx / intel"));
  EXPECT_EQ(install("fx", "", "").done, doneText(false, "addonUnknown", "fx"));
  EXPECT_FALSE(exists(".zarvo_update/addons.json"));
  EXPECT_FALSE(exists("system/d3d9.dll"));

  // An add-on without variants takes whatever the page sends.
  log = install("sharp", "whatever", "");
  EXPECT_EQ(log.done, doneText(true, "addonInstalled", "sharp"));
  EXPECT_EQ(listed(log, "sharp"), "installed  insert");
}

TEST_F(AddonJobsTest, TheRecordIsWrittenBeforeTheFilesArrive) {
  publish();
  ASSERT_TRUE(fs::remove(release_->packedPath("shaders/common.fx")));
  JobLog log = install("fx", "nv", "pause");
  EXPECT_EQ(log.done, doneText(false, "failed", "shaders/common.fx: HTTP 404"));
  EXPECT_EQ(recordedFiles("fx"), kNvFiles);
  EXPECT_EQ(listed(log, "fx"), "installed nv pause");
  EXPECT_EQ(readFile(client_ / "system/fx.ini"), kIni) << "no key is written yet";
  // So the record names none: an older launcher that finishes the install,
  // taking the record's key for the INI's, writes one too.
  EXPECT_EQ(records().get("fx").get("key").text(), "");

  // The next update check finishes the install, with the key the player chose.
  publish();
  log = update();
  EXPECT_EQ(log.done, doneText(true, "updated", ""));
  EXPECT_EQ(readFile(client_ / "shaders/common.fx"), "common");
  EXPECT_EQ(readFile(client_ / "system/fx.ini"), iniWithKey(19));

  // Cancelled before the first file: already recorded, so it can be removed.
  log = run([](UpdateJob& job) { runAddonInstall(job, "sharp", "", "pause"); },
            [](UpdateJob& job, const std::string& phase) {
              if (phase == "addon") job.requestCancel();
            });
  EXPECT_EQ(log.done, doneText(false, "cancelled", ""));
  EXPECT_EQ(recordedFiles("sharp"), Paths{"system/sharp.dll"});
  EXPECT_FALSE(exists("system/sharp.dll"));
  EXPECT_EQ(remove("sharp").done, doneText(true, "addonRemoved", "sharp"));
  EXPECT_TRUE(records().get("sharp").isNull());
}

TEST_F(AddonJobsTest, RemovalDeletesFilesCleanupMatchesAndEmptiedFolders) {
  publish();
  ASSERT_EQ(install("fx", "nv", "").done, doneText(true, "addonInstalled", "Effects"));
  ASSERT_EQ(install("sharp", "", "").done, doneText(true, "addonInstalled", "sharp"));
  writeFile(client_ / "system/ReShade.log", "log");
  writeFile(client_ / "system/logs/keep.log", "not ours");
  // Patterns that would take every file with a dot, or the launcher's own
  // configuration, never reach the record.
  writeFile(client_ / "system/player.cfg", "the player's own");
  writeFile(client_ / "ZarvoLauncher.json", "{}");

  JobLog log = remove("fx");
  EXPECT_EQ(log.done, doneText(true, "addonRemoved", "Effects"));
  EXPECT_EQ(log.phases, Paths{"addonRemove"});
  for (const std::string& path : kNvFiles) EXPECT_FALSE(exists(path)) << path;
  EXPECT_FALSE(exists("shaders"));
  EXPECT_FALSE(exists("system/ReShade.log"));
  EXPECT_TRUE(exists("system/logs/keep.log"));
  EXPECT_TRUE(exists("system/player.cfg"));
  EXPECT_TRUE(exists("ZarvoLauncher.json"));
  EXPECT_TRUE(exists("system/L2.exe"));
  EXPECT_TRUE(exists("system/sharp.dll"));
  EXPECT_EQ(records().dump(), Json::parse(R"({"sharp":{"name":"sharp","variant":"","key":"insert",
                                               "files":["system/sharp.dll"],"cleanup":[]}})").dump());
  // Without a manifest the list holds only what is installed.
  EXPECT_EQ(listed(log, "fx"), "unlisted");
  EXPECT_EQ(listed(log, "sharp"), "installed  insert");

  EXPECT_EQ(remove("fx").done, doneText(true, "addonRemoved", "fx"));
}

TEST_F(AddonJobsTest, AFileAnotherInstalledAddonShipsStays) {
  Shape shared;
  shared.sharpSharesDll = true;
  publish(shared);
  ASSERT_EQ(install("sharp", "", "").done, doneText(true, "addonInstalled", "sharp"));
  ASSERT_EQ(install("fx", "nv", "").done, doneText(true, "addonInstalled", "Effects"));
  EXPECT_EQ(remove("fx").done, doneText(true, "addonRemoved", "Effects"));
  EXPECT_EQ(readFile(client_ / "system/d3d9.dll"), "shared dll");
  EXPECT_TRUE(records().get("fx").isNull());

  // Nor does a release that drops the add-on take it.
  ASSERT_EQ(install("fx", "nv", "").done, doneText(true, "addonInstalled", "Effects"));
  shared.fx = false;
  publish(shared);
  EXPECT_EQ(update().done, doneText(true, "updated", ""));
  EXPECT_EQ(readFile(client_ / "system/d3d9.dll"), "shared dll");
  EXPECT_EQ(update().done, doneText(true, "uptodate", ""));
}

TEST_F(AddonJobsTest, ALockedDllKeepsTheAddonRecordedUntilTheGameCloses) {
  publish();
  ASSERT_EQ(install("fx", "nv", "").done, doneText(true, "addonInstalled", "Effects"));
  writeFile(client_ / "system/ReShade.log", "log");
  LockedFile game(client_ / "system/d3d9.dll");

  EXPECT_EQ(remove("fx").done, doneText(false, "addonLocked", "system/d3d9.dll"));
  for (const std::string& path : kNvFiles) EXPECT_TRUE(exists(path)) << path;
  EXPECT_TRUE(exists("system/ReShade.log"));
  EXPECT_EQ(recordedFiles("fx"), kNvFiles);

  // Installing over it fails the same way.
  const Json done = Json::parse(install("fx", "amd", "").done);
  EXPECT_EQ(done.get("code").text(), "addonLocked");
  EXPECT_EQ(done.get("detail").text().rfind("system/d3d9.dll: cannot ", 0), 0u) << done.get("detail").text();

  game.release();
  EXPECT_EQ(remove("fx").done, doneText(true, "addonRemoved", "Effects"));
  for (const std::string& path : kAmdFiles) EXPECT_FALSE(exists(path)) << path;
  EXPECT_FALSE(exists("shaders"));
  EXPECT_FALSE(exists("system/ReShade.log"));
  EXPECT_EQ(records().dump(), "{}");
}

TEST_F(AddonJobsTest, TheUpdateJobKeepsInstalledAddonsCurrent) {
  publish();
  ASSERT_EQ(install("fx", "nv", "pause").done, doneText(true, "addonInstalled", "Effects"));
  writeFile(client_ / "system/fx.ini", iniWithKey(46) + "; the player's own edit\r\n");

  Shape changed;
  changed.nvShader = "nv shader 2";
  publish(changed);
  JobLog log = update();
  EXPECT_EQ(log.done, doneText(true, "updated", ""));
  EXPECT_EQ(readFile(client_ / "shaders/nv/nv.fx"), "nv shader 2");
  EXPECT_EQ(readFile(client_ / "system/fx.ini"), iniWithKey(46) + "; the player's own edit\r\n")
      << "the key is written only with a new INI or a new key";
  EXPECT_EQ(listed(log, "fx"), "installed nv pause");
  EXPECT_EQ(update().done, doneText(true, "uptodate", ""));

  // A fresh INI gets the recorded key.
  fs::remove(client_ / "system/fx.ini");
  EXPECT_EQ(update().done, doneText(true, "updated", ""));
  EXPECT_EQ(readFile(client_ / "system/fx.ini"), iniWithKey(19));
}

TEST_F(AddonJobsTest, AVariantTheReleaseNoLongerDeclaresBecomesTheFirstOne) {
  publish();
  ASSERT_EQ(install("fx", "nv", "").done, doneText(true, "addonInstalled", "Effects"));
  Shape withoutNv;
  withoutNv.nv = false;
  publish(withoutNv);
  JobLog log = update();
  EXPECT_EQ(log.done, doneText(true, "updated", ""));
  EXPECT_EQ(listed(log, "fx"), "installed amd end");
  EXPECT_EQ(recordedFiles("fx"), kAmdFiles);
  EXPECT_EQ(readFile(client_ / "system/d3d9.dll"), "amd dll");
  EXPECT_FALSE(exists("shaders/nv"));
  EXPECT_EQ(readFile(client_ / "shaders/common.fx"), "common");
}

// A release puts an add-on file where its folder was, the next one the
// folder back where the file was.
TEST_F(AddonJobsTest, AnAddonFileAndAFolderMayTakeEachOthersPlace) {
  publish();
  ASSERT_EQ(install("fx", "nv", "").done, doneText(true, "addonInstalled", "Effects"));
  Shape flattened;
  flattened.nvShaderPath = "shaders/nv";
  publish(flattened);
  EXPECT_EQ(update().done, doneText(true, "updated", ""));
  EXPECT_EQ(readFile(client_ / "shaders/nv"), "nv shader 1");
  publish();
  EXPECT_EQ(update().done, doneText(true, "updated", ""));
  EXPECT_EQ(readFile(client_ / "shaders/nv/nv.fx"), "nv shader 1");

  // The add-on dropped, a base client file where its folder was.
  Shape dropped;
  dropped.fx = false;
  dropped.nvFolderIsBase = true;
  publish(dropped);
  EXPECT_EQ(update().done, doneText(true, "updated", ""));
  EXPECT_EQ(readFile(client_ / "shaders/nv"), "base file");
}

TEST_F(AddonJobsTest, AFileMovedFromAKeptAddonIntoTheBaseClientStays) {
  publish();
  ASSERT_EQ(install("fx", "nv", "").done, doneText(true, "addonInstalled", "Effects"));
  Shape moved;
  moved.dllIsBase = true;
  publish(moved);
  EXPECT_EQ(update().done, doneText(true, "updated", ""));
  EXPECT_EQ(readFile(client_ / "system/d3d9.dll"), "base dll");
  EXPECT_EQ(recordedFiles("fx"), (Paths{"system/fx.ini", "shaders/nv/nv.fx", "shaders/common.fx"}));
  EXPECT_EQ(update().done, doneText(true, "uptodate", ""));
}

TEST_F(AddonJobsTest, ADroppedAddonLeavesOnlyWhatIsNowABaseFile) {
  publish();
  ASSERT_EQ(install("fx", "nv", "").done, doneText(true, "addonInstalled", "Effects"));
  writeFile(client_ / "system/ReShade.log", "log");
  Shape dropped;
  dropped.fx = false;
  dropped.iniIsBase = true;
  publish(dropped);

  // While the game runs the add-on stays recorded with what is left.
  std::optional<LockedFile> game(std::in_place, client_ / "system/d3d9.dll");
  JobLog log = update();
  EXPECT_EQ(log.done, doneText(true, "updated", ""));
  EXPECT_EQ(recordedFiles("fx"), (Paths{"system/d3d9.dll", "shaders/nv/nv.fx", "shaders/common.fx"}));
  EXPECT_EQ(listed(log, "fx"), "installed nv end");

  game.reset();
  log = update();
  EXPECT_EQ(log.done, doneText(true, "updated", ""));
  for (const char* path : {"system/d3d9.dll", "shaders", "system/ReShade.log"}) EXPECT_FALSE(exists(path)) << path;
  EXPECT_EQ(readFile(client_ / "system/fx.ini"), "base ini");
  EXPECT_EQ(records().dump(), "{}");
  EXPECT_EQ(listed(log, "fx"), "unlisted");
}

}  // namespace
}  // namespace zv
