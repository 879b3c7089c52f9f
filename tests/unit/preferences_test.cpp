#include <gtest/gtest.h>

#include <string>

#include "data/install_tag.h"
#include "data/json.h"
#include "data/launcher_config.h"
#include "data/preferences.h"
#include "data/theme_picture.h"
#include "platform/text_path.h"
#include "tests/support/temp_dir.h"

namespace zv {
namespace {

using test::readFile;
using test::TempDir;
using test::writeFile;

// Values worked out separately: FNV-1a 32 over the UTF-16LE bytes of the text.
TEST(InstallTag, HashesTheFolderTextAsUtf16) {
  EXPECT_EQ(installHash("C:\\Games\\Lineage II"), 4287131964u);
  EXPECT_EQ(makeInstallTag("C:\\Games\\Lineage II"), "87131964");
  // Another spelling of the same folder is another install.
  EXPECT_EQ(makeInstallTag("c:\\games\\lineage ii"), "74541660");
  // Non-ASCII characters count as their UTF-16 units, not their UTF-8 bytes.
  EXPECT_EQ(makeInstallTag(pathFromUtf8("D:\\\xC5\xBD" "aidimai\\L2")), "31772831");
  // A character outside the basic plane is a surrogate pair.
  EXPECT_EQ(makeInstallTag(pathFromUtf8("C:\\\xF0\x9F\x98\x80")), "32162459");
  // 3500300102 mod 10^8 is 00300102: no leading zeros.
  EXPECT_EQ(makeInstallTag("C:\\Client403"), "300102");
}

class PreferencesTest : public ::testing::Test {
 protected:
  PreferencesTest() {
    config.language = "en";
    config.theme = "ocean";
    config.mode = "dark";
  }

  Preferences load() { return loadPreferences(config, data.path(), "1234"); }
  std::filesystem::path perInstall() const { return data / "prefs-1234.json"; }
  void makeTheme(const std::string& name) const { std::filesystem::create_directories(ui / ("themes/" + name)); }

