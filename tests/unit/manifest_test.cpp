#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "data/json.h"
#include "data/wildcard.h"
#include "updater/launcher_files.h"
#include "updater/manifest.h"

namespace zv {
namespace {

const std::string digest(64, 'a');

Json entry(const std::string& path, const std::string& variant = "") {
  Json file = Json::object().set("path", path).set("size", 10).set("sha256", digest).set("packed", 7);
  if (!variant.empty()) file.set("variant", variant);
  return file;
}

Json withFiles(Json files) { return Json::object().set("format", 1).set("files", std::move(files)); }

Json withAddon(Json addon, Json files = Json::array()) {
  return withFiles(std::move(files)).set("addons", Json::array().push(std::move(addon)));
}

Json addon(const std::string& id, Json files = Json::array()) {
  return Json::object().set("id", id).set("files", std::move(files));
}

Manifest parsedText(std::string_view text) {
  Manifest manifest;
  std::string error;
  EXPECT_TRUE(parseManifestText(text, manifest, error)) << error << "\n" << text;
  return manifest;
}

std::string refusedText(std::string_view text) {
  Manifest manifest;
  std::string error;
  EXPECT_FALSE(parseManifestText(text, manifest, error)) << text;
  return error;
}

Manifest parsed(const Json& root) { return parsedText(root.dump()); }
std::string refusal(const Json& root) { return refusedText(root.dump()); }

std::string entryRefusal(const Json& file) {
  ManifestFile out;
  std::string error;
  EXPECT_FALSE(parseManifestFile(file, out, error)) << file.dump();
  return error;
}

TEST(Manifest, ReadsACompleteDocument) {
  const Json root = Json::parse(R"({
    "format": 1, "generated": "2024-05-01", "build": "b42", "extra": true,
    "launcher": {"path": "ZarvoLauncher.exe", "size": 5, "sha256": ")" + digest + R"(", "packed": 3},
    "files": [
      {"path": "system/L2.exe", "size": 100, "sha256": ")" + std::string(64, 'B') + R"(", "packed": 60,
       "note": "a text of more than fourteen bytes", "other": "another text of more than fourteen bytes"},
      {"path": "system/Option.ini", "size": 1, "sha256": ")" + digest + R"(", "packed": 1,
       "mode": "once", "source": "defaults/Option.ini"}],
    "remove": ["old/a.dll", "SYSTEM/l2.exe", "old/a.dll"],
    "addons": [{"id": "hd-pack", "name": "HD", "keyIni": "system/hd.ini", "defaultKey": "f9",
      "variants": [{"id": "low", "label": "Low"}, {"id": "high"}],
      "cleanup": ["bin/*.log", "*"],
      "files": [{"path": "textures/x.utx", "size": 2, "sha256": ")" + digest + R"(", "packed": 2,
                 "variant": "low"}]}]})");
  const Manifest m = parsed(root);
  EXPECT_EQ(m.format, 1);
  EXPECT_EQ(m.generated, "2024-05-01");
  EXPECT_EQ(m.build, "b42");
  EXPECT_EQ(m.launcher.path, "ZarvoLauncher.exe");
  EXPECT_EQ(m.launcher.packed, 3);
  ASSERT_EQ(m.files.size(), 2u);
  EXPECT_EQ(m.files[0].path, "system/L2.exe");
  EXPECT_EQ(m.files[0].size, 100);
  EXPECT_EQ(m.files[0].packed, 60);
  EXPECT_EQ(m.files[0].sha256, std::string(64, 'b')) << "digests are stored in lower case";
  EXPECT_FALSE(m.files[0].once);
  EXPECT_TRUE(m.files[1].once);
  EXPECT_EQ(m.files[1].source, "defaults/Option.ini");
  EXPECT_EQ(m.remove, (std::vector<std::string>{"old/a.dll", "old/a.dll"}))
      << "a file the release ships is never removed, whatever the letter case";
  ASSERT_EQ(m.addons.size(), 1u);
  const ManifestAddon& a = m.addons[0];
  EXPECT_EQ(a.id, "hd-pack");
  EXPECT_EQ(a.name, "HD");
  EXPECT_EQ(a.keyIni, "system/hd.ini");
  EXPECT_EQ(a.defaultKey, "f9");
  ASSERT_EQ(a.variants.size(), 2u);
  EXPECT_EQ(a.variants[0].label, "Low");
  EXPECT_EQ(a.variants[1].label, "high") << "the label defaults to the id";
  EXPECT_EQ(a.cleanup, (std::vector<std::string>{"bin/*.log"}));
  ASSERT_EQ(a.files.size(), 1u);
  EXPECT_EQ(a.files[0].variant, "low");
}

TEST(Manifest, OptionalPartsHaveTheirDefaults) {
  const Manifest m = parsedText(R"({"format": 1, "build": 5, "launcher": "x",
    "addons": [{"id": "a", "name": 3, "defaultKey": null, "variants": [{"id": "v", "label": 1}]}]})");
  EXPECT_EQ(m.build, "");
  EXPECT_EQ(m.launcher.path, "") << "no launcher update";
  EXPECT_EQ(m.addons[0].name, "a");
  EXPECT_EQ(m.addons[0].defaultKey, "insert");
  EXPECT_EQ(m.addons[0].keyIni, "");
  EXPECT_EQ(m.addons[0].variants[0].label, "v");
}

