#include <gtest/gtest.h>

#include <string>

#include "data/builtin_config.h"
#include "data/json.h"
#include "data/launcher_config.h"
#include "tests/support/temp_dir.h"

namespace zv {
namespace {

const std::string gameMessage =
    "ZarvoLauncher.json: \"game\" must be a path inside the client folder, e.g. system/L2.exe";
const std::string workDirMessage =
    "ZarvoLauncher.json: \"workDir\" must be a folder inside the client folder, e.g. .zarvo_update";
const std::string optionsMessage = "ZarvoLauncher.json: bad \"options\" path";

LauncherConfig load(const std::string& text) {
  LauncherConfig config;
  std::string error;
  EXPECT_TRUE(loadLauncherConfig(text, config, error)) << text << ": " << error;
  return config;
}

std::string loadError(const std::string& text) {
  LauncherConfig config;
  config.serverName = "untouched";
  std::string error;
  EXPECT_FALSE(loadLauncherConfig(text, config, error)) << text;
  EXPECT_EQ(config.serverName, "untouched") << "a failed load must not change the output";
  return error;
}

std::string withKey(const std::string& key, const std::string& jsonValue) {
  return Json::object().set(key, Json::parse(jsonValue)).dump();
}

std::string withString(const std::string& key, const std::string& value) {
  return Json::object().set(key, value).dump();
}

TEST(LauncherConfig, ReadsEveryKey) {
  const LauncherConfig config = load(R"({
    "serverName": "Test", "updateUrl": "https://u.example/up/", "publicKey": "ABCdef",
    "newsUrl": "n", "statusUrl": "s", "statusHost": "h", "statusPort": 7777,
    "game": "bin/Game.exe", "gameArgs": "-x y", "options": "bin/o.ini", "workDir": "w/d",
    "language": "RU", "theme": "Ocean", "mode": "Light", "closeOnPlay": false,
    "desktopShortcut": false, "chunkPatch": false, "links": {"site": "https://a.example/"}, "unknown": 1})");
  EXPECT_EQ(config.serverName, "Test");
  EXPECT_EQ(config.updateUrl, "https://u.example/up/");
  EXPECT_EQ(config.publicKey, "abcdef");
  EXPECT_EQ(config.newsUrl, "n");
  EXPECT_EQ(config.statusUrl, "s");
  EXPECT_EQ(config.statusHost, "h");
  EXPECT_EQ(config.statusPort, 7777);
  EXPECT_EQ(config.game, "bin/Game.exe");
  EXPECT_EQ(config.gameArgs, "-x y");
  EXPECT_EQ(config.options, "bin/o.ini");
  EXPECT_EQ(config.workDir, "w/d");
  EXPECT_EQ(config.language, "ru");
  EXPECT_EQ(config.theme, "ocean");
  EXPECT_EQ(config.mode, "light");
  EXPECT_FALSE(config.closeOnPlay);
  EXPECT_FALSE(config.desktopShortcut);
  EXPECT_FALSE(config.chunkPatch);
  EXPECT_EQ(config.linkUrl("site"), "https://a.example/");
}

TEST(LauncherConfig, ByteOrderMarkIsIgnored) {
  const std::string text = R"({"serverName": "BOM"})";
  EXPECT_EQ(load(std::string("\xEF\xBB\xBF").append(text)).serverName, "BOM");
  EXPECT_EQ(loadError("\xEF\xBB"), "ZarvoLauncher.json is not valid JSON: unexpected character at offset 0");
}

TEST(LauncherConfig, NonObjectDocumentsAreInvalidJson) {
  EXPECT_EQ(loadError("[]"), "ZarvoLauncher.json is not valid JSON: ");
  EXPECT_EQ(loadError("{\"a\" 1}"), "ZarvoLauncher.json is not valid JSON: expected ':' at offset 5");
}

TEST(LauncherConfig, WrongTypesFallBackToDefaults) {
  EXPECT_EQ(load(withKey("serverName", "5")).serverName, "Lineage II");
  EXPECT_EQ(load(withKey("serverName", "\"\"")).serverName, "");
  EXPECT_EQ(load(withKey("game", "7")).game, "system/L2.exe");
  EXPECT_EQ(load(withKey("options", "null")).options, "system/Option.ini");
  EXPECT_EQ(load(withKey("language", "[]")).language, "lt");
  EXPECT_TRUE(load(withKey("closeOnPlay", "0")).closeOnPlay);
  EXPECT_EQ(load(withKey("statusPort", "\"8080\"")).statusPort, 0);
}

TEST(LauncherConfig, TransfersAreAWholeNumberFrom1To16ElseTheDefault) {
  EXPECT_EQ(load("{}").transfers, kDefaultTransfers);
  EXPECT_EQ(load(withKey("transfers", "1")).transfers, 1);
  EXPECT_EQ(load(withKey("transfers", "16")).transfers, 16);
  for (const char* value : {"0", "17", "2.5", "-4", "\"4\"", "1e9"}) {
    EXPECT_EQ(load(withKey("transfers", value)).transfers, kDefaultTransfers) << value;
  }
}

TEST(LauncherConfig, UpdateUrlAlwaysEndsWithASlash) {
  EXPECT_EQ(load(withKey("updateUrl", "\"http://h/u\"")).updateUrl, "http://h/u/");
  EXPECT_EQ(load(withKey("updateUrl", "\"http://h/u/\"")).updateUrl, "http://h/u/");
  EXPECT_EQ(load(withKey("updateUrl", "\"\"")).updateUrl, "");
}

TEST(LauncherConfig, StatusPortIsTruncatedWithoutRangeCheck) {
  EXPECT_EQ(load(withKey("statusPort", "8080.9")).statusPort, 8080);
  EXPECT_EQ(load(withKey("statusPort", "-3.7")).statusPort, -3);
  EXPECT_EQ(load(withKey("statusPort", "70000")).statusPort, 70000);
  EXPECT_LT(load(withKey("statusPort", "1e20")).statusPort, 0) << "never a usable port";
}

TEST(LauncherConfig, ThemeAndModeAreNormalised) {
  struct Case {
    std::string json;
    std::string theme;
    std::string mode;
  };
  const Case cases[] = {
      {R"({"theme": "Light"})", "", "light"},
      {R"({"theme": "dark", "mode": "light"})", "", "light"},
      {R"({"theme": "light", "mode": "dark"})", "", "dark"},
      {R"({"theme": "light", "mode": "auto"})", "", "dark"},
      {R"({"theme": "Ocean Blue"})", "", "dark"},
      {R"({"theme": "OCEAN"})", "ocean", "dark"},
      {R"({"mode": "LIGHT"})", "", "light"},
      {R"({"mode": "auto"})", "", "dark"},
      {R"({"theme": 3, "mode": true})", "", "dark"},
  };
  for (const Case& c : cases) {
    const LauncherConfig config = load(c.json);
    EXPECT_EQ(config.theme, c.theme) << c.json;
    EXPECT_EQ(config.mode, c.mode) << c.json;
  }
}

TEST(LauncherConfig, OnlyWebLinksAreKeptInOrder) {
  const LauncherConfig config = load(R"json({"links": {
    "b": "https://b.example/", "num": 5, "ftp": "ftp://x/", "caps": "HTTPS://c.example/",
    "a": "http://a.example/", "js": "javascript:alert(1)", "file": "file:///C:/x", "empty": ""}})json");
  ASSERT_EQ(config.links.size(), 2u);
  EXPECT_EQ(config.links[0].name, "b");
  EXPECT_EQ(config.links[1].name, "a");
  EXPECT_EQ(config.linkUrl("a"), "http://a.example/");
  EXPECT_EQ(config.linkUrl("caps"), "");
  EXPECT_EQ(config.linkUrl("B"), "") << "names match exactly";
  EXPECT_TRUE(load(withKey("links", "[\"https://x/\"]")).links.empty());
}

