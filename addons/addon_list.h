#pragma once
// The "addons" event: what the page may offer to install, and what is
// installed.

#include "data/json.h"
#include "updater/manifest.h"

namespace zv {

class UpdateJob;

// {"type": "addons", "list": [...]}: one entry per add-on of the manifest
// (none without one), with its variants, the key table when it takes a
// toggle key, and whether, in which variant and with which key it is
// installed; then one entry per installed add-on the manifest does not know,
// which the page can only remove. addonState is the content of addons.json.
Json addonListEvent(const Manifest* manifest, const Json& addonState);

// addonListEvent of the updater's addonState, sent through its onAddons.
void sendAddonList(UpdateJob& updater, const Manifest* manifest);

}  // namespace zv