TEST(Manifest, FormatMustBeOneAfterTruncation) {
  EXPECT_EQ(parsedText(R"({"format": 1.9})").format, 1);
  for (const char* text : {R"({"format": "1"})", "{}", R"({"format": 2})", R"({"format": 0.9})",
                           R"({"format": 1e300})", R"({"format": true})", "[1]", "1", "null"}) {
    EXPECT_EQ(refusedText(text), "unknown manifest format") << text;
  }
  EXPECT_EQ(refusedText("{\"format\": 1,"), "unknown manifest format") << "a text that is not JSON";
}

TEST(Manifest, ReleaseSequenceIsAWholeNumberFromOneOrAbsent) {
  EXPECT_EQ(parsedText(R"({"format": 1})").sequence, 0) << "none";
  EXPECT_EQ(parsedText(R"({"format": 1, "sequence": 7})").sequence, 7);
  EXPECT_EQ(parsedText(R"({"format": 1, "sequence": 9007199254740991})").sequence, kMaxReleaseSequence);
  // A sequence that is there but unusable must not read as "none", which an
  // unused client would accept.
  for (const char* value : {"0", "-3", "1.5", "\"7\"", "9007199254740992", "true", "[]"}) {
    EXPECT_EQ(refusedText(std::string(R"({"format": 1, "sequence": )") + value + "}"),
              "bad release sequence in manifest")
        << value;
  }
}

TEST(Manifest, OutputIsResetFirst) {
  Manifest m;
  m.build = "old";
  m.files.push_back(ManifestFile{});
  std::string error;
  EXPECT_FALSE(parseManifestText("", m, error));
  EXPECT_EQ(m.build, "");
  EXPECT_TRUE(m.files.empty());
}

