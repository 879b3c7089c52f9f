#pragma once
// What an add-on install works from: the add-on named by the page, the
// variant and key it will really use, and the files of that variant.

#include <string>
#include <string_view>
#include <vector>

#include "updater/manifest.h"

namespace zv {

// Whether the add-on declares a variant with this id.
bool hasVariant(const ManifestAddon& addon, std::string_view variant);

// The variant an install uses: empty for an add-on without variants, the
// given one when declared, else the first declared one.
std::string resolveVariant(const ManifestAddon& addon, std::string_view variant);

// The toggle key an install uses: the given key when it is in the key table,
// else the add-on's default key when that is, else "insert".
std::string resolveKey(const ManifestAddon& addon, std::string_view key);

// The add-on's files for a variant, in manifest order: the variant's own
// files and the shared ones (empty variant) whose path the variant does not
// bring itself (paths compared without ASCII case).
std::vector<ManifestFile> filesForVariant(const ManifestAddon& addon, std::string_view variant);

}  // namespace zv
