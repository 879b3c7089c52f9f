#include "addons/addon_list.h"

#include "addons/addon_choice.h"
#include "addons/toggle_key.h"
#include "updater/update_job.h"

namespace zv {
namespace {

Json idAndLabel(const std::string& id, const std::string& label) {
  Json pair = Json::object();
  pair.set("id", id);
  pair.set("label", label);
  return pair;
}

Json manifestEntry(const ManifestAddon& addon, const Json& record) {
  Json entry = Json::object();
  entry.set("id", addon.id);
  entry.set("name", addon.name);
  Json variants = Json::array();
  for (const AddonVariant& variant : addon.variants) variants.push(idAndLabel(variant.id, variant.label));
  entry.set("variants", std::move(variants));
  if (!addon.keyIni.empty()) {
    Json keys = Json::array();
    for (const ToggleKey& key : toggleKeyTable()) keys.push(idAndLabel(key.id, key.label));
    entry.set("keys", std::move(keys));
    entry.set("defaultKey", findToggleKey(addon.defaultKey) != nullptr ? addon.defaultKey : "insert");
  }
  entry.set("installed", record.isObject());
  entry.set("variant", record.get("variant").text());
  entry.set("key", record.get("key").text());
  return entry;
}

Json recordOnlyEntry(const std::string& id, const Json& record) {
  Json entry = Json::object();
  entry.set("id", id);
  entry.set("name", record.get("name").isString() ? record.get("name").text() : id);
  entry.set("variants", Json::array());
  entry.set("installed", true);
  entry.set("variant", record.get("variant").text());
  entry.set("key", record.get("key").text());
  return entry;
}

}  // namespace

Json addonListEvent(const Manifest* manifest, const Json& addonState) {
  Json list = Json::array();
  if (manifest != nullptr) {
    for (const ManifestAddon& addon : manifest->addons) list.push(manifestEntry(addon, addonState.get(addon.id)));
  }
  for (const Json::Member& record : addonState.members()) {
    // A member that is no object is no installed add-on: listed, it would
    // show as installed for good, since a removal finds no record to remove.
    if (!record.value.isObject()) continue;
    if (manifest != nullptr && findAddon(*manifest, record.key) != nullptr) continue;
    list.push(recordOnlyEntry(record.key, record.value));
  }
  Json event = Json::object();
  event.set("type", "addons");
  event.set("list", std::move(list));
  return event;
}

void sendAddonList(UpdateJob& updater, const Manifest* manifest) {
  if (updater.events().onAddons) updater.events().onAddons(addonListEvent(manifest, updater.addonRecords()));
}

}  // namespace zv
