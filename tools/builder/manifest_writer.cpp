#include "tools/builder/manifest_writer.h"

#include "data/json.h"
#include "net/fetcher.h"
#include "updater/manifest.h"

namespace zv::builder {
namespace {

Json textList(const std::vector<std::string>& texts) {
  Json list = Json::array();
  for (const std::string& text : texts) list.push(text);
  return list;
}

Json fileEntry(const PlannedFile& file, uint32_t chunkSize, bool placeholders) {
  Json entry = Json::object();
  entry.set("path", file.path);
  entry.set("size", file.size);
  entry.set("sha256", file.sha256.empty() && placeholders ? std::string(64, '0') : file.sha256);
  entry.set("packed", file.packed);
  if (file.once) entry.set("mode", "once");
  if (file.serverName != file.path) entry.set("source", file.serverName);
  if (!file.variant.empty()) entry.set("variant", file.variant);
  if (!file.chunkSha256.empty()) {
    entry.set("chunks", Json::object().set("size", chunkSize).set("sha256", file.chunkSha256));
  }
  return entry;
}

Json addonEntry(const PlannedAddon& planned, uint32_t chunkSize, bool placeholders) {
  const ReleaseAddon& addon = planned.release;
  Json entry = Json::object();
  entry.set("id", addon.id);
  if (!addon.name.empty()) entry.set("name", addon.name);
  Json variants = Json::array();
  for (const ReleaseVariant& each : addon.variants) {
    Json variant = Json::object();
    variant.set("id", each.id);
    if (!each.label.empty()) variant.set("label", each.label);
    variants.push(std::move(variant));
  }
  entry.set("variants", std::move(variants));
  if (!addon.keyIni.empty()) entry.set("keyIni", addon.keyIni);
  if (!addon.defaultKey.empty()) entry.set("defaultKey", addon.defaultKey);
  if (!addon.cleanup.empty()) entry.set("cleanup", textList(addon.cleanup));
  Json files = Json::array();
  for (const PlannedFile& file : planned.files) files.push(fileEntry(file, chunkSize, placeholders));
  entry.set("files", std::move(files));
  return entry;
}

}  // namespace

Json manifestJson(const Plan& plan, bool placeholders) {
  Json root = Json::object();
  root.set("format", 1);
  root.set("generated", plan.generated);
  root.set("build", plan.build);
  if (plan.sequence > 0) root.set("sequence", plan.sequence);
  if (plan.hasLauncher) root.set("launcher", fileEntry(plan.launcher, plan.chunkSize, placeholders));
  Json files = Json::array();
  for (const PlannedFile& file : plan.files) files.push(fileEntry(file, plan.chunkSize, placeholders));
  root.set("files", std::move(files));
  if (!plan.remove.empty()) root.set("remove", textList(plan.remove));
  if (!plan.addons.empty()) {
    Json addons = Json::array();
    for (const PlannedAddon& addon : plan.addons) addons.push(addonEntry(addon, plan.chunkSize, placeholders));
    root.set("addons", std::move(addons));
  }
  return root;
}

std::string manifestText(const Json& manifest) { return manifest.dump(true) + "\n"; }

bool launcherReads(uint64_t bytes, uint64_t chunkDigestBytes, std::string& error) {
  if (bytes <= kMaxTextBytes) return true;
  error = "the launcher would refuse this manifest: it comes to at least " + std::to_string(bytes) +
          " bytes, more than the " + std::to_string(kMaxTextBytes) + " a launcher reads";
  if (chunkDigestBytes > 0) {
    error += " (" + std::to_string(chunkDigestBytes) +
             " of them chunk digests, 64 per chunk: a larger \"chunkSize\" makes fewer)";
  }
  return false;
}

bool launcherAccepts(const std::string& text, std::string& error) {
  Manifest parsed;
  std::string parseError;
  if (!parseManifestText(text, parsed, parseError)) {
    error = "the launcher would refuse this manifest: " + parseError;
    return false;
  }
  return true;
}

}  // namespace zv::builder
