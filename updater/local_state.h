#pragma once
// The updater's own state in the work folder: the digest cache (cache.json)
// and the installed add-ons (addons.json). Both are loaded into memory for one
// job and written back whole with an atomic replace, so a job that is killed
// leaves either the previous or a newer complete file.

#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_set>

#include "data/json.h"
#include "platform/durable_file.h"
#include "updater/digest_cache.h"
#include "updater/manifest.h"

namespace zv {

class LocalState {
 public:
  explicit LocalState(std::filesystem::path workFolder) : workFolder_(std::move(workFolder)) {}

  const std::filesystem::path& workFolder() const { return workFolder_; }

  // A missing, unreadable, unparsable or non-object file loads as empty,
  // silently: a damaged cache only costs hashing time and is overwritten by
  // the next save.
  void loadCacheState();
  void loadAddonState();
  // loadCacheState in two steps, so that the file can be read and parsed on
  // another thread: cache.json's value (Null when missing or unreadable),
  // then the cache made from it.
  static Json readCacheFile(const std::filesystem::path& workFolder);
  void setCacheState(Json&& value);

  // cache.json compact with one final line feed, only when the cache changed
  // since it was loaded or last saved; a failure is ignored (the next job
  // hashes again). unflushedFiles are flushed first: no entry may vouch for
  // data that a power loss could still take.
  void saveCacheState();
  // addons.json indented with one final line feed, creating the work folder
  // first. False when the file could not be replaced.
  [[nodiscard]] bool saveAddonState();

  DigestCache cacheState;
  // Files installed since the cache was last saved.
  DurableBatch unflushedFiles;
  // One member per installed add-on, keyed by add-on id, in insertion order.
  Json addonState = Json::object();

 private:
  std::filesystem::path workFolder_;
};

// A state file's JSON value when it is an object; else (missing,
// unreadable, damaged) an empty object.
Json loadStateObject(const std::filesystem::path& path);

// The files, folded as Windows folds letter case (foldCase), that removing
// the files of the add-on under id must leave on disk: those another add-on's
// record lists (two add-ons may ship the same file, a shader loader say, and
// it stays until neither is installed) and, given a manifest, its base client
// files (a file the release moved into the base client is checked as such,
// and stays).
std::unordered_set<std::string> pathsThatStay(const Json& addonState, std::string_view id, const Manifest* manifest);

// The toggle key the player chose for the add-on of a record: the one an
// unfinished install has yet to write ("pendingKey"), else "key".
std::string_view chosenToggleKey(const Json& record);

// Whether the add-on's key INI holds the record's "key": not while an install
// is unfinished.
bool toggleKeyWritten(const Json& record);

// What add-on jobs report as not written when saveAddonState fails. It names
// the default work folder whatever the configuration says.
inline constexpr const char* kAddonStateName = ".zarvo_update/addons.json";

}  // namespace zv
