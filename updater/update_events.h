#pragma once
// How an update job talks to its host: the check mode it runs in and the
// callbacks through which every phase, progress step and result leaves it.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "updater/manifest.h"

namespace zv {

enum class CheckMode : int32_t {
  Check = 0,   // trust the digest cache for files whose size and time are unchanged
  Repair = 1,  // hash every file
};

// Where a job stands, as the page's progress bar shows it.
struct Progress {
  std::string phase;
  std::string file;  // the file being worked on
  uint32_t filesDone = 0;
  uint32_t filesTotal = 0;
  uint64_t bytesDone = 0;
  uint64_t bytesTotal = 0;
  double speed = 0;  // bytes per second
};

// One add-on as the page lists it: what it offers and how it is installed.
struct AddonListEntry {
  struct Choice {
    std::string id;
    std::string label;
  };
  std::string id;
  std::string name;
  std::vector<Choice> variants;
  // The toggle keys it may take, and the one offered first; both empty when it
  // takes none.
  std::vector<Choice> keys;
  std::string defaultKey;
  bool installed = false;
  std::string variant;  // installed variant and key, else empty
  std::string key;
};

// Every member may be empty; the job calls only those that are set, always on
// the job's own thread.
struct UpdateEvents {
  // A phase starts: "manifest", "selfupdate", "check", "download", "queue",
  // and the add-on jobs' "addon" and "addonRemove".
  std::function<void(const std::string& phase)> onPhase;
  // A progress step, at most ten a second unless the job insists.
  std::function<void(const Progress& progress)> onProgress;
  // Once at the end of every job that does not hand over to a self-update.
  std::function<void(bool ok, bool canPlay, const std::string& code, const std::string& detail)> onDone;
  // The downloaded new launcher, ready to be swapped in; the job ends.
  std::function<void(const std::filesystem::path& newLauncher)> onSelfUpdate;
  // The accepted manifest, before anything on disk changes: shared, so a
  // host keeps it without a copy.
  std::function<void(const std::shared_ptr<const Manifest>& manifest)> onManifest;
  // The add-on list: the release's add-ons, then installed ones it does not know.
  std::function<void(const std::vector<AddonListEntry>& list)> onAddons;
};

}  // namespace zv
