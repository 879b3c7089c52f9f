#include "addons/addon_install.h"

#include <unordered_set>
#include <vector>

#include "addons/addon_choice.h"
#include "addons/file_removal.h"
#include "addons/toggle_key.h"
#include "data/text_rules.h"
#include "platform/text_path.h"
#include "updater/updater.h"

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
bool saveRecord(Updater& updater, const std::string& id, Json record, std::string& message) {
  updater.state().addonState.set(id, std::move(record));
  if (updater.state().saveAddonState()) return true;
  message = kAddonStateWriteError;
  return false;
}

// The files not in order, after a look at every one (progress as "check"
// when the install is the job's own phase).
bool checkPass(Updater& updater, const std::vector<ManifestFile>& files, CheckMode mode, const std::string& phase,
               std::vector<const ManifestFile*>& fetchList, std::string& message) {
  uint64_t bytesTotal = 0;
  for (const ManifestFile& file : files) bytesTotal += static_cast<uint64_t>(file.size);
  uint64_t bytesDone = 0;
  const auto count = static_cast<uint32_t>(files.size());
  for (uint32_t n = 1; n <= count; ++n) {
    if (updater.cancelRequested()) {
      message = "cancelled";
      return false;
    }
    const ManifestFile& file = files[n - 1];
    if (!updater.checkFile(file, joinRelative(updater.clientFolder(), file.path), mode)) fetchList.push_back(&file);
    bytesDone += static_cast<uint64_t>(file.size);
    if (phase == "addon") updater.emitProgress("check", file.path, n, count, bytesDone, bytesTotal, n == count);
  }
  return true;
}

bool downloadPass(Updater& updater, const std::vector<const ManifestFile*>& fetchList, const ManifestAddon& addon,
                  const std::string& phase, bool& keyIniReplaced, bool& changed, std::string& message) {
  updater.events().onPhase(phase);
  updater.pass = Updater::PassCounters{0, static_cast<uint32_t>(fetchList.size()), 0, 0};
  for (const ManifestFile* file : fetchList) updater.pass.bytesTotal += static_cast<uint64_t>(file->packed);
  updater.resetSpeed();
  const std::string keyIni = asciiLower(addon.keyIni);
  Updater::PassCounters& pass = updater.pass;
  for (uint32_t i = 0; i < pass.filesTotal; ++i) {
    const ManifestFile& file = *fetchList[i];
    pass.filesDone = i;
    updater.emitProgress(phase, file.path, i, pass.filesTotal, pass.bytesDone, pass.bytesTotal, true);
    if (!updater.downloadOne(file, joinRelative(updater.clientFolder(), file.path), message)) return false;
    if (!keyIni.empty() && asciiLower(file.path) == keyIni) keyIniReplaced = true;
    pass.bytesDone += static_cast<uint64_t>(file.packed);
    changed = true;
    updater.emitProgress(phase, file.path, i + 1, pass.filesTotal, pass.bytesDone, pass.bytesTotal, true);
  }
  return true;
}

}  // namespace

bool installAddonFiles(Updater& updater, const ManifestAddon& addon, const std::string& variantAsked,
                       const std::string& keyAsked, CheckMode mode, const std::string& phase, bool& changed,
                       std::string& message) {
  const std::string variant = resolveVariant(addon, variantAsked);
  const std::string key = resolveKey(addon, keyAsked);
  const std::vector<ManifestFile> files = filesForVariant(addon, variant);
  std::vector<std::string> newPaths;
  std::unordered_set<std::string> newPathSet;
  for (const ManifestFile& file : files) {
    newPaths.push_back(file.path);
    newPathSet.insert(asciiLower(file.path));
  }

  const Json previous = updater.state().addonState.get(addon.id);
  const bool installedBefore = previous.isObject();
  const std::string previousKey = previous.get("key").text();
  std::vector<std::string> stale;  // files of the previous variant this one does not use
  for (const Json& path : previous.get("files").elements()) {
    if (path.isString() && newPathSet.count(asciiLower(path.text())) == 0) stale.push_back(path.text());
  }

  // Written ahead: from here on the record names every file this install
  // may leave on disk, whatever stops it. It names no key: the key is not
  // written yet, and a record claiming one would make the install that
  // completes this one believe the INI already holds it.
  if (!saveRecord(updater, addon.id, addonRecord(addon, variant, "", textArray(newPaths, stale)), message)) {
    return false;
  }

  std::vector<const ManifestFile*> fetchList;
  if (!checkPass(updater, files, mode, phase, fetchList, message)) return false;
  bool keyIniReplaced = false;
  if (!fetchList.empty() && !downloadPass(updater, fetchList, addon, phase, keyIniReplaced, changed, message)) {
    return false;
  }

  std::vector<std::string> leftOver;
  if (!stale.empty()) {
    (void)removeFiles(updater.clientFolder(), stale, {}, leftOver);
    changed = true;
  }

  // A fresh INI has the publisher's key; an untouched one already has ours.
  const bool keyCurrent = !keyIniReplaced && installedBefore && previousKey == key;
  if (!keyCurrent && !writeToggleKey(updater.clientFolder(), addon.keyIni, key)) {
    message = addon.keyIni + ": cannot write the toggle key";
    return false;
  }

  return saveRecord(updater, addon.id, addonRecord(addon, variant, key, textArray(newPaths, leftOver)), message);
}

}  // namespace zv
