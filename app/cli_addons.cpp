#include "app/cli_addons.h"

#include "addons/addon_list.h"
#include "updater/update_job.h"

namespace zv::cli {

void listAddonsJob(UpdateJob& job) {
  Manifest manifest;
  std::string code;
  std::string detail;
  const bool fetched = job.readManifest(manifest, code, detail);
  job.loadAddonRecords();
  sendAddonList(job, fetched ? &manifest : nullptr);
  if (!fetched && job.events().onDone) job.events().onDone(false, true, code, detail);
}

std::string addonListText(const Json& event) {
  std::string text;
  for (const Json& addon : event.get("list").elements()) {
    text += addon.get("id").text();
    const std::string name(addon.get("name").text());
    if (name != addon.get("id").text()) text += " (" + name + ")";
    if (addon.get("installed").boolOr(false)) {
      text += ": installed";
      const std::string variant(addon.get("variant").text());
      if (!variant.empty()) text += ", variant " + variant;
      const std::string key(addon.get("key").text());
      if (!key.empty()) text += ", key " + key;
    } else {
      text += ": not installed";
    }
    std::string variants;
    for (const Json& variant : addon.get("variants").elements()) {
      if (!variants.empty()) variants += ", ";
      variants += variant.get("id").text();
    }
    if (!variants.empty()) text += "; variants: " + variants;
    text += "\n";
  }
  if (text.empty()) text = "No add-ons.\n";
  return text;
}

}  // namespace zv::cli
