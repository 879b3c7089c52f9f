#pragma once
// The jobs a host runs on its worker thread with a fresh UpdateJob: the update
// check with its add-on step, the add-on install and the add-on removal.
// Each ends with exactly one onDone (an update check may instead hand over
// to a self-update).

#include <string>

#include "updater/manifest.h"
#include "updater/update_events.h"

namespace zv {

class UpdateJob;

// UpdateJob::run with the add-on operations lent to it, so that installed
// add-ons are kept current, dropped ones removed and the add-on list sent.
void runUpdate(UpdateJob& job, CheckMode mode);

// Installs (or reinstalls, or switches the variant of) an add-on from a
// freshly verified manifest, hashing every file of it. Done codes:
// "addonInstalled" (detail: the add-on's name), "addonUnknown" (detail: the
// id, and " / " and the variant when one was given), "addonLocked" (a file
// or addons.json could not be written: the game runs), "cancelled", "failed",
// or the manifest step's code.
void runAddonInstall(UpdateJob& job, const std::string& id, const std::string& variant, const std::string& key);

// Removes an installed add-on's files as recorded in addons.json. manifest
// (the host's last one, or nullptr) only shapes the add-on list sent
// afterwards. Done codes: "addonRemoved" (detail: the recorded name, else the
// id; also when nothing was recorded) or "addonLocked" (detail: the first
// path left on disk; those stay recorded for the next attempt).
void runAddonRemove(UpdateJob& job, const std::string& id, const Manifest* manifest);

}  // namespace zv