  TempDir data;
  TempDir ui;
  LauncherConfig config;
};

TEST_F(PreferencesTest, WithoutAFileTheConfigurationDecides) {
  Preferences prefs = load();
  EXPECT_EQ(prefs.prefsPath, perInstall());
  EXPECT_EQ(prefs.prefLang, "en");
  EXPECT_EQ(prefs.prefTheme, "ocean");
  EXPECT_EQ(prefs.prefMode, "dark");
  EXPECT_EQ(prefs.prefBg, "");
  EXPECT_EQ(prefs.art, ThemePicture{});
  EXPECT_EQ(windowBackgroundColor(prefs), 0x0F0C0Eu);
  config.mode = "light";
  EXPECT_EQ(windowBackgroundColor(load()), 0xE8EEF3u);
}

TEST_F(PreferencesTest, OlderSharedFileIsReadButNeverWritten) {
  const std::string older = R"({"lang": "ru", "theme": "ember", "mode": "light"})";
  writeFile(data / "prefs.json", older);
  Preferences prefs = load();
  EXPECT_EQ(prefs.prefLang, "ru");
  EXPECT_EQ(prefs.prefTheme, "ember");
  EXPECT_EQ(prefs.prefMode, "light");
  ASSERT_TRUE(savePreferences(prefs));
  EXPECT_EQ(readFile(data / "prefs.json"), older);
  EXPECT_EQ(Json::parse(readFile(perInstall())).get("lang").text(), "ru");
  // Once the per-install file exists, the shared one no longer counts.
  writeFile(data / "prefs.json", R"({"lang": "lt"})");
  EXPECT_EQ(load().prefLang, "ru");
}

TEST_F(PreferencesTest, ThemeNamedLikeAModeSetsTheMode) {
  writeFile(perInstall(), R"({"theme": "light"})");
  Preferences prefs = load();
  EXPECT_EQ(prefs.prefMode, "light");
  EXPECT_EQ(prefs.prefTheme, "ocean");
  // An explicit mode wins over the one implied by the theme.
  writeFile(perInstall(), R"({"theme": "light", "mode": "dark"})");
  EXPECT_EQ(load().prefMode, "dark");
}

TEST_F(PreferencesTest, InvalidMembersAreSkippedOneByOne) {
  writeFile(perInstall(), R"({"lang": "de", "theme": "ember", "mode": "Light"})");
  Preferences prefs = load();
  EXPECT_EQ(prefs.prefLang, "en");
  EXPECT_EQ(prefs.prefTheme, "ember");
  EXPECT_EQ(prefs.prefMode, "dark") << "no case folding of the mode";
  writeFile(perInstall(), R"({"lang": "EN", "theme": "Ember", "mode": 5})");
  prefs = load();
  EXPECT_EQ(prefs.prefLang, "en");
  EXPECT_EQ(prefs.prefTheme, "ocean");
  EXPECT_EQ(prefs.prefMode, "dark");
  config.language = "xx";  // the configuration's language is not checked against the list
  writeFile(perInstall(), R"({"lang": 7})");
  EXPECT_EQ(load().prefLang, "xx");
}

TEST_F(PreferencesTest, ColourIsTakenOnlyWithAValidTheme) {
  writeFile(perInstall(), R"({"theme": "ember", "bg": "#0c0a08"})");
  EXPECT_EQ(load().prefBg, "#0c0a08");
  writeFile(perInstall(), R"({"theme": "ember", "bg": "#0c0a0"})");
  Preferences prefs = load();
  EXPECT_EQ(prefs.prefTheme, "ember");
  EXPECT_EQ(prefs.prefBg, "");
  writeFile(perInstall(), R"({"theme": "Not Valid", "bg": "#0c0a08"})");
  EXPECT_EQ(load().prefBg, "");
  writeFile(perInstall(), R"({"bg": "#0c0a08"})");
  EXPECT_EQ(load().prefBg, "");
}

TEST_F(PreferencesTest, BrokenFilesLeaveTheDefaults) {
  for (const std::string text : {"", "[1, 2]", "{\"lang\": \"ru\"", "\xEF\xBB\xBF{\"lang\": \"ru\"}"}) {
    writeFile(perInstall(), text);
    Preferences prefs = load();
    EXPECT_EQ(prefs.prefLang, "en") << text;
    EXPECT_TRUE(prefs.prefsDocument.isObject()) << text;
    EXPECT_TRUE(prefs.prefsDocument.members().empty()) << text;
  }
}

TEST_F(PreferencesTest, PictureIsReadThroughTheArtRules) {
  writeFile(perInstall(), R"({"theme": "ember", "art": {"file": "themes/ember/art.PNG", "x": -5000, "y": 12.9,
                                                         "height": 2500}})");
  EXPECT_EQ(load().art, (ThemePicture{"themes/ember/art.PNG", -3000, 12, 2000}));
  writeFile(perInstall(), R"({"theme": "ember", "art": {"file": "../art.png", "height": 300}})");
  EXPECT_EQ(load().art, ThemePicture{});
}

TEST_F(PreferencesTest, SaveKeepsUnknownMembersInTheirPlace) {
  writeFile(perInstall(), R"({"shortcut-42": true, "mode": "light", "extra": [1, {"a": null}]})");
  Preferences prefs = load();
  prefs.prefTheme = "ember";
  prefs.prefBg = "#102030";
  prefs.art = {"themes/ember/a.png", 10, -20, 300};
  ASSERT_TRUE(savePreferences(prefs));
  EXPECT_EQ(readFile(perInstall()),
            "{\n"
            "  \"shortcut-42\": true,\n"
            "  \"mode\": \"light\",\n"
            "  \"extra\": [\n"
            "    1,\n"
            "    {\n"
            "      \"a\": null\n"
            "    }\n"
            "  ],\n"
            "  \"lang\": \"en\",\n"
            "  \"theme\": \"ember\",\n"
            "  \"bg\": \"#102030\",\n"
            "  \"art\": {\n"
            "    \"file\": \"themes/ember/a.png\",\n"
            "    \"x\": 10,\n"
            "    \"y\": -20,\n"
            "    \"height\": 300\n"
            "  }\n"
            "}\n");
  // Clearing the picture stores an empty object; the document read back is the same.
  prefs.art = {};
  ASSERT_TRUE(savePreferences(prefs));
  Preferences again = load();
  EXPECT_EQ(again.prefsDocument.get("art").dump(), "{}");
  EXPECT_EQ(again.prefsDocument.dump(), prefs.prefsDocument.dump());
  EXPECT_EQ(again.prefTheme, "ember");
  EXPECT_EQ(again.prefBg, "#102030");
  EXPECT_EQ(again.prefMode, "light");
}

TEST_F(PreferencesTest, FailedSaveKeepsTheValues) {
  writeFile(data / "blocker", "a file where the data folder should be");
  Preferences prefs = loadPreferences(config, data / "blocker", "1234");
  prefs.prefLang = "ru";
  EXPECT_FALSE(savePreferences(prefs));
  EXPECT_EQ(prefs.prefLang, "ru");
  EXPECT_EQ(prefs.prefsDocument.get("lang").text(), "ru");
}

TEST_F(PreferencesTest, ThemeExistsOnlyAsAFolderUnderThemes) {
  EXPECT_TRUE(themeExists("classic", ui.path())) << "the built-in look has no folder";
  makeTheme("ember");
  EXPECT_TRUE(themeExists("ember", ui.path()));
  EXPECT_FALSE(themeExists("ocean", ui.path()));
  writeFile(ui / "themes/plain", "not a folder");
  EXPECT_FALSE(themeExists("plain", ui.path()));
  std::filesystem::create_directories(ui / "themes/Upper");
  EXPECT_FALSE(themeExists("Upper", ui.path()));
  std::filesystem::create_directories(ui / "outside");
  EXPECT_FALSE(themeExists("../outside", ui.path()));
  EXPECT_FALSE(themeExists("", ui.path()));
}

TEST_F(PreferencesTest, PresentThemeKeepsItsColourAndDropsAMissingPicture) {
  makeTheme("ember");
  writeFile(perInstall(), R"({"theme": "ember", "bg": "#0c0a08",
                             "art": {"file": "themes/ember/gone.png", "x": 4, "y": 5, "height": 100}})");
  Preferences prefs = load();
  resolveTheme(prefs, config, ui.path());
  EXPECT_EQ(prefs.prefTheme, "ember");
  EXPECT_EQ(prefs.prefBg, "#0c0a08");
  EXPECT_EQ(prefs.art, (ThemePicture{"", 4, 5, 100}));

  writeFile(ui / "themes/ember/art.png", "png");
  prefs.art.file = "themes/ember/art.png";
  resolveTheme(prefs, config, ui.path());
  EXPECT_EQ(prefs.art.file, "themes/ember/art.png");
  // A folder of that name is not a picture.
  std::filesystem::create_directories(ui / "themes/ember/dir.png");
  prefs.art.file = "themes/ember/dir.png";
  resolveTheme(prefs, config, ui.path());
  EXPECT_EQ(prefs.art.file, "");
}

TEST_F(PreferencesTest, MissingThemeFallsBackAndLosesColourAndPicture) {
  writeFile(ui / "themes/ember/art.png", "png");
  const std::string stored = R"({"theme": "ember", "bg": "#0c0a08",
                                  "art": {"file": "themes/ember/art.png", "height": 100}})";
  writeFile(perInstall(), stored);
  Preferences prefs = load();
  std::filesystem::remove_all(ui / "themes/ember");
  makeTheme("ocean");
  resolveTheme(prefs, config, ui.path());
  EXPECT_EQ(prefs.prefTheme, "ocean") << "the configured theme, whose folder exists";
  EXPECT_EQ(prefs.prefBg, "");
  EXPECT_EQ(prefs.art, ThemePicture{});
  EXPECT_EQ(readFile(perInstall()), stored) << "nothing is saved";