TEST(ManifestEntry, SizesAndDigestAreRequiredAndChecked) {
  EXPECT_EQ(entryRefusal(entry("a.dat").set("packed", Json())), "bad entry in manifest: a.dat");
  EXPECT_EQ(entryRefusal(Json::object().set("path", "a.dat").set("sha256", digest).set("packed", 1)),
            "bad entry in manifest: a.dat") << "no size";
  EXPECT_EQ(entryRefusal(entry("a.dat").set("size", "10")), "bad entry in manifest: a.dat");
  EXPECT_EQ(entryRefusal(entry("a.dat").set("size", -1)), "bad entry in manifest: a.dat");
  EXPECT_EQ(entryRefusal(entry("a.dat").set("packed", -1)), "bad entry in manifest: a.dat");
  EXPECT_EQ(entryRefusal(entry("a.dat").set("size", 1e19)), "bad entry in manifest: a.dat")
      << "out of the 64-bit range counts as negative";
  EXPECT_EQ(entryRefusal(entry("a.dat").set("sha256", std::string(63, 'a'))), "bad entry in manifest: a.dat");
  EXPECT_EQ(entryRefusal(entry("a.dat").set("sha256", std::string(65, 'a'))), "bad entry in manifest: a.dat");
  EXPECT_EQ(entryRefusal(entry("a.dat").set("sha256", std::string(63, 'a') + "g")), "bad entry in manifest: a.dat");
  EXPECT_EQ(entryRefusal(entry("a.dat").set("sha256", 5)), "bad entry in manifest: a.dat");

  ManifestFile out;
  std::string error;
  ASSERT_TRUE(parseManifestFile(entry("a.dat").set("size", -0.5).set("packed", 0), out, error)) << error;
  EXPECT_EQ(out.size, 0);
  ASSERT_TRUE(parseManifestFile(entry("b.dat").set("size", 4294967296.0 * 3), out, error)) << error;
  EXPECT_EQ(out.size, 12884901888LL) << "sizes above 4 GiB";
}

TEST(ManifestEntry, ChunkDigestsAreOptionalButWholeWhenGiven) {
  const auto withChunks = [](int64_t size, Json chunks) {
    return Json::object().set("path", "a.bin").set("size", size).set("sha256", digest).set("packed", 7).set(
        "chunks", std::move(chunks));
  };
  const auto chunks = [](Json size, std::string digests) {
    return Json::object().set("size", std::move(size)).set("sha256", std::move(digests));
  };
  const std::string two = std::string(64, 'A') + std::string(64, '1');
  ManifestFile file;
  std::string error;
  ASSERT_TRUE(parseManifestFile(withChunks(10, chunks(5, two)), file, error)) << error;
  EXPECT_EQ(file.chunkSize, 5u);
  EXPECT_EQ(file.chunkSha256, std::string(64, 'a') + std::string(64, '1')) << "stored in lower case";
  ASSERT_TRUE(parseManifestFile(entry("b.bin"), file, error));
  EXPECT_EQ(file.chunkSize, 0u) << "none given";
  EXPECT_TRUE(file.chunkSha256.empty());

  // One digest per chunk, the last chunk being shorter: 11 bytes in 5 are 3.
  for (const Json& bad : {withChunks(11, chunks(5, two)), withChunks(9, chunks(5, two + digest)),
                          withChunks(10, chunks(5, two.substr(1))), withChunks(10, chunks(5, two + "0")),
                          withChunks(10, chunks(5, std::string(127, 'a') + "g")), withChunks(10, chunks(0, "")),
                          withChunks(10, chunks(16777217, digest)), withChunks(10, chunks("5", two)),
                          withChunks(0, chunks(5, "")), withChunks(10, Json("x"))}) {
    EXPECT_EQ(entryRefusal(bad), "bad chunk digests in manifest: a.bin") << bad.dump();
  }
}

TEST(ManifestEntry, UnsafePathOrSourceNamesThePath) {
  EXPECT_EQ(entryRefusal(entry("../x.dll")), "unsafe path in manifest: ../x.dll");
  EXPECT_EQ(entryRefusal(entry("C:/x.dll")), "unsafe path in manifest: C:/x.dll");
  EXPECT_EQ(entryRefusal(entry("ok.dll").set("source", "..\\evil")), "unsafe path in manifest: ok.dll");
  EXPECT_EQ(entryRefusal(entry("ok.dll").set("path", 5)), "unsafe path in manifest: ");
  EXPECT_EQ(entryRefusal(Json::array()), "unsafe path in manifest: ") << "a non-object entry has no keys";
  EXPECT_EQ(entryRefusal(entry("/x").set("packed", -1)), "unsafe path in manifest: /x") << "path test comes first";
}

