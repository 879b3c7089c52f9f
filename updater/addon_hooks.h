#pragma once
// The add-on half of an update job. The update job keeps installed add-ons
// current and retires those a release dropped, but installing and deleting
// add-on files is the add-on code's business; it lends the job these
// operations. A job without them leaves every installed add-on, and
// addons.json, exactly as they are and sends no add-on list.

#include <string>
#include <vector>

#include "data/failure.h"
#include "updater/manifest.h"
#include "updater/update_events.h"

namespace zv {

class UpdateJob;
struct PassPhases;

class AddonHooks {
 public:
  virtual ~AddonHooks() = default;

  // Brings one installed add-on in line with the manifest in the given
  // variant and toggle key through the job's file pass (reporting under
  // phases), updating its record in the job's add-on records. Sets changed
  // when it changed anything on disk. False: failure says why.
  [[nodiscard]] virtual bool installAddonFiles(UpdateJob& job, const Manifest& manifest, const ManifestAddon& addon,
                                               const std::string& variant, const std::string& key, CheckMode mode,
                                               const PassPhases& phases, bool& changed, Failure& failure) = 0;

  // Deletes client files of an add-on and the files its clean-up patterns
  // match; leftOver gets the paths still on disk. True when none is left.
  virtual bool removeFiles(UpdateJob& job, const std::vector<std::string>& paths,
                           const std::vector<std::string>& patterns, std::vector<std::string>& leftOver) = 0;

  // Sends the add-on list event for this manifest (or for none).
  virtual void sendAddonList(UpdateJob& job, const Manifest* manifest) = 0;
};

}  // namespace zv
