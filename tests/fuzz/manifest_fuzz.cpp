// parseManifestText on any bytes: no crash, an accepted manifest holds only
// what the updater may act on without further checks, and the base client's
// entries, read straight from the text, read as parseManifestFile reads the
// same entries as Json values (the launcher's and the add-ons' way).

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

#include "data/json.h"
#include "data/text_rules.h"
#include "updater/manifest.h"

namespace {

void check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "manifest fuzz: %s\n", what);
    std::abort();
  }
}

void checkFile(const zv::ManifestFile& file) {
  check(zv::isSafeRelativePath(file.path), "unsafe path accepted");
  check(file.source.empty() || zv::isSafeRelativePath(file.source), "unsafe source accepted");
  check(file.size >= 0 && file.packed >= 0, "negative size accepted");
  check(file.sha256.size() == 64 && file.sha256.find_first_not_of("0123456789abcdef") == std::string::npos,
        "bad digest accepted");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  zv::Manifest manifest;
  std::string error;
  if (!zv::parseManifestText(text, manifest, error)) {
    check(!error.empty(), "refused without a message");
    return 0;
  }
  const zv::Json files = zv::Json::parse(text).get("files");
  size_t index = 0;
  for (const zv::Json& element : files.elements()) {
    zv::ManifestFile file;
    check(index < manifest.files.size() && zv::parseManifestFile(element, file, error) &&
              file == manifest.files[index++],
          "entry readers disagree");
  }
  check(index == manifest.files.size(), "entry readers disagree on the count");
  check(manifest.format == 1, "format other than 1");
  if (!manifest.launcher.path.empty()) checkFile(manifest.launcher);
  std::set<std::string> base;
  for (const zv::ManifestFile& file : manifest.files) {
    checkFile(file);
    check(base.insert(zv::asciiLower(file.path)).second, "duplicate base path accepted");
  }
  for (const std::string& path : manifest.remove) check(zv::isSafeRelativePath(path), "unsafe removal accepted");
  std::set<std::string> ids;
  for (const zv::ManifestAddon& addon : manifest.addons) {
    check(zv::isValidAddonId(addon.id) && ids.insert(addon.id).second, "bad or repeated add-on id accepted");
    for (const zv::AddonVariant& variant : addon.variants) check(zv::isValidAddonId(variant.id), "bad variant id");
    check(addon.keyIni.empty() || zv::isSafeRelativePath(addon.keyIni), "unsafe key INI accepted");
    for (const std::string& pattern : addon.cleanup) check(zv::isValidCleanupPattern(pattern), "bad pattern kept");
    std::set<std::string> own;
    for (const zv::ManifestFile& file : addon.files) {
      checkFile(file);
      const std::string lower = zv::asciiLower(file.path);
      check(base.count(lower) == 0, "add-on file shadows a base file");
      check(own.insert(lower + "|" + file.variant).second, "add-on file repeated for one variant");
    }
  }
  return 0;
}
