#include "addons/addon_operations.h"

#include "addons/addon_install.h"
#include "addons/addon_list.h"
#include "addons/file_removal.h"
#include "updater/update_job.h"

namespace zv {

bool AddonOperations::installAddonFiles(UpdateJob& job, const ManifestAddon& addon, const std::string& variant,
                                        const std::string& key, CheckMode mode, const PassPhases& phases,
                                        bool& changed, Failure& failure) {
  return zv::installAddonFiles(job, addon, variant, key, mode, phases, changed, failure);
}

bool AddonOperations::removeFiles(UpdateJob& job, const std::vector<std::string>& paths,
                                  const std::vector<std::string>& patterns, std::vector<std::string>& leftOver) {
  return zv::removeFiles(job.clientFolder(), paths, patterns, leftOver);
}

void AddonOperations::sendAddonList(UpdateJob& job, const Manifest* manifest) {
  zv::sendAddonList(job, manifest);
}

}  // namespace zv
