#include "addons/addon_list.h"

#include "addons/addon_choice.h"
#include "addons/toggle_key.h"
#include "updater/update_job.h"

namespace zv {
namespace {

// An add-on installed as its record says: not at all without one.
AddonListEntry entryOf(const std::string& id, const std::string& name, const Json& record) {
  AddonListEntry entry;
  entry.id = id;
  entry.name = name;
  entry.installed = record.isObject();
  entry.variant = record.get("variant").text();
  entry.key = chosenToggleKey(record);
  return entry;
}

AddonListEntry manifestEntry(const ManifestAddon& addon, const Json& record) {
  AddonListEntry entry = entryOf(addon.id, addon.name, record);
  for (const AddonVariant& variant : addon.variants) entry.variants.push_back({variant.id, variant.label});
  if (!addon.keyIni.empty()) {
    for (const ToggleKey& key : toggleKeyTable()) entry.keys.push_back({key.id, key.label});
    entry.defaultKey = resolveKey(addon, "");  // the key an install takes when none is asked for
  }
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
    list.push_back(entryOf(record.key, record.value.get("name").stringOr(record.key), record.value));
  }
  return list;
}

void sendAddonList(UpdateJob& updater, const Manifest* manifest) {
  if (updater.events().onAddons) updater.events().onAddons(addonList(manifest, updater.addonRecords()));
}

}  // namespace zv