TEST(ManifestEntry, OnlyTheExactModeOnceCounts) {
  ManifestFile out;
  std::string error;
  for (const char* mode : {"Once", "ONCE", "always", " once"}) {
    ASSERT_TRUE(parseManifestFile(entry("a").set("mode", mode), out, error));
    EXPECT_FALSE(out.once) << mode;
  }
  ASSERT_TRUE(parseManifestFile(entry("a").set("mode", "once"), out, error));
  EXPECT_TRUE(out.once);
}

TEST(Manifest, BasePathsMayNotRepeatInAnyLetterCase) {
  EXPECT_EQ(refusal(withFiles(Json::array().push(entry("System/L2.exe")).push(entry("system/l2.exe")))),
            "duplicate path in manifest: system/l2.exe");
  const Manifest m = parsed(withFiles(Json::array().push(entry("a/b")).push(entry("a/b2"))));
  EXPECT_EQ(m.files.size(), 2u);
}

TEST(Manifest, FirstOffenceInAFileListIsReported) {
  EXPECT_EQ(refusal(withFiles(Json::array().push(entry("ok")).push(entry("bad").set("packed", Json())).push(
                entry("../worse")))),
            "bad entry in manifest: bad");
  EXPECT_EQ(refusal(withFiles(Json::array()).set("launcher", entry("../l.exe"))), "unsafe path in manifest: ../l.exe");
}

TEST(Manifest, LauncherMayShareAPathWithABaseFile) {
  const Manifest m = parsed(withFiles(Json::array().push(entry("L.exe"))).set("launcher", entry("l.EXE")));
  EXPECT_EQ(m.launcher.path, "l.EXE");
}

TEST(Manifest, RemoveListEntriesMustBeSafe) {
  EXPECT_EQ(refusal(withFiles(Json::array()).set("remove", Json::array().push("a/../b"))),
            "unsafe path in manifest: a/../b");
  EXPECT_EQ(refusal(withFiles(Json::array()).set("remove", Json::array().push("ok").push(3))),
            "unsafe path in manifest: ");
}

TEST(Manifest, NonArrayListsAreEmpty) {
  const Manifest m = parsedText(R"({"format": 1, "files": {"path": "a"}, "remove": "x", "addons": 1})");
  EXPECT_TRUE(m.files.empty());
  EXPECT_TRUE(m.remove.empty());
  EXPECT_TRUE(m.addons.empty());
  const Manifest a = parsed(withAddon(Json::parse(R"({"id": "x", "variants": {}, "cleanup": "*.log", "files": 1})")));
  EXPECT_TRUE(a.addons[0].variants.empty());
  EXPECT_TRUE(a.addons[0].cleanup.empty());
  EXPECT_TRUE(a.addons[0].files.empty());
}

TEST(ManifestAddons, IdsAreCheckedAndUnique) {
  EXPECT_EQ(refusal(withAddon(addon("Hd"))), "bad addon id in manifest: Hd");
  EXPECT_EQ(refusal(withAddon(addon(std::string(33, 'a')))), "bad addon id in manifest: " + std::string(33, 'a'));
  EXPECT_EQ(refusal(withAddon(Json::object())), "bad addon id in manifest: ");
  Json twice = withFiles(Json::array()).set("addons", Json::array().push(addon("hd")).push(addon("hd")));
  EXPECT_EQ(refusal(twice), "bad addon id in manifest: hd");
  EXPECT_EQ(refusal(withAddon(addon("hd").set("variants", Json::parse(R"([{"id": "ok"}, {"id": "B"}])")))),
            "bad addon variant in manifest: B");
  EXPECT_EQ(refusal(withAddon(addon("hd").set("variants", Json::parse(R"([{"label": "x"}])")))),
            "bad addon variant in manifest: ");
  const Manifest m = parsed(withAddon(addon("hd").set("variants", Json::parse(R"([{"id": "a"}, {"id": "a"}])"))));
  EXPECT_EQ(m.addons[0].variants.size(), 2u) << "repeated variant ids are not checked";
}

