#include "addons/addon_list.h"

#include "addons/addon_choice.h"
#include "addons/toggle_key.h"
#include "updater/update_job.h"

namespace zv {
namespace {

AddonListEntry manifestEntry(const ManifestAddon& addon, const Json& record) {
  AddonListEntry entry;
  entry.id = addon.id;
  entry.name = addon.name;
  for (const AddonVariant& variant : addon.variants) entry.variants.push_back({variant.id, variant.label});
  if (!addon.keyIni.empty()) {
    for (const ToggleKey& key : toggleKeyTable()) entry.keys.push_back({key.id, key.label});
    entry.defaultKey = findToggleKey(addon.defaultKey) != nullptr ? addon.defaultKey : "insert";
  }
  entry.installed = record.isObject();
  entry.variant = record.get("variant").text();
  entry.key = record.get("key").text();
  return entry;
}

AddonListEntry recordOnlyEntry(const std::string& id, const Json& record) {
  AddonListEntry entry;
  entry.id = id;
  entry.name = record.get("name").isString() ? record.get("name").text() : id;
  entry.installed = true;
  entry.variant = record.get("variant").text();
  entry.key = record.get("key").text();
  return entry;
}

}  // namespace

std::vector<AddonListEntry> addonList(const Manifest* manifest, const Json& addonState) {
  std::vector<AddonListEntry> list;
  if (manifest != nullptr) {
    for (const ManifestAddon& addon : manifest->addons) list.push_back(manifestEntry(addon, addonState.get(addon.id)));
  }
  for (const Json::Member& record : addonState.members()) {
    // A member that is no object is no installed add-on: listed, it would
    // show as installed for good, since a removal finds no record to remove.
    if (!record.value.isObject()) continue;
    if (manifest != nullptr && findAddon(*manifest, record.key) != nullptr) continue;
    list.push_back(recordOnlyEntry(record.key, record.value));
  }
  return list;
}

void sendAddonList(UpdateJob& updater, const Manifest* manifest) {
  if (updater.events().onAddons) updater.events().onAddons(addonList(manifest, updater.addonRecords()));
}

}  // namespace zv