  prefs = load();
  std::filesystem::remove_all(ui / "themes/ocean");
  resolveTheme(prefs, config, ui.path());
  EXPECT_EQ(prefs.prefTheme, "classic");
}

TEST(WindowBackgroundColor, ThemeColourIsRedInTheLowByte) {
  Preferences prefs;
  prefs.prefMode = "light";
  prefs.prefBg = "#102030";
  EXPECT_EQ(windowBackgroundColor(prefs), 3153936u);
  prefs.prefBg = "#FFfe0A";
  EXPECT_EQ(windowBackgroundColor(prefs), 0x0AFEFFu);
  prefs.prefBg = "#10203";
  EXPECT_EQ(windowBackgroundColor(prefs), 0xE8EEF3u);
  prefs.prefMode = "Light";
  EXPECT_EQ(windowBackgroundColor(prefs), 0x0F0C0Eu);
}

TEST(ThemePicture, ParseArtChecksAndClamps) {
  const ThemePicture before{"keep.png", 1, 2, 30};
  auto parse = [&](const std::string& json) {
    ThemePicture picture = before;
    if (!parseArt(Json::parse(json), picture)) {
      EXPECT_EQ(picture, before) << "changed on failure: " << json;
    }
    return picture;
  };
  EXPECT_EQ(parse(R"({"file": "a/b.PNG", "x": 5000, "y": -3001, "height": 15.9e1})"),
            (ThemePicture{"a/b.PNG", 3000, -3000, 159}));
  EXPECT_EQ(parse(R"({"file": "b.png", "x": "7", "height": 2500})"), (ThemePicture{"b.png", 0, 0, 2000}));
  EXPECT_EQ(parse(R"({"file": "b.png", "height": 16})").height, 16);
  for (const std::string bad : {R"({"file": "b.png", "height": 15})", R"({"file": "b.png"})",
                                R"({"file": "../b.png", "height": 100})", R"({"file": ".png", "height": 100})",
                                R"({"file": "b.jpg", "height": 100})", R"({"file": 5, "height": 100})",
                                R"({"file": "C:/b.png", "height": 100})", R"({"file": "b.png", "height": -1e300})",
                                "[]"}) {
    EXPECT_EQ(parse(bad), before) << bad;
  }
  EXPECT_EQ(parse(R"({"file": ")" + std::string(196, 'a') + R"(.png", "height": 20})").file.size(), 200u);
  EXPECT_EQ(parse(R"({"file": ")" + std::string(197, 'a') + R"(.png", "height": 20})"), before);
}

}  // namespace
}  // namespace zv
