#include "tools/builder/brand_command.h"

#include <cstdio>

#include "data/launcher_config.h"
#include "platform/file.h"
#include "platform/text_path.h"
#include "tools/builder/bounded_read.h"
#include "tools/builder/commands.h"
#include "tools/builder/pe_image.h"
#include "tools/builder/pe_resources.h"

namespace zv::builder {
namespace {

// Ours is always the last section, so a second brand takes its place.
constexpr const char* kSectionName = ".zvrsrc";
constexpr size_t kMaxExecutableBytes = size_t{1} << 30;
constexpr size_t kMaxConfigBytes = size_t{1} << 20;

bool readInput(const std::filesystem::path& path, size_t maxBytes, std::string& text, std::string& error) {
  switch (readBounded(path, maxBytes, text)) {
    case BoundedRead::Ok:
      return true;
    case BoundedRead::Unreadable:
      error = "cannot read " + pathToUtf8(path);
      return false;
    case BoundedRead::TooLarge:
      error = pathToUtf8(path) + " is larger than " + std::to_string(maxBytes) + " bytes";
      return false;
  }
  return false;
}

}  // namespace

bool brandLauncher(std::string executable, const std::string& configText, LauncherConfig& config,
                   std::string& branded, std::string& error) {
  if (!loadLauncherConfig(configText, config, error)) {
    error = "the launcher would refuse this configuration: " + error;
    return false;
  }
  PeImage image;
  if (!image.parse(std::move(executable), error)) return false;
  if (image.isSigned()) {
    // Any change breaks the signature; Windows would then warn every player.
    error = "the executable is signed: brand the unsigned launcher, then sign the branded one";
    return false;
  }
  ResourceNode resources;
  if (!readResources(image, resources, error)) {
    error = "cannot read the executable's resources: " + error;
    return false;
  }
  setResource(resources, kRtRcdata, kBuiltinConfigId, configText);
  if (!image.setResourceSection(kSectionName, writeResources(resources, image.nextSectionRva(kSectionName)), error)) {
    return false;
  }
  branded = image.bytes();
  return true;
}

bool lacksBuiltinConfig(const std::filesystem::path& executable) {
  std::string bytes;
  std::string error;
  PeImage image;
  ResourceNode resources;
  if (!readInput(executable, kMaxExecutableBytes, bytes, error) || !image.parse(std::move(bytes), error) ||
      !readResources(image, resources, error)) {
    return false;
  }
  for (const ResourceNode& type : resources.children) {
    if (type.key.named || type.key.id != kRtRcdata) continue;
    for (const ResourceNode& name : type.children) {
      if (!name.key.named && name.key.id == kBuiltinConfigId) return false;
    }
  }
  return true;
}

int runBrand(const std::filesystem::path& executable, const std::filesystem::path& config,
             const std::filesystem::path& out) {
  std::string exe;
  std::string configText;
  std::string error;
  if (!readInput(executable, kMaxExecutableBytes, exe, error) || !readInput(config, kMaxConfigBytes, configText, error)) {
    return commandFailed(error);
  }
  std::string branded;
  LauncherConfig loaded;
  if (!brandLauncher(std::move(exe), configText, loaded, branded, error)) {
    return commandFailed(pathToUtf8(executable) + ": " + error);
  }
  if (!writeTextFileAtomic(out, branded)) return commandFailed("cannot write " + pathToUtf8(out));
  if (loaded.updateUrl.empty() || loaded.publicKey.size() != 64) {
    std::fprintf(stderr, "zarvo-builder: warning: the configuration has no \"updateUrl\" or no \"publicKey\" of 64 "
                         "digits: the launcher will not update\n");
  }
  std::printf("branded %s with %s\n", pathToUtf8(out).c_str(), pathToUtf8(config).c_str());
  return 0;
}

}  // namespace zv::builder
