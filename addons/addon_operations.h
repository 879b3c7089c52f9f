#pragma once
// The add-on operations an update job borrows (see AddonHooks).

#include "updater/addon_hooks.h"

namespace zv {

class AddonOperations final : public AddonHooks {
 public:
  [[nodiscard]] bool installAddonFiles(UpdateJob& job, const ManifestAddon& addon, const std::string& variant,
                                       const std::string& key, CheckMode mode, const PassPhases& phases, bool& changed,
                                       Failure& failure) override;
  bool removeFiles(UpdateJob& job, const std::vector<std::string>& paths, const std::vector<std::string>& patterns,
                   std::vector<std::string>& leftOver) override;
  void sendAddonList(UpdateJob& job, const Manifest* manifest) override;
};

}  // namespace zv
