#include "addons/addon_operations.h"

#include "addons/addon_install.h"
#include "addons/addon_list.h"
#include "addons/file_removal.h"
#include "updater/updater.h"

namespace zv {

bool AddonOperations::installAddonFiles(Updater& updater, const ManifestAddon& addon, const std::string& variant,
                                        const std::string& key, CheckMode mode, const PassPhases& phases,
                                        bool& changed, Failure& failure) {
  return zv::installAddonFiles(updater, addon, variant, key, mode, phases, changed, failure);
}

bool AddonOperations::removeFiles(Updater& updater, const std::vector<std::string>& paths,
                                  const std::vector<std::string>& patterns, std::vector<std::string>& leftOver) {
  return zv::removeFiles(updater.clientFolder(), paths, patterns, leftOver);
}

void AddonOperations::sendAddonList(Updater& updater, const Manifest* manifest) {
  zv::sendAddonList(updater, manifest);
}

}  // namespace zv
