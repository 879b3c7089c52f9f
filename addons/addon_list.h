#pragma once
// The add-on list: what the page may offer to install, and what is installed.

#include <vector>

#include "data/json.h"
#include "updater/manifest.h"
#include "updater/update_events.h"

namespace zv {

class UpdateJob;

// One entry per add-on of the manifest (none without one), with its variants,
// the key table when it takes a toggle key, and whether, in which variant and
// with which key it is installed; then one entry per installed add-on the
// manifest does not know, which the page can only remove. addonState is the
// content of addons.json.
std::vector<AddonListEntry> addonList(const Manifest* manifest, const Json& addonState);

// addonList of the job's add-on records, sent through its onAddons.
void sendAddonList(UpdateJob& updater, const Manifest* manifest);

}  // namespace zv
