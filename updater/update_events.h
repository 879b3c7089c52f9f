#pragma once
// How an update job talks to its host: the check mode it runs in and the
// callbacks through which every phase, progress step and result leaves it.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "data/json.h"
#include "updater/manifest.h"

namespace zv {

enum class CheckMode : int32_t {
  Check = 0,   // trust the digest cache for files whose size and time are unchanged
  Repair = 1,  // hash every file
};

// Every member may be empty; the job calls only those that are set, always on
// the job's own thread.
struct UpdateEvents {
  // A phase starts: "manifest", "selfupdate", "check", "download", "queue",
  // and the add-on jobs' "addon" and "addonRemove".
  std::function<void(const std::string& phase)> onPhase;
  // A complete progress event object.
  std::function<void(const Json& event)> onProgress;
  // Once at the end of every job that does not hand over to a self-update.
  std::function<void(bool ok, bool canPlay, const std::string& code, const std::string& detail)> onDone;
  // The downloaded new launcher, ready to be swapped in; the job ends.
  std::function<void(const std::filesystem::path& newLauncher)> onSelfUpdate;
  // The accepted manifest, before anything on disk changes.
  std::function<void(const Manifest& manifest)> onManifest;
  // The add-on list event.
  std::function<void(const Json& event)> onAddons;
};

}  // namespace zv