TEST(ManifestAddons, KeyIniMustBeSafeWhenGiven) {
  EXPECT_EQ(refusal(withAddon(addon("hd").set("keyIni", "../x.ini"))), "unsafe path in manifest: ../x.ini");
  EXPECT_EQ(parsed(withAddon(addon("hd").set("keyIni", ""))).addons[0].keyIni, "");
}

TEST(ManifestAddons, FilesMayRepeatPerVariantButNeverShadowTheBaseClient) {
  const std::string clash = "addon hd file clashes with another file: ";
  const Json base = Json::array().push(entry("system/L2.exe"));

  Manifest m = parsed(withAddon(addon("hd", Json::array().push(entry("t/x", "a")).push(entry("t/x", "b")).push(
                                                entry("t/x")))));
  EXPECT_EQ(m.addons[0].files.size(), 3u);
  EXPECT_EQ(refusal(withAddon(addon("hd", Json::array().push(entry("t/x", "a")).push(entry("T/X", "a"))))),
            clash + "T/X");
  EXPECT_EQ(refusal(withAddon(addon("hd", Json::array().push(entry("SYSTEM/l2.exe", "a"))), base)),
            clash + "SYSTEM/l2.exe");

  Json two = withFiles(base).set(
      "addons", Json::array().push(addon("one", Json::array().push(entry("t/x")))).push(
                    addon("two", Json::array().push(entry("t/x")))));
  EXPECT_EQ(parsed(two).addons.size(), 2u) << "different add-ons are not compared";
  EXPECT_EQ(refusal(withAddon(addon("hd", Json::array().push(entry("t/x").set("packed", Json()))))),
            "bad entry in manifest: t/x");
}

