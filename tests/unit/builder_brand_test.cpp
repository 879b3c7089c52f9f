// The launcher's configuration built into a copy of its executable: the
// other resources come through byte for byte, a second brand replaces the
// first, and what cannot be branded is refused with a reason.

#include <gtest/gtest.h>

#include <string>

#include "data/launcher_config.h"
#include "tools/builder/brand_command.h"
#include "tools/builder/little_endian.h"
#include "tools/builder/pe_image.h"
#include "tools/builder/pe_resources.h"
#include "tools/builder/release_plan.h"
#include "tests/support/temp_dir.h"

namespace zv::builder {
namespace {

constexpr size_t kOptional = 0x58;

size_t optionalSize(bool is64) { return is64 ? 240 : 224; }
size_t directories(bool is64) { return kOptional + (is64 ? 112 : 96); }

// The smallest executable the format allows us: headers and one code section.
std::string minimalPe(bool is64) {
  std::string b(0x600, '\0');
  b.replace(0, 2, "MZ");
  put32(b, 0x3C, 0x40);
  b.replace(0x40, 4, std::string("PE\0\0", 4));
  put16(b, 0x44, is64 ? 0x8664 : 0x14C);
  put16(b, 0x46, 1);
  put16(b, 0x54, static_cast<uint32_t>(optionalSize(is64)));
  put16(b, 0x56, 0x0102);
  put16(b, kOptional, is64 ? 0x20B : 0x10B);
  put32(b, kOptional + 32, 0x1000);
  put32(b, kOptional + 36, 0x200);
  put32(b, kOptional + 56, 0x2000);
  put32(b, kOptional + 60, 0x400);
  put16(b, kOptional + 68, 3);
  put32(b, directories(is64) - 4, 16);
  const size_t section = kOptional + optionalSize(is64);
  b.replace(section, 5, ".text");
  put32(b, section + 8, 0x10);
  put32(b, section + 12, 0x1000);
  put32(b, section + 16, 0x200);
  put32(b, section + 20, 0x400);
  put32(b, section + 36, 0x60000020);
  b[0x400] = static_cast<char>(0xC3);
  return b;
}

ResourceNode leaf(uint32_t language, std::string data, uint32_t codePage = 0) {
  ResourceNode node;
  node.key.id = language;
  node.data = std::move(data);
  node.codePage = codePage;
  return node;
}

// What a launcher carries: icon, a named type, the application manifest in
// English, the page files as RCDATA and an older configuration in English.
ResourceNode launcherResources() {
  ResourceNode root;
  setResource(root, 3, 1, std::string("icon\0bytes", 10));
  setResource(root, 24, 1, "<assembly/>");
  root.children.back().children[0].children[0] = leaf(1033, "<assembly/>", 65001);
  for (uint32_t id : {101u, 102u, 103u, 104u, 201u, 200u}) setResource(root, kRtRcdata, id, "rc" + std::to_string(id));
  ResourceNode& oldConfig = root.children[1].children[4];
  EXPECT_EQ(oldConfig.key.id, kBuiltinConfigId);
  oldConfig.children[0] = leaf(1033, "{\"serverName\": \"old\"}");
  ResourceNode named;
  named.key = {true, 0, u"PAGE"};
  named.children.push_back(ResourceNode());
  named.children[0].key = {true, 0, u"INDEX.HTML"};
  named.children[0].children.push_back(leaf(0, "<html>"));
  root.children.insert(root.children.begin(), std::move(named));
  return root;
}

std::string withResources(const ResourceNode& root, bool is64) {
  PeImage image;
  std::string error;
  EXPECT_TRUE(image.parse(minimalPe(is64), error)) << error;
  EXPECT_TRUE(image.setResourceSection(".rsrc", writeResources(root, image.nextSectionRva(".rsrc")), error)) << error;
  return image.bytes();
}

ResourceNode resourcesOf(const std::string& bytes, PeImage& image) {
  std::string error;
  ResourceNode root;
  EXPECT_TRUE(image.parse(bytes, error)) << error;
  EXPECT_TRUE(readResources(image, root, error)) << error;
  return root;
}

std::string branded(const std::string& exe, const std::string& config) {
  LauncherConfig loaded;
  std::string out;
  std::string error;
  EXPECT_TRUE(brandLauncher(exe, config, loaded, out, error)) << error;
  return out;
}

TEST(Brand, KeepsEveryOtherResourceAndASecondBrandReplacesTheFirst) {
  for (const bool is64 : {false, true}) {
    const ResourceNode original = launcherResources();
    const std::string exe = withResources(original, is64);
    PeImage image;
    ASSERT_EQ(resourcesOf(exe, image), original);

    const std::string config = R"({"serverName": "Zarvo", "updateUrl": "http://127.0.0.1/u/"})";
    const std::string once = branded(exe, config);
    ResourceNode expected = original;
    setResource(expected, kRtRcdata, kBuiltinConfigId, config);
    EXPECT_EQ(resourcesOf(once, image), expected);
    EXPECT_EQ(image.is64(), is64);
    EXPECT_EQ(image.sections().size(), 3u);
    EXPECT_EQ(exe.compare(0x400, 0x200, once, 0x400, 0x200), 0);  // the code is untouched

    const std::string longer = R"({"serverName": "Zarvo 2", "theme": "classic", "links": {"forum": "https://f/"}})";
    const std::string twice = branded(once, longer);
    setResource(expected, kRtRcdata, kBuiltinConfigId, longer);
    EXPECT_EQ(resourcesOf(twice, image), expected);
    EXPECT_EQ(image.sections().size(), 3u);
    EXPECT_EQ(twice.size(), once.size());
  }
}

// Players' branded launchers take the release's launcher in their place.
TEST(Brand, AReleaseWhoseLauncherHasNoSettingsBuiltInIsWarnedAbout) {
  test::TempDir dir;
  Release release;
  release.launcher = "ZarvoLauncher.exe";
  const auto warned = [&] {
    Plan plan;
    std::string error;
    EXPECT_TRUE(makePlan(dir.path() / "client", release, plan, error)) << error;
    return plan.warnings.size() == 1 && plan.warnings[0].find("has no settings built in") != std::string::npos;
  };
  test::writeFile(dir / "client/ZarvoLauncher.exe", minimalPe(false));
  EXPECT_TRUE(warned());
  test::writeFile(dir / "client/ZarvoLauncher.exe", branded(minimalPe(false), "{}"));
  EXPECT_FALSE(warned());
}

TEST(Brand, RefusesWhatItCannotBrandAndSaysWhy) {
  const auto refusal = [](const std::string& exe, const std::string& text = "{}") {
    LauncherConfig loaded;
    std::string out;
    std::string error;
    EXPECT_FALSE(brandLauncher(exe, text, loaded, out, error));
    return error;
  };
  EXPECT_EQ(refusal("#!/bin/sh\n" + std::string(100, ' ')), "not a Windows executable: no MZ header");
  std::string rom = minimalPe(false);
  put16(rom, kOptional, 0x107);
  EXPECT_EQ(refusal(rom), "not a Windows executable: neither PE32 nor PE32+");

  std::string isSigned = minimalPe(true);
  put32(isSigned, directories(true) + 4 * 8, 0x600);
  put32(isSigned, directories(true) + 4 * 8 + 4, 0x80);
  EXPECT_EQ(refusal(isSigned), "the executable is signed: brand the unsigned launcher, then sign the branded one");

  // The section table already reaches the first section's data.
  std::string full = minimalPe(false);
  const size_t tableEnd = kOptional + optionalSize(false) + 40;
  put32(full, kOptional + 60, static_cast<uint32_t>(tableEnd));
  put32(full, kOptional + optionalSize(false) + 20, static_cast<uint32_t>(tableEnd));
  EXPECT_EQ(refusal(full), "the executable has no room for another section header");

  std::string broken = withResources(launcherResources(), false);
  put32(broken, directories(false) + 2 * 8 + 4, 8);  // the table ends inside the root directory
  EXPECT_EQ(refusal(broken), "cannot read the executable's resources: a resource directory lies outside the table");

  EXPECT_EQ(refusal(minimalPe(false), R"({"game": "../L2.exe"})"),
            "the launcher would refuse this configuration: ZarvoLauncher.json: \"game\" must be a path inside the "
            "client folder, e.g. system/L2.exe");
}

}  // namespace
}  // namespace zv::builder
