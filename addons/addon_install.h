#pragma once
// Putting one add-on on disk in a chosen variant, for the add-on install job
// and for the update job, which keeps installed add-ons current.

#include <string>

#include "data/failure.h"
#include "updater/manifest.h"
#include "updater/update_events.h"

namespace zv {

class UpdateJob;
struct PassPhases;

// Brings the add-on's files for the variant in line with the manifest (the
// job's file pass in mode, under phases), deletes the files of its previous
// variant that this one does not use (but not those that have become base
// client files of the manifest), writes the toggle key, and records the
// add-on in the job's add-on records and addons.json. Before anything on
// disk changes, the record already lists every file the install may leave
// behind, so an interrupted install can still be removed. An undeclared
// variant means the first one; an unknown key the add-on's default key, else
// "insert". Sets changed when it changed client files. False: failure is
// Cancelled, a download's failure, or DiskWrite of the toggle key (file:
// keyIni) or of addons.json.
[[nodiscard]] bool installAddonFiles(UpdateJob& job, const Manifest& manifest, const ManifestAddon& addon,
                                     const std::string& variant, const std::string& key, CheckMode mode,
                                     const PassPhases& phases, bool& changed, Failure& failure);

}  // namespace zv