// Which paths are safe is isSafeRelativePath's rule; here: each path is held
// to it, and only the game's may not be empty.
TEST(LauncherConfig, PathsMustStayInsideTheClientAndOnlyTheGameMustBeGiven) {
  EXPECT_EQ(loadError(withString("game", "")), gameMessage);
  EXPECT_EQ(loadError(withString("game", "../L2.exe")), gameMessage);
  EXPECT_EQ(load(withKey("workDir", "\"\"")).workDir, "");
  EXPECT_EQ(loadError(withKey("workDir", "\"..\"")), workDirMessage);
  EXPECT_EQ(load(withKey("options", "\"\"")).options, "");
  EXPECT_EQ(loadError(withString("options", "C:\\Option.ini")), optionsMessage);
  // The first offence in this order is the one reported.
  EXPECT_EQ(loadError(R"({"game": "", "workDir": "/", "options": "/"})"), gameMessage);
  EXPECT_EQ(loadError(R"({"workDir": "/", "options": "/"})"), workDirMessage);
}

TEST(LauncherConfig, FileLoadReportsAMissingFile) {
  test::TempDir dir;
  LauncherConfig config;
  std::string error;
  EXPECT_FALSE(loadLauncherConfigFile(dir / "ZarvoLauncher.json", config, error));
  EXPECT_EQ(error, "ZarvoLauncher.json not found next to the launcher");

  test::writeFile(dir / "ZarvoLauncher.json", "\xEF\xBB\xBF{\"serverName\": \"From file\"}");
  ASSERT_TRUE(loadLauncherConfigFile(dir / "ZarvoLauncher.json", config, error)) << error;
  EXPECT_EQ(config.serverName, "From file");
}

TEST(BuiltinConfig, LoadsAndListsItsKeysInTheDeliveredOrder) {
  LauncherConfig config;
  std::string error;
  ASSERT_TRUE(loadLauncherConfig(builtinConfigText, config, error)) << error;
  EXPECT_EQ(config.theme, "classic");
  EXPECT_EQ(config.language, "en");
  const Json doc = Json::parse(builtinConfigText);
  std::string keys;
  for (const auto& member : doc.members()) keys += member.key + " ";
  EXPECT_EQ(keys,
            "serverName updateUrl newsUrl statusUrl statusHost statusPort game gameArgs options language "
            "theme mode closeOnPlay links publicKey ");
  std::string links;
  for (const LauncherLink& link : config.links) links += link.name + " ";
  EXPECT_EQ(links, "website forum discord ");
}

}  // namespace
}  // namespace zv
