#include "addons/addon_choice.h"

#include <unordered_set>

#include "addons/toggle_key.h"
#include "data/case_fold.h"

namespace zv {

bool hasVariant(const ManifestAddon& addon, std::string_view variant) {
  for (const AddonVariant& declared : addon.variants) {
    if (declared.id == variant) return true;
  }
  return false;
}

std::string resolveVariant(const ManifestAddon& addon, std::string_view variant) {
  if (addon.variants.empty()) return "";
  return hasVariant(addon, variant) ? std::string(variant) : addon.variants.front().id;
}

std::string resolveKey(const ManifestAddon& addon, std::string_view key) {
  if (findToggleKey(key) != nullptr) return std::string(key);
  if (findToggleKey(addon.defaultKey) != nullptr) return addon.defaultKey;
  return "insert";
}

std::vector<ManifestFile> filesForVariant(const ManifestAddon& addon, std::string_view variant) {
  std::unordered_set<std::string> ownPaths;
  for (const ManifestFile& file : addon.files) {
    if (file.variant == variant) ownPaths.insert(foldCase(file.path));
  }
  std::vector<ManifestFile> files;
  for (const ManifestFile& file : addon.files) {
    // With an empty variant both tests pick the shared files, each once.
    const bool own = file.variant == variant;
    const bool shared = file.variant.empty() && ownPaths.count(foldCase(file.path)) == 0;
    if (own || shared) files.push_back(file);
  }
  return files;
}

}  // namespace zv