TEST(ManifestAddons, BadCleanupPatternsAreDroppedSilently) {
  const Json patterns = Json::parse(R"(["bin/*.log", "x*y*.ini", "*", "dir/*", "di*r/a.txt", "../a*", "", 7,
                                       "**", "a/**", "plain.txt"])");
  const Manifest m = parsed(withAddon(addon("hd").set("cleanup", patterns)));
  EXPECT_EQ(m.addons[0].cleanup, (std::vector<std::string>{"bin/*.log", "x*y*.ini", "plain.txt"}));
}

// Each of these would fail or overwrite another file on a Windows disk.
TEST(Manifest, RefusesNamesWindowsCannotHold) {
  const std::string longest(249, 'n');
  parsed(withFiles(Json::array().push(entry("d/" + longest)).push(entry("x/" + longest.substr(2) + "\xC3\xA9"))));
  const std::vector<std::pair<std::string, std::string>> names = {
      {"CON", "\"CON\" is a device name on Windows"},
      {"sys/con.txt", "\"con.txt\" is a device name on Windows"},
      {"sys/Lpt9.a.b", "\"Lpt9.a.b\" is a device name on Windows"},
      {"COM\xC2\xB9", "\"COM\xC2\xB9\" is a device name on Windows"},
      {"nul .txt", "\"nul .txt\" is a device name on Windows"},
      {"a.", "\"a.\" ends in a dot or blank, which Windows drops"},
      {"dir /x", "\"dir \" ends in a dot or blank, which Windows drops"},
      {longest + "n", "\"" + longest + "n\" is longer than 249 bytes, too long for its temporary name"},
  };
  for (const auto& [name, problem] : names) {
    EXPECT_EQ(refusal(withFiles(Json::array().push(entry(name)))),
              "unusable file name in manifest: " + name + " (" + problem + ")");
  }
  EXPECT_EQ(refusal(withFiles(Json::array().push(entry("a.txt").set("source", "srv/prn.txt")))),
            "unusable file name in manifest: a.txt (\"prn.txt\" is a device name on Windows)");
  for (const char* fine : {"console.txt", "com10", "lpt", "a.b/c", "aux_/x", "x.con"}) {
    parsed(withFiles(Json::array().push(entry(fine))));
  }
}

TEST(Manifest, RefusesPathsThatAreAlsoAnotherEntrysFolder) {
  EXPECT_EQ(refusal(withFiles(Json::array().push(entry("a/b/c")).push(entry("A/b")))),
            "path is both a file and a folder in manifest: a/b (a/b/c)");
  EXPECT_EQ(refusal(withFiles(Json::array().push(entry("\xC3\x84")).push(entry("\xC3\xA4/x")))),
            "path is both a file and a folder in manifest: \xC3\xA4 (\xC3\xA4/x)");
  EXPECT_EQ(refusal(withAddon(addon("fx", Json::array().push(entry("system/d3d9.dll/x"))),
                              Json::array().push(entry("system/D3D9.dll")))),
            "path is both a file and a folder in manifest: system/d3d9.dll (system/d3d9.dll/x)");
  parsed(withFiles(Json::array().push(entry("a/b")).push(entry("ab")).push(entry("a.b")).push(entry("a/bc"))));
}

// Windows folds these letters too, so each pair is one file there.
TEST(Manifest, NamesThatDifferOnlyInNonAsciiCaseAreDuplicates) {
  const std::vector<std::pair<std::string, std::string>> pairs = {
      {"\xC3\x84.txt", "\xC3\xA4.txt"},              // Ä ä
      {"\xC5\xBD", "\xC5\xBE"},                      // Ž ž
      {"\xC5\xB8", "\xC3\xBF"},                      // Ÿ ÿ
      {"\xC7\x85", "\xC7\x86"},                      // Dž dž
      {"\xCE\xA3", "\xCF\x82"},                      // Σ ς
      {"\xCE\x8F", "\xCF\x8E"},                      // Ώ ώ
      {"\xD0\x96", "\xD0\xB6"},                      // Ж ж
      {"\xD0\x81", "\xD1\x91"},                      // Ё ё
      {"\xD3\x98", "\xD3\x99"},                      // Ә ә
  };
  for (const auto& [upper, lower] : pairs) {
    EXPECT_EQ(refusal(withFiles(Json::array().push(entry(upper)).push(entry(lower)))),
              "duplicate path in manifest: " + lower);
  }
  // ß has no capital on Windows; × and ÷ are no letters.
  parsed(withFiles(Json::array().push(entry("\xC3\x9F")).push(entry("ss")).push(entry("\xC3\x97")).push(
      entry("\xC3\xB7"))));
}

TEST(LauncherFiles, AReleasePassesOverTheLaunchersOwnFiles) {
  Manifest m = parsedText(R"({"format": 1,
    "launcher": {"path": "ZarvoLauncher.exe", "size": 1, "sha256": ")" + digest + R"(", "packed": 1},
    "files": [{"path": "zarvolauncher.JSON", "size": 1, "sha256": ")" + digest + R"(", "packed": 1},
              {"path": "work/cache.json", "size": 1, "sha256": ")" + digest + R"(", "packed": 1},
              {"path": "Game.exe", "size": 1, "sha256": ")" + digest + R"(", "packed": 1},
              {"path": "system/L2.exe", "size": 1, "sha256": ")" + digest + R"(", "packed": 1}],
    "remove": ["ZarvoLauncher.log", "WORK", ".zarvo_update/addons.json", "old.dll"],
    "addons": [{"id": "fx", "keyIni": "work/fx.ini", "cleanup": ["*.json", "Zarvo*", "work/*.part", "Game.*", "*.dds"],
                "files": [{"path": "work/fx.ini", "size": 1, "sha256": ")" + digest + R"(", "packed": 1},
                          {"path": "fx.dll", "size": 1, "sha256": ")" + digest + R"(", "packed": 1}]}]})");
  const std::filesystem::path client = std::filesystem::path("/c") / "client";
  EXPECT_EQ(launcherFilesOf(client / "", client / "Game.exe", "").executable, "Game.exe");
  EXPECT_EQ(launcherFilesOf(client / "sub", client / "Game.exe", "").executable, "");
  dropLauncherOwnEntries(m, launcherFilesOf(client, client / "Game.exe", "work"));
  ASSERT_EQ(m.files.size(), 1u);
  EXPECT_EQ(m.files[0].path, "system/L2.exe");
  // Only the configured work folder is the launcher's.
  EXPECT_EQ(m.remove, (std::vector<std::string>{".zarvo_update/addons.json", "old.dll"}));
  EXPECT_EQ(m.addons[0].cleanup, (std::vector<std::string>{"*.dds"}));
  EXPECT_EQ(m.addons[0].keyIni, "");
  ASSERT_EQ(m.addons[0].files.size(), 1u);
  EXPECT_EQ(m.launcher.path, "ZarvoLauncher.exe");  // its own entry updates it
}

TEST(CleanupPattern, WildcardsOnlyInTheLastSegmentWhichMustNameALetterOrDigit) {
  for (const char* p : {"bin/*.log", "x*y*.ini", "a/b/*c", "*.dds", "d3d9*.dll", "shader?.bin", "ReShade.*", "a.b",
                        "*x*", "\xC3\xA9*"}) {
    EXPECT_TRUE(isValidCleanupPattern(p)) << p;
  }
  for (const char* p : {"*", "dir/*", "**", "dir/***", "*.*", "*.*.*", "**.*", "?*", "*.?", "*-*", "... ",
                        "di*r/a.txt", "d?r/a.txt", "*/a.txt", "../a*", "", "/a*", "a/", "a\\*.log", "C:*.log",
                        "a/./*.log"}) {
    EXPECT_FALSE(isValidCleanupPattern(p)) << p;
  }
}

