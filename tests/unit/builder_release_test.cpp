// From a client folder and a release file to the list of files to publish:
// patterns, names the launcher or Windows would trip over, the release
// file's own checks, and the refusals that name the offending file.

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "data/json.h"
#include "platform/durable_file.h"
#include "platform/text_path.h"
#include "tests/support/temp_dir.h"
#include "tools/builder/client_names.h"
#include "tools/builder/manifest_writer.h"
#include "tools/builder/path_pattern.h"
#include "tools/builder/publish.h"
#include "tools/builder/release_file.h"
#include "tools/builder/release_plan.h"
#include "updater/manifest.h"

namespace zv::builder {
namespace {

using test::TempDir;
using test::writeFile;

TEST(PathPattern, NamesMatchAtAnyDepthAndSlashesAnchor) {
  EXPECT_TRUE(pathPatternMatches("*.log", "a.log"));
  EXPECT_TRUE(pathPatternMatches("*.LOG", "system/deep/A.log"));
  EXPECT_FALSE(pathPatternMatches("*.log", "a.log.txt"));
  EXPECT_TRUE(pathPatternMatches("system/*.bak", "System/L2.bak"));
  // Windows ignores Cyrillic letter case too: "снимки/" takes "Снимки/1.bmp".
  EXPECT_TRUE(pathPatternMatches("\xD1\x81\xD0\xBD\xD0\xB8\xD0\xBC\xD0\xBA\xD0\xB8/",
                                 "\xD0\xA1\xD0\xBD\xD0\xB8\xD0\xBC\xD0\xBA\xD0\xB8/1.bmp"));
  EXPECT_FALSE(pathPatternMatches("system/*.bak", "other/system/L2.bak"));
  EXPECT_FALSE(pathPatternMatches("system/*.bak", "system/sub/L2.bak"));
  EXPECT_TRUE(pathPatternMatches("system/**.bak", "system/sub/L2.bak"));
  // A matching folder takes everything below it; "/" at the end: folders only.
  EXPECT_TRUE(pathPatternMatches("screenshots", "screenshots/shot1.bmp"));
  EXPECT_TRUE(pathPatternMatches("cache/", "system/cache/x.dat"));
  EXPECT_FALSE(pathPatternMatches("cache/", "system/cache"));
  EXPECT_TRUE(pathPatternMatches("cache/", "system/cache", true));
  EXPECT_TRUE(pathPatternMatches("system/Option.ini", "system/option.ini"));
}

TEST(ClientNames, RefusesWhatTheLauncherOrWindowsCannotTake) {
  EXPECT_EQ(unpublishableReason("system/Ünïcode file #1.dat"), "");
  EXPECT_NE(unpublishableReason("a/b?.txt"), "");
  EXPECT_NE(unpublishableReason("a\\b.txt"), "");
  EXPECT_NE(unpublishableReason("a/b:c"), "");
  EXPECT_NE(unpublishableReason(std::string("a\x01") + "b"), "");
  EXPECT_EQ(unpublishableReason(std::string(401, 'a')), "the path is longer than 400 bytes");
  EXPECT_EQ(unpublishableReason("bad\xff.dat"), "the name is not valid UTF-8");
  EXPECT_EQ(unpublishableReason("bad\xc0\xaf.dat"), "the name is not valid UTF-8");  // overlong "/"
  EXPECT_EQ(unpublishableReason("dir./a"), "\"dir.\" ends in a dot or blank, which Windows drops");
  EXPECT_EQ(unpublishableReason("a/b "), "\"b \" ends in a dot or blank, which Windows drops");
  EXPECT_EQ(unpublishableReason("system/nul.txt"), "\"nul.txt\" is a device name on Windows");
  EXPECT_EQ(unpublishableReason("COM1"), "\"COM1\" is a device name on Windows");
  EXPECT_EQ(unpublishableReason("com10.txt"), "");
  EXPECT_EQ(unpublishableReason("console.txt"), "");
}

bool parse(const std::string& text, Release& release, std::string& error) {
  return parseRelease(Json::parse(text), "/base", release, error);
}

TEST(ReleaseFile, ReadsEveryKey) {
  Release release;
  std::string error;
  ASSERT_TRUE(parse(R"({"build": "b7", "launcher": "ZarvoLauncher.exe", "exclude": ["*.log"],
      "once": ["system/Option.ini"], "remove": ["old.dll"], "source": {"a.dat": "shared/a.dat"},
      "chunkSize": 1048576, "level": 12,
      "addons": [{"id": "fx", "name": "Effects", "folder": "fx/common", "keyIni": "system/fx.ini",
                  "keyIniOnce": false, "defaultKey": "end", "cleanup": ["system/fx*.log"],
                  "variants": [{"id": "dx9", "label": "DirectX 9", "folder": "/abs/dx9"}]}]})",
                    release, error))
      << error;
  EXPECT_EQ(release.build, "b7");
  EXPECT_EQ(release.launcher, "ZarvoLauncher.exe");
  EXPECT_EQ(release.sources.at(0).second, "shared/a.dat");
  EXPECT_EQ(release.chunkSize, 1048576u);
  EXPECT_EQ(release.level, 12);
  const ReleaseAddon& addon = release.addons.at(0);
  EXPECT_EQ(addon.folder, std::filesystem::path("/base/fx/common"));
  EXPECT_EQ(addon.variants.at(0).folder, std::filesystem::path("/abs/dx9"));
  EXPECT_FALSE(addon.keyIniOnce);
  EXPECT_EQ(addon.cleanup.at(0), "system/fx*.log");
}

