#pragma once
// The add-on operations an update job borrows (see AddonHooks).

#include "updater/addon_hooks.h"

namespace zv {

class AddonOperations final : public AddonHooks {
 public:
  [[nodiscard]] bool installAddonFiles(Updater& updater, const ManifestAddon& addon, const std::string& variant,
                                       const std::string& key, CheckMode mode, const PassPhases& phases, bool& changed,
                                       Failure& failure) override;
  bool removeFiles(Updater& updater, const std::vector<std::string>& paths, const std::vector<std::string>& patterns,
                   std::vector<std::string>& leftOver) override;
  void sendAddonList(Updater& updater, const Manifest* manifest) override;
};

}  // namespace zv