// The danger of a clean-up pattern is a folder whose names all share one
// shape ("name.ext"): a pattern that sees only the shape deletes every file.
// Every accepted pattern must miss the twin of each name it matches, the
// name of the same shape spelt with letters the pattern does not use.
TEST(CleanupPattern, NoAcceptedPatternMatchesEveryNameOfAShape) {
  const std::string alphabet = "*?.a-";
  const std::vector<std::string> names = {"a", "aa.a", "a.aaa", ".a", "a-a.a", "aa..a", "a.a.a", "aaaaaa"};
  std::vector<std::string> patterns = {""};
  size_t accepted = 0;
  for (size_t length = 1; length <= 5; ++length) {
    std::vector<std::string> longer;
    for (const std::string& stem : patterns) {
      for (const char c : alphabet) longer.push_back(stem + c);
    }
    patterns = std::move(longer);
    for (const std::string& pattern : patterns) {
      if (!isValidCleanupPattern(pattern)) continue;
      ++accepted;
      for (const std::string& name : names) {
        std::string twin = name;
        for (char& c : twin) c = c == 'a' ? 'z' : c;
        EXPECT_FALSE(wildcardMatch(pattern, twin)) << pattern << " matches " << twin;
      }
    }
  }
  EXPECT_GT(accepted, 100u);
}

TEST(AddonId, LowerCaseLettersDigitsDashAndUnderscoreUpTo32) {
  for (const std::string& id : std::vector<std::string>{"a", "hd_pack-2", std::string(32, 'z')}) EXPECT_TRUE(isValidAddonId(id)) << id;
  for (const std::string& id : std::vector<std::string>{"", std::string(33, 'z'), "Hd", "a b", "a.b", "a/b", "\xC3\xA9"}) {
    EXPECT_FALSE(isValidAddonId(id)) << id;
  }
}

}  // namespace
}  // namespace zv
