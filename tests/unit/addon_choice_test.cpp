#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "addons/addon_choice.h"
#include "addons/addon_list.h"
#include "bridge/page_protocol.h"
#include "data/json.h"

namespace zv {
namespace {

ManifestFile file(const std::string& path, const std::string& variant = "") {
  ManifestFile entry;
  entry.path = path;
  entry.variant = variant;
  return entry;
}

ManifestAddon effects() {
  ManifestAddon addon;
  addon.id = "fx";
  addon.name = "Effects";
  addon.variants = {{"nv", "NVIDIA"}, {"amd", "AMD"}};
  addon.keyIni = "system/fx.ini";
  addon.defaultKey = "end";
  addon.files = {file("system/d3d9.dll"), file("System/D3D9.DLL", "nv"), file("system/fx.ini"),
                 file("shaders/amd.fx", "amd"), file("shaders/nv.fx", "nv")};
  return addon;
}

std::vector<std::string> pathsFor(const ManifestAddon& addon, const std::string& variant) {
  std::vector<std::string> paths;
  for (const ManifestFile& entry : filesForVariant(addon, variant)) paths.push_back(entry.path + "|" + entry.variant);
  return paths;
}

TEST(FilesForVariant, AVariantsOwnFileHidesTheSharedOneOfTheSamePath) {
  const ManifestAddon addon = effects();
  EXPECT_EQ(pathsFor(addon, "nv"),
            (std::vector<std::string>{"System/D3D9.DLL|nv", "system/fx.ini|", "shaders/nv.fx|nv"}));
  EXPECT_EQ(pathsFor(addon, "amd"),
            (std::vector<std::string>{"system/d3d9.dll|", "system/fx.ini|", "shaders/amd.fx|amd"}));
  EXPECT_EQ(pathsFor(addon, ""), (std::vector<std::string>{"system/d3d9.dll|", "system/fx.ini|"}));
  // Windows folds Cyrillic letters too: one file there, the variant's.
  ManifestAddon cyrillic = addon;
  cyrillic.files = {file("system/\xD0\xA4\xD0\xBE\xD0\xBD.fx"), file("system/\xD1\x84\xD0\xBE\xD0\xBD.fx", "nv")};
  EXPECT_EQ(pathsFor(cyrillic, "nv"), (std::vector<std::string>{"system/\xD1\x84\xD0\xBE\xD0\xBD.fx|nv"}));
}

TEST(AddonChoice, UndeclaredVariantsAndUnknownKeysFallBack) {
  ManifestAddon addon = effects();
  EXPECT_EQ(resolveVariant(addon, "amd"), "amd");
  EXPECT_EQ(resolveVariant(addon, "intel"), "nv");
  EXPECT_EQ(resolveVariant(addon, "AMD"), "nv");
  EXPECT_EQ(resolveKey(addon, "pause"), "pause");
  EXPECT_EQ(resolveKey(addon, "Pause"), "end");
  addon.defaultKey = "f12";
  EXPECT_EQ(resolveKey(addon, ""), "insert");
  addon.variants.clear();
  EXPECT_EQ(resolveVariant(addon, "anything"), "");
}

TEST(AddonListEvent, ManifestAddonsFirstThenRecordsItDoesNotKnow) {
  Manifest manifest;
  manifest.addons.push_back(effects());
  ManifestAddon plain;
  plain.id = "sharp";
  plain.name = "sharp";
  plain.defaultKey = "f12";
  manifest.addons.push_back(plain);
  const Json state = Json::parse(R"({
    "old": {"name": "Old FX", "variant": "x", "key": "end", "files": []},
    "broken": 5,
    "fx": {"name": "Effects", "variant": "amd", "key": "pause", "files": []},
    "nameless": {"name": 3, "variant": 4}
  })");

  const std::string keys = R"([{"id":"insert","label":"Insert"},{"id":"delete","label":"Delete"},)"
                           R"({"id":"end","label":"End"},{"id":"pageup","label":"Page Up"},)"
                           R"({"id":"pagedown","label":"Page Down"},{"id":"pause","label":"Pause"},)"
                           R"({"id":"scrolllock","label":"Scroll Lock"}])";
  EXPECT_EQ(addonsEvent(addonList(&manifest, state)).json,
            R"({"type":"addons","list":[)"
            R"({"id":"fx","name":"Effects","variants":[{"id":"nv","label":"NVIDIA"},{"id":"amd","label":"AMD"}],)"
            R"("keys":)" + keys + R"(,"defaultKey":"end","installed":true,"variant":"amd","key":"pause"},)"
            R"({"id":"sharp","name":"sharp","variants":[],"installed":false,"variant":"","key":""},)"
            R"({"id":"old","name":"Old FX","variants":[],"installed":true,"variant":"x","key":"end"},)"
            R"({"id":"nameless","name":"nameless","variants":[],"installed":true,"variant":"","key":""}]})");

  // Without a manifest only what is installed can be listed.
  EXPECT_EQ(addonsEvent(addonList(nullptr, Json::parse(R"({"fx":{"name":"Effects","variant":"nv","key":"end"}})"))).json,
            R"({"type":"addons","list":[{"id":"fx","name":"Effects","variants":[],"installed":true,)"
            R"("variant":"nv","key":"end"}]})");
}

TEST(AddonListEvent, AnInvalidDefaultKeyIsOfferedAsInsert) {
  Manifest manifest;
  manifest.addons.push_back(effects());
  manifest.addons[0].defaultKey = "f12";
  EXPECT_EQ(addonList(&manifest, Json::object()).at(0).defaultKey, "insert");
}

}  // namespace
}  // namespace zv
