#include "addons/addon_jobs.h"

#include <vector>

#include "addons/addon_choice.h"
#include "addons/addon_install.h"
#include "addons/addon_list.h"
#include "addons/addon_operations.h"
#include "addons/file_removal.h"
#include "updater/updater.h"

namespace zv {
namespace {

void done(Updater& updater, bool ok, const std::string& code, const std::string& detail) {
  // Add-on jobs never leave the client unplayable: only add-on files change.
  if (updater.events().onDone) updater.events().onDone(ok, true, code, detail);
}

std::vector<std::string> texts(const Json& array) {
  std::vector<std::string> out;
  for (const Json& element : array.elements()) out.push_back(element.text());  // a non-string reads as ""
  return out;
}

Json withoutMember(const Json& object, const std::string& key) {
  Json rest = Json::object();
  for (const Json::Member& member : object.members()) {
    if (member.key != key) rest.set(member.key, member.value);
  }
  return rest;
}

}  // namespace

void runUpdate(Updater& updater, CheckMode mode) {
  AddonOperations operations;
  updater.setAddonHooks(&operations);
  updater.run(mode);
  updater.setAddonHooks(nullptr);
}

void runAddonInstall(Updater& updater, const std::string& id, const std::string& variant, const std::string& key) {
  Manifest manifest;
  std::string code;
  std::string detail;
  if (!updater.readManifest(manifest, code, detail)) {
    done(updater, false, code, detail);
    return;
  }
  updater.loadAddonRecords();

  const ManifestAddon* addon = findAddon(manifest, id);
  if (addon == nullptr || (!addon->variants.empty() && !hasVariant(*addon, variant))) {
    sendAddonList(updater, &manifest);
    done(updater, false, "addonUnknown", variant.empty() ? id : id + " / " + variant);
    return;
  }

  updater.events().onPhase("addon");
  bool changed = false;
  Failure failure;
  // Repair: a player who installs again expects every file to be looked at.
  // The check reports its progress as "check" inside the add-on phase.
  const bool ok = installAddonFiles(updater, *addon, variant, key, CheckMode::Repair, PassPhases{"check", "addon"},
                                    changed, failure);
  sendAddonList(updater, &manifest);
  if (ok) {
    done(updater, true, "addonInstalled", addon->name);
  } else if (updater.cancelRequested()) {
    done(updater, false, "cancelled", "");
  } else {
    // A file the game holds, or one the disk refuses: the page asks the
    // player to close the game.
    done(updater, false, failure.targetUnwritable() ? "addonLocked" : "failed", failureText(failure));
  }
}

void runAddonRemove(Updater& updater, const std::string& id, const Manifest* manifest) {
  updater.events().onPhase("addonRemove");
  updater.loadAddonRecords();
  Json& records = updater.addonRecords();
  Json record = records.get(id);
  const std::string name = record.get("name").isString() ? record.get("name").text() : id;
  if (!record.isObject()) {
    sendAddonList(updater, manifest);
    done(updater, true, "addonRemoved", name);
    return;
  }

  std::vector<std::string> leftOver;
  const bool removed = removeFiles(updater.clientFolder(), texts(record.get("files")), texts(record.get("cleanup")),
                                   leftOver);
  if (leftOver.empty()) {
    records = withoutMember(records, id);
  } else {
    Json files = Json::array();
    for (const std::string& path : leftOver) files.push(path);
    record.set("files", std::move(files));
    records.set(id, std::move(record));
  }
  // The files are gone either way; a stale record only lists missing files,
  // which the next removal passes over.
  (void)updater.saveAddonRecords();
  sendAddonList(updater, manifest);
  if (removed) {
    done(updater, true, "addonRemoved", name);
  } else {
    done(updater, false, "addonLocked", leftOver.front());
  }
}

}  // namespace zv
