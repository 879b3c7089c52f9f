#include "addons/addon_install.h"

#include <unordered_set>
#include <vector>

#include "addons/addon_choice.h"
#include "addons/file_removal.h"
#include "addons/toggle_key.h"
#include "data/case_fold.h"
#include "updater/update_job.h"

namespace zv {
namespace {

Json textArray(const std::vector<std::string>& first, const std::vector<std::string>& second) {
  Json array = Json::array();
  for (const std::string& text : first) array.push(text);
  for (const std::string& text : second) array.push(text);
  return array;
}

Json addonRecord(const ManifestAddon& addon, const std::string& variant, const std::string& key, Json files) {
  Json record = Json::object();
  record.set("name", addon.name);
  record.set("variant", variant);
  record.set("key", key);
  record.set("files", std::move(files));
  Json cleanup = Json::array();
  for (const std::string& pattern : addon.cleanup) cleanup.push(pattern);
  record.set("cleanup", std::move(cleanup));
  return record;
}

// Sets the add-on's record and saves addons.json.
bool saveRecord(UpdateJob& job, const std::string& id, Json record, Failure& failure) {
  job.addonRecords().set(id, std::move(record));
  if (job.saveAddonRecords()) return true;
  failure = Failure{FailureKind::DiskWrite, 0, kAddonStateName, {}};
  return false;
}

}  // namespace

bool installAddonFiles(UpdateJob& job, const Manifest& manifest, const ManifestAddon& addon,
                       const std::string& variantAsked, const std::string& keyAsked, CheckMode mode,
                       const PassPhases& phases, bool& changed, Failure& failure) {
  const std::string variant = resolveVariant(addon, variantAsked);
  const std::string key = resolveKey(addon, keyAsked);
  const std::vector<ManifestFile> files = filesForVariant(addon, variant);
  // Not stale: this variant's files, and what stays (which is the add-on's no longer).
  std::unordered_set<std::string> notStale = pathsThatStay(job.addonRecords(), addon.id, &manifest);
  std::vector<std::string> newPaths;
  for (const ManifestFile& file : files) {
    newPaths.push_back(file.path);
    notStale.insert(foldCase(file.path));
  }

  const Json previous = job.addonRecords().get(addon.id);
  const std::string previousKey(previous.get("key").text());
  const bool previousKeyWritten = toggleKeyWritten(previous);
  std::vector<std::string> stale;  // files of the previous variant this one does not use
  for (const Json& path : previous.get("files").elements()) {
    if (path.isString() && notStale.count(foldCase(path.text())) == 0) stale.emplace_back(path.text());
  }

  // Written ahead: from here on the record names every file this install
  // may leave on disk, whatever stops it. Its "key" is empty, as the INI may
  // not hold one yet, so that whichever launcher completes this install (the
  // next update check, or an older launcher the player went back to) writes
  // a key; the player's waits in "pendingKey", which this launcher writes
  // rather than the add-on's default.
  Json ahead = addonRecord(addon, variant, "", textArray(newPaths, stale));
  ahead.set("pendingKey", key);
  if (!saveRecord(job, addon.id, std::move(ahead), failure)) return false;

  // Gone before any file is placed: a release may put a file of the add-on
  // where a stale one's folder was, or a folder where a stale file was.
  std::vector<std::string> leftOver;
  if (!stale.empty()) {
    (void)removeFiles(job.clientFolder(), stale, {}, leftOver);
    changed = true;
  }

  PassOutcome outcome;
  if (!job.bringInLine(files, mode, phases, outcome)) {
    failure = outcome.failure;
    return false;
  }
  const std::string keyIni = foldCase(addon.keyIni);
  bool keyIniReplaced = false;
  for (const std::string& path : outcome.downloaded) keyIniReplaced = keyIniReplaced || foldCase(path) == keyIni;
  if (!outcome.downloaded.empty()) changed = true;

  // A fresh INI has the publisher's key; an untouched one already has ours.
  const bool keyCurrent = !keyIniReplaced && previousKeyWritten && previousKey == key;
  if (!keyCurrent && !writeToggleKey(job.clientFolder(), addon.keyIni, key)) {
    failure = Failure{FailureKind::DiskWrite, 0, "the toggle key", addon.keyIni};
    return false;
  }

  return saveRecord(job, addon.id, addonRecord(addon, variant, key, textArray(newPaths, leftOver)), failure);
}

}  // namespace zv
