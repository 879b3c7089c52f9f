#include "app/cli_addons.h"

#include "addons/addon_list.h"
#include "updater/update_job.h"

namespace zv::cli {

void listAddonsJob(UpdateJob& job) {
  std::shared_ptr<const Manifest> manifest;
  std::string code;
  std::string detail;
  const bool fetched = job.readManifest(manifest, code, detail);
  job.loadAddonRecords();
  const AddonList list = addonList(fetched ? manifest.get() : nullptr, job.addonRecords());
  // Without the release an empty list would read as a server that offers no add-ons.
  if ((fetched || !list.empty()) && job.events().onAddons) job.events().onAddons(list);
  if (!fetched && job.events().onDone) job.events().onDone(false, true, code, detail);
}

std::string addonListText(const AddonList& list) {
  std::string text;
  for (const AddonListEntry& addon : list) {
    if (!text.empty()) text += "\n";
    text += addon.id;
    if (addon.name != addon.id) text += " (" + addon.name + ")";
    if (addon.installed) {
      text += ": installed";
      if (!addon.variant.empty()) text += ", variant " + addon.variant;
      if (!addon.key.empty()) text += ", key " + addon.key;
    } else {
      text += ": not installed";
    }
    std::string variants;
    for (const AddonListEntry::Choice& variant : addon.variants) {
      if (!variants.empty()) variants += ", ";
      variants += variant.id;
    }
    if (!variants.empty()) text += "; variants: " + variants;
  }
  return text.empty() ? "No add-ons." : text;
}

}  // namespace zv::cli
