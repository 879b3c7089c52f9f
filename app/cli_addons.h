#pragma once
// The "addons" command: the add-on list of the current release, and of what
// is installed, without changing anything.

#include <string>

#include "bridge/page_event.h"

namespace zv {
class UpdateJob;
}

namespace zv::cli {

// The job: fetches and verifies the manifest, then sends the add-on list
// event. When the manifest cannot be had it sends the list of what is
// installed and a failed "done" with the manifest step's code.
void listAddonsJob(UpdateJob& job);

// The add-on list as lines of text, one per add-on.
std::string addonListText(const AddonList& list);

}  // namespace zv::cli
