#pragma once
// Putting one add-on on disk in a chosen variant, for the add-on install job
// and for the update job, which keeps installed add-ons current.

#include <string>

#include "updater/manifest.h"
#include "updater/update_events.h"

namespace zv {

class Updater;

// Brings the add-on's files for the variant in line with the manifest
// (checked in mode, downloaded as needed), deletes the files of its previous
// variant that this one does not use, writes the toggle key, and records the
// add-on in the updater's addonState and addons.json. Before anything on
// disk changes, the record already lists every file the install may leave
// behind, so an interrupted install can still be removed. An undeclared
// variant means the first one; an unknown key the add-on's default key, else
// "insert". Download progress goes out under phase; with phase "addon" the
// check pass reports progress too. Sets changed when it changed client files.
// False: message is "cancelled", a download's message, "<keyIni>: cannot
// write the toggle key" or "cannot write .zarvo_update/addons.json".
[[nodiscard]] bool installAddonFiles(Updater& updater, const ManifestAddon& addon, const std::string& variant,
                                     const std::string& key, CheckMode mode, const std::string& phase, bool& changed,
                                     std::string& message);

}  // namespace zv