TEST(ReleaseFile, RefusalsSayWhatIsWrong) {
  const std::pair<const char*, const char*> cases[] = {
      {R"({"chunksize": 5})", "unknown key \"chunksize\" in the release file"},
      {R"({"chunkSize": 16777217})", "\"chunkSize\" in the release file must be a whole number from 1 to 16777216"},
      {R"({"level": 0})", "\"level\" in the release file must be a whole number from 1 to 12"},
      {R"({"once": "a"})", "\"once\" in the release file must be a list of strings"},
      {R"({"remove": ["../x"]})", "an entry of \"remove\" is not a safe relative path with \"/\": \"../x\""},
      {R"({"launcher": "C:/x.exe"})", "\"launcher\" is not a safe relative path with \"/\": \"C:/x.exe\""},
      {R"({"addons": [{"id": "FX", "folder": "x"}]})",
       "add-on id \"FX\" must be 1 to 32 characters of a-z, 0-9, \"-\" and \"_\""},
      {R"({"addons": [{"id": "fx"}]})", "add-on fx needs a \"folder\" or \"variants\" with folders"},
      {R"({"addons": [{"id": "fx", "folder": "x", "cleanup": ["system/*.*"]}]})",
       "clean-up pattern \"system/*.*\" of add-on fx is refused by the launcher (\"*\" and \"?\" only in the last "
       "segment, which must hold a letter or digit, as in *.log or d3d9*.dll: \"*.*\" would take the player's files)"},
      {R"({"addons": [{"id": "fx", "variants": [{"id": "a", "folder": "x"}, {"id": "a", "folder": "y"}]}]})",
       "add-on fx has two variants with the id a"},
      {R"({"addons": [{"id": "fx", "folder": "x"}, {"id": "fx", "folder": "y"}]})", "two add-ons have the id fx"},
      {R"({"addons": [{"id": "fx", "folder": "x", "defaultKey": "Insert"}]})",
       "\"defaultKey\" of add-on fx must be one of insert, delete, end, pageup, pagedown, pause, scrolllock"},
      {"[1]", "the release file must be an object"},
  };
  for (const auto& [text, message] : cases) {
    Release release;
    std::string error;
    EXPECT_FALSE(parse(text, release, error)) << text;
    EXPECT_EQ(error, message) << text;
  }
}

class Planning : public ::testing::Test {
 protected:
  Planning() {
    writeFile(dir / "client/system/L2.exe", "game");
    writeFile(dir / "client/system/Option.ini", "[Video]\n");
    writeFile(dir / "client/ZarvoLauncher.exe", "launcher");
    writeFile(dir / "client/.zarvo_update/cache.json", "{}");
    writeFile(dir / "client/ZarvoLauncher.log", "log");
    writeFile(dir / "client/system/debug.log", "log");
    writeFile(dir / "fx/all/system/d3d9.dll", "common dll");
    writeFile(dir / "fx/all/system/fx.ini", "[INPUT]\n");
    writeFile(dir / "fx/amd/system/d3d9.dll", "amd dll");
    writeFile(dir / "fx/nv/system/d3d9.dll", "nvidia dll");
  }

  bool plan(const std::string& releaseText, Plan& plan, std::string& error) {
    Release release;
    if (!parseRelease(Json::parse(releaseText), dir.path(), release, error)) return false;
    return makePlan(dir.path() / "client", release, plan, error);
  }

  TempDir dir;
};

const char* kFullRelease = R"({"launcher": "ZarvoLauncher.exe", "exclude": ["*.log", "shared/"], "once": ["system/option.ini"],
    "addons": [{"id": "fx", "name": "Effects", "folder": "fx/all", "keyIni": "system/fx.ini",
                "variants": [{"id": "amd", "folder": "fx/amd"}, {"id": "nv", "folder": "fx/nv"}]}]})";

TEST_F(Planning, BuildsTheLauncherClientAndAddonEntries) {
  Plan result;
  std::string error;
  // An excluded link to a folder outside is passed over, not refused.
  std::error_code noLinks;  // Windows without the right to make links
  std::filesystem::create_directory_symlink(dir.path() / "fx", dir / "client/shared", noLinks);
  ASSERT_TRUE(plan(kFullRelease, result, error)) << error;
  ASSERT_TRUE(result.hasLauncher);
  EXPECT_EQ(result.launcher.path, "ZarvoLauncher.exe");
  // The launcher's own work folder and log stay out; so does the excluded log.
  ASSERT_EQ(result.files.size(), 2u);
  EXPECT_EQ(result.files[0].path, "system/L2.exe");
  EXPECT_FALSE(result.files[0].once);
  EXPECT_EQ(result.files[1].path, "system/Option.ini");
  EXPECT_TRUE(result.files[1].once);

  const PlannedAddon& fx = result.addons.at(0);
  ASSERT_EQ(fx.files.size(), 4u);
  EXPECT_EQ(fx.files[0].serverName, "addons/fx/all/system/d3d9.dll");
  EXPECT_EQ(fx.files[1].path, "system/fx.ini");
  EXPECT_TRUE(fx.files[1].once);  // the launcher writes the toggle key into it
  EXPECT_EQ(fx.files[2].variant, "amd");
  EXPECT_EQ(fx.files[2].serverName, "addons/fx/v-amd/system/d3d9.dll");
  EXPECT_EQ(fx.files[3].serverName, "addons/fx/v-nv/system/d3d9.dll");

  // The launcher's parser takes the result.
  Manifest manifest;
  ASSERT_TRUE(parseManifestText(manifestJson(result, true).dump(), manifest, error)) << error;
  EXPECT_EQ(manifest.addons.at(0).files.at(2).source, "addons/fx/v-amd/system/d3d9.dll");
  EXPECT_TRUE(manifest.files.at(1).once);
  EXPECT_EQ(manifest.launcher.path, "ZarvoLauncher.exe");
}

// On Windows a variant's file that differs from a shared one in letter case
// beyond ASCII only (Фон.fx, фон.fx) is the same file. Launchers that fold
// ASCII only would install both, which then replace each other on every check:
// the variant's file takes the shared one's spelling.
TEST_F(Planning, AVariantsFileTakesTheSpellingOfTheSharedFileItReplaces) {
  writeFile(dir.path() / pathFromUtf8("fx/all/system/\xD0\xA4\xD0\xBE\xD0\xBD.fx"), "shared");
  writeFile(dir.path() / pathFromUtf8("fx/nv/system/\xD1\x84\xD0\xBE\xD0\xBD.fx"), "nvidia");
  Plan result;
  std::string error;
  ASSERT_TRUE(plan(kFullRelease, result, error)) << error;
  const PlannedFile& nv = result.addons.at(0).files.back();
  EXPECT_EQ(nv.variant + " " + nv.path, "nv system/\xD0\xA4\xD0\xBE\xD0\xBD.fx");
  EXPECT_EQ(nv.serverName, "addons/fx/v-nv/system/\xD1\x84\xD0\xBE\xD0\xBD.fx");
}

TEST_F(Planning, KeyIniCanBePublishedWithItsDigest) {
  std::string release = kFullRelease;
  release.replace(release.find("\"keyIni\""), 0, "\"keyIniOnce\": false, ");
  Plan result;
  std::string error;
  ASSERT_TRUE(plan(release, result, error)) << error;
  EXPECT_FALSE(result.addons.at(0).files.at(1).once);
}

// Names that only some file systems can hold: skipped where they cannot be
// made (Windows folds letter case and has no "|" in names).
TEST_F(Planning, RefusesNamesThatDifferOnlyInCaseOrThatTheLauncherRefuses) {
  Plan result;
  std::string error;
  std::ofstream(dir / "client/system/l2.EXE") << "twin";
  if (test::readFile(dir / "client/system/L2.exe") == "game") {
    EXPECT_FALSE(plan("{}", result, error));
    EXPECT_EQ(error, (dir.path() / "client").string() +
                         ": two files differ only in letter case: system/L2.exe and system/l2.EXE");
    std::filesystem::remove(dir / "client/system/l2.EXE");
  }
  if (std::ofstream(dir / "client/bad|name.txt") << "x") {
    EXPECT_FALSE(plan("{}", result, error));
    EXPECT_NE(error.find("cannot publish bad|name.txt: the launcher refuses names"), std::string::npos) << error;
  }
}

TEST_F(Planning, RefusalsNameTheFile) {
  Plan result;
  std::string error;
  writeFile(dir / "fx/all/system/L2.exe", "clash");
  EXPECT_FALSE(plan(kFullRelease, result, error));
  EXPECT_NE(error.find("add-on fx: system/L2.exe in "), std::string::npos) << error;
  EXPECT_NE(error.find("clashes with the client's own file system/L2.exe"), std::string::npos) << error;
  std::filesystem::remove(dir / "fx/all/system/L2.exe");

  EXPECT_FALSE(plan(R"({"addons": [{"id": "fx", "folder": "fx/amd", "keyIni": "system/fx.ini"}]})", result, error));
  EXPECT_EQ(error, "add-on fx: its keyIni system/fx.ini is neither one of its files nor a file of the client; the "
                   "launcher could not write the toggle key");

  EXPECT_FALSE(plan(R"({"launcher": "Launcher.exe"})", result, error));
  EXPECT_EQ(error, "the launcher Launcher.exe named in the release file is not in the client folder");

  EXPECT_FALSE(plan(R"({"remove": ["SYSTEM/l2.exe"]})", result, error));
  EXPECT_EQ(error, "SYSTEM/l2.exe is listed in \"remove\" but is also one of the files of this release");
  // Windows folds Cyrillic letters too: system/тест.ini is system/Тест.ini there.
  writeFile(dir / "client/system/\xD0\xA2\xD0\xB5\xD1\x81\xD1\x82.ini", "test");
  EXPECT_FALSE(plan("{\"remove\": [\"system/\xD1\x82\xD0\xB5\xD1\x81\xD1\x82.ini\"]}", result, error));
  EXPECT_EQ(error, "system/\xD1\x82\xD0\xB5\xD1\x81\xD1\x82.ini is listed in \"remove\" but is also one of the "
                   "files of this release");
  std::filesystem::remove(dir / "client/system/\xD0\xA2\xD0\xB5\xD1\x81\xD1\x82.ini");

  EXPECT_FALSE(plan(R"({"source": {"system/Option.ini": "System/L2.exe"}})", result, error));
  EXPECT_EQ(error, "two files would be stored on the server under names that differ only in letter case: "
                   "system/L2.exe (for system/L2.exe) and System/L2.exe (for system/Option.ini)");

  std::string removesAddonFile = kFullRelease;
  removesAddonFile.replace(removesAddonFile.find("\"addons\""), 0, "\"remove\": [\"System/FX.ini\"], ");
  EXPECT_FALSE(plan(removesAddonFile, result, error));
  EXPECT_EQ(error, "System/FX.ini is listed in \"remove\" but add-on fx ships it");

  EXPECT_FALSE(plan(R"({"source": {"nothing.txt": "x"}})", result, error));
  EXPECT_EQ(error, "\"source\" names nothing.txt, which is not a file of this release");
}

// Every player's launcher would lose its settings or state.
TEST_F(Planning, TheLaunchersOwnFilesAreNeitherPublishedNorRemoved) {
  writeFile(dir / "client/ZarvoLauncher.json", R"({"workDir": "state"})");
  writeFile(dir / "client/state/cache.json", "{}");
  Plan result;
  std::string error;
  ASSERT_TRUE(plan(R"({"launcher": "ZarvoLauncher.exe"})", result, error)) << error;
  std::vector<std::string> published;
  for (const PlannedFile& file : result.files) published.push_back(file.path);
  EXPECT_EQ(published, (std::vector<std::string>{"system/L2.exe", "system/Option.ini", "system/debug.log"}));
  ASSERT_EQ(result.warnings.size(), 1u);
  EXPECT_NE(result.warnings[0].find("ZarvoLauncher.json is not published"), std::string::npos);

  for (const char* path : {"zarvolauncher.JSON", "ZarvoLauncher.log", "State/cache.json", "ZarvoLauncher.exe"}) {
    EXPECT_FALSE(plan(R"({"launcher": "ZarvoLauncher.exe", "remove": [")" + std::string(path) + R"("]})", result,
                      error));
    EXPECT_EQ(error, std::string(path) + " is listed in \"remove\" but belongs to the launcher itself (its "
                     "configuration, log, work folder or executable), which a release never deletes");
  }
  for (const char* pattern : {"Zarvo*.js*", "*.log", "state/*.json", "state/sub/a*"}) {
    EXPECT_FALSE(plan(R"({"addons": [{"id": "fx", "folder": "fx/all", "cleanup": [")" + std::string(pattern) +
                      R"("]}]})", result, error));
    EXPECT_EQ(error, "clean-up pattern \"" + std::string(pattern) +
                         "\" of add-on fx could delete the launcher's own files (its configuration, log, work "
                         "folder or executable)");
  }
}

TEST_F(Planning, OncePatternThatMatchesNothingIsAWarning) {
  Plan result;
  std::string error;
  ASSERT_TRUE(plan(R"({"once": ["system/Optoin.ini"]})", result, error)) << error;
  ASSERT_EQ(result.warnings.size(), 1u);
  EXPECT_EQ(result.warnings[0], "\"once\" pattern system/Optoin.ini matches no file");
}

// After a power loss the server must not list packed files whose data never
// reached the disk: they are flushed, and their folder synced, while the new
// manifest is not yet in place.
TEST(Publishing, PackedFilesReachTheDiskBeforeTheManifestAndFailuresNameTheFile) {
  TempDir dir;
  const std::filesystem::path out = dir / "out";
  std::vector<StagedFile> staged;
  for (const char* name : {"a", "sub/b"}) {
    writeFile(dir / "staging" / name, name);
    staged.push_back({dir / "staging" / name, packedFilePath(out, name)});
  }
  std::vector<std::string> steps;
  setDurableStepObserver([&](DurableStep step, const std::filesystem::path& path, const std::filesystem::path&) {
    const char* kind = step == DurableStep::Flush ? "flush " : step == DurableStep::FolderSync ? "sync " : "rename ";
    const char* manifest = std::filesystem::exists(out / "manifest.json") ? " (manifest in place)" : "";
    steps.push_back(kind + path.lexically_relative(out).generic_string() + manifest);
  });
  std::string error;
  const bool published = publishBuild(out, staged, "{}\n", "sig\n", error);
  setDurableStepObserver({});
  ASSERT_TRUE(published) << error;
  EXPECT_EQ(steps, (std::vector<std::string>{"flush files/a.zv", "flush files/sub/b.zv", "sync files",
                                             "sync files/sub", "sync . (manifest in place)"}));

  // A move that fails names the file.
  writeFile(dir / "staging/c", "packed");
  writeFile(out / "files/c.zv/in-the-way", "");
  EXPECT_FALSE(publishBuild(out, {{dir / "staging/c", packedFilePath(out, "c")}}, "{}\n", "sig\n", error));
  EXPECT_TRUE(error.starts_with(pathToUtf8(packedFilePath(out, "c")) + ": ")) << error;
}

}  // namespace
}  // namespace zv::builder
