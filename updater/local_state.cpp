#include "updater/local_state.h"

#include <string>

#include "data/case_fold.h"
#include "platform/file.h"

namespace zv {
namespace {

const char* const kCacheFile = "cache.json";
const char* const kAddonFile = "addons.json";

}  // namespace

Json loadStateObject(const std::filesystem::path& path) {
  std::string text;
  if (!readTextFile(path, text)) return Json::object();
  Json value = Json::parse(text);
  return value.isObject() ? value : Json::object();
}

void LocalState::loadCacheState() { setCacheState(readCacheFile(workFolder_)); }

Json LocalState::readCacheFile(const std::filesystem::path& workFolder) {
  std::string text;
  return readTextFile(workFolder / kCacheFile, text) ? Json::parse(text) : Json();
}

void LocalState::setCacheState(Json&& value) {
  const bool usable = value.isObject();
  cacheState.assign(std::move(value));
  // A missing or damaged file is written anew by the next save.
  if (!usable) cacheState.markChanged();
}

void LocalState::loadAddonState() { addonState = loadStateObject(workFolder_ / kAddonFile); }

void LocalState::saveCacheState() {
  if (!cacheState.changed()) return;
  if (writeTextFileAtomic(workFolder_ / kCacheFile, cacheState.dump() + "\n", unflushedFiles)) cacheState.markSaved();
}

bool LocalState::saveAddonState() {
  return writeTextFileAtomic(workFolder_ / kAddonFile, addonState.dump(true) + "\n");
}

std::unordered_set<std::string> pathsThatStay(const Json& addonState, std::string_view id, const Manifest* manifest) {
  std::unordered_set<std::string> files;
  for (const Json::Member& record : addonState.members()) {
    if (record.key == id) continue;
    for (const Json& path : record.value.get("files").elements()) files.insert(foldCase(path.text()));
  }
  if (manifest != nullptr) {
    for (const ManifestFile& file : manifest->files) files.insert(foldCase(file.path));
  }
  return files;
}

std::string_view chosenToggleKey(const Json& record) {
  const Json& pending = record.get("pendingKey");
  return pending.isString() ? pending.text() : record.get("key").text();
}

bool toggleKeyWritten(const Json& record) {
  // "keyPending" marked the key of such a record until the key moved into
  // "pendingKey".
  return record.isObject() && !record.get("pendingKey").isString() && !record.get("keyPending").boolOr(false);
}

}  // namespace zv
