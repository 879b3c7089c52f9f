#include "tools/builder/release_file.h"

#include <initializer_list>
#include <string_view>

#include "addons/toggle_key.h"
#include "data/json.h"
#include "data/text_rules.h"
#include "platform/file.h"
#include "platform/text_path.h"
#include "updater/manifest.h"

namespace zv::builder {
namespace {

// Reads one object's members, complaining about keys it does not know so
// that a misspelt key is not silently ignored.
class ObjectReader {
 public:
  ObjectReader(const Json& object, std::string where, std::string& error)
      : object_(object), where_(std::move(where)), error_(error) {}

  bool onlyKeys(std::initializer_list<std::string_view> known) {
    if (!object_.isObject()) return fail(where_ + " must be an object");
    for (const Json::Member& member : object_.members()) {
      bool found = false;
      for (std::string_view key : known) found = found || member.key == key;
      if (!found) return fail("unknown key \"" + member.key + "\" in " + where_);
    }
    return true;
  }

  bool text(std::string_view key, std::string& out) {
    const Json& value = object_.get(key);
    if (value.isNull()) return true;
    if (!value.isString()) return fail(name(key) + " must be a string");
    out = value.text();
    return true;
  }

  bool flag(std::string_view key, bool& out) {
    const Json& value = object_.get(key);
    if (value.isNull()) return true;
    if (!value.isBool()) return fail(name(key) + " must be true or false");
    out = value.boolOr(out);
    return true;
  }

  bool integer(std::string_view key, int64_t low, int64_t high, int64_t& out) {
    const Json& value = object_.get(key);
    if (value.isNull()) return true;
    const double number = value.numberOr(-1);
    if (!value.isNumber() || number != static_cast<double>(static_cast<int64_t>(number)) || number < low ||
        number > high) {
      return fail(name(key) + " must be a whole number from " + std::to_string(low) + " to " + std::to_string(high));
    }
    out = static_cast<int64_t>(number);
    return true;
  }

  bool texts(std::string_view key, std::vector<std::string>& out) {
    const Json& value = object_.get(key);
    if (value.isNull()) return true;
    if (!value.isArray()) return fail(name(key) + " must be a list of strings");
    for (const Json& element : value.elements()) {
      if (!element.isString()) return fail(name(key) + " must be a list of strings");
      out.emplace_back(element.text());
    }
    return true;
  }

  bool folder(std::string_view key, const std::filesystem::path& base, std::filesystem::path& out) {
    std::string text;
    if (!this->text(key, text)) return false;
    if (!text.empty()) out = base / pathFromUtf8(text);
    return true;
  }

  bool fail(std::string message) {
    error_ = std::move(message);
    return false;
  }

  std::string name(std::string_view key) const {
    // Appended piece by piece: "\"" + std::string(...) trips a false
    // -Wrestrict of GCC 12 at -O3.
    std::string text(1, '"');
    text.append(key);
    return text.append("\" in ").append(where_);
  }

 private:
  const Json& object_;
  std::string where_;
  std::string& error_;
};

bool checkClientPath(ObjectReader& reader, std::string_view what, const std::string& path) {
  if (isSafeRelativePath(path)) return true;
  return reader.fail(std::string(what) + " is not a safe relative path with \"/\": \"" + path + "\"");
}

bool parseVariant(const Json& value, const std::filesystem::path& base, const std::string& where,
                  ReleaseVariant& variant, std::string& error) {
  ObjectReader reader(value, where, error);
  if (!reader.onlyKeys({"id", "label", "folder"}) || !reader.text("id", variant.id) ||
      !reader.text("label", variant.label) || !reader.folder("folder", base, variant.folder)) {
    return false;
  }
  if (!isValidAddonId(variant.id)) {
    return reader.fail("variant id \"" + variant.id + "\" in " + where +
                       " must be 1 to 32 characters of a-z, 0-9, \"-\" and \"_\"");
  }
  if (variant.folder.empty()) return reader.fail(reader.name("folder") + " is required");
  return true;
}

bool parseAddon(const Json& value, const std::filesystem::path& base, size_t index, ReleaseAddon& addon,
                std::string& error) {
  ObjectReader reader(value, "add-on " + std::to_string(index + 1), error);
  if (!reader.onlyKeys({"id", "name", "folder", "variants", "keyIni", "keyIniOnce", "defaultKey", "cleanup"}) ||
      !reader.text("id", addon.id)) {
    return false;
  }
  if (!isValidAddonId(addon.id)) {
    return reader.fail("add-on id \"" + addon.id + "\" must be 1 to 32 characters of a-z, 0-9, \"-\" and \"_\"");
  }
  const std::string where = "add-on " + addon.id;
  ObjectReader named(value, where, error);
  if (!named.text("name", addon.name) || !named.folder("folder", base, addon.folder) ||
      !named.text("keyIni", addon.keyIni) || !named.flag("keyIniOnce", addon.keyIniOnce) ||
      !named.text("defaultKey", addon.defaultKey) || !named.texts("cleanup", addon.cleanup)) {
    return false;
  }
  if (!addon.keyIni.empty() && !checkClientPath(named, "\"keyIni\" of " + where, addon.keyIni)) return false;
  if (!addon.defaultKey.empty() && !findToggleKey(addon.defaultKey)) {
    std::string names;
    for (const ToggleKey& key : toggleKeyTable()) names += (names.empty() ? "" : ", ") + key.id;
    return named.fail("\"defaultKey\" of " + where + " must be one of " + names);
  }
  for (const std::string& pattern : addon.cleanup) {
    // The launcher drops such patterns without a word; say it here instead.
    if (!isValidCleanupPattern(pattern)) {
      return named.fail("clean-up pattern \"" + pattern + "\" of " + where +
                        " is refused by the launcher (\"*\" and \"?\" only in the last segment, which must "
                        "hold a letter or digit, as in *.log or d3d9*.dll: \"*.*\" would take the player's files)");
    }
  }
  const Json& variants = value.get("variants");
  if (!variants.isNull() && !variants.isArray()) return named.fail(named.name("variants") + " must be a list");
  for (const Json& element : variants.elements()) {
    ReleaseVariant variant;
    if (!parseVariant(element, base, "a variant of " + where, variant, error)) return false;
    for (const ReleaseVariant& other : addon.variants) {
      if (other.id == variant.id) return named.fail(where + " has two variants with the id " + variant.id);
    }
    addon.variants.push_back(std::move(variant));
  }
  if (addon.folder.empty() && addon.variants.empty()) {
    return named.fail(where + " needs a \"folder\" or \"variants\" with folders");
  }
  return true;
}

bool parseSources(const Json& value, Release& release, ObjectReader& top) {
  if (value.isNull()) return true;
  if (!value.isObject()) return top.fail("\"source\" in the release file must be an object");
  for (const Json::Member& member : value.members()) {
    if (!member.value.isString()) return top.fail("\"source\" of " + member.key + " must be a string");
    if (!checkClientPath(top, "a \"source\" key", member.key) ||
        !checkClientPath(top, "the \"source\" of " + member.key, member.value.stringOr(""))) {
      return false;
    }
    release.sources.emplace_back(member.key, member.value.text());
  }
  return true;
}

}  // namespace

bool parseRelease(const Json& root, const std::filesystem::path& baseFolder, Release& release, std::string& error) {
  release = Release{};
  ObjectReader top(root, "the release file", error);
  int64_t chunkSize = kDefaultChunkSize;
  int64_t level = kDefaultLevel;
  if (!top.onlyKeys({"build", "launcher", "exclude", "once", "remove", "source", "chunkSize", "level", "addons"}) ||
      !top.text("build", release.build) || !top.text("launcher", release.launcher) ||
      !top.texts("exclude", release.exclude) || !top.texts("once", release.once) ||
      !top.texts("remove", release.remove) || !top.integer("chunkSize", 1, kMaxChunkSize, chunkSize) ||
      !top.integer("level", 1, kMaxLevel, level) || !parseSources(root.get("source"), release, top)) {
    return false;
  }
  release.chunkSize = static_cast<uint32_t>(chunkSize);
  release.level = static_cast<int>(level);
  if (!release.launcher.empty() && !checkClientPath(top, "\"launcher\"", release.launcher)) return false;
  for (const std::string& path : release.remove) {
    if (!checkClientPath(top, "an entry of \"remove\"", path)) return false;
  }
  const Json& addons = root.get("addons");
  if (!addons.isNull() && !addons.isArray()) return top.fail("\"addons\" in the release file must be a list");
  for (size_t i = 0; i < addons.elements().size(); ++i) {
    ReleaseAddon addon;
    if (!parseAddon(addons.elements()[i], baseFolder, i, addon, error)) return false;
    for (const ReleaseAddon& other : release.addons) {
      if (other.id == addon.id) return top.fail("two add-ons have the id " + addon.id);
    }
    release.addons.push_back(std::move(addon));
  }
  return true;
}

bool loadRelease(const std::filesystem::path& file, Release& release, std::string& error) {
  std::string text;
  if (!readTextFile(file, text)) {
    error = "cannot read the release file " + pathToUtf8(file);
    return false;
  }
  std::string parseError;
  const Json root = Json::parse(text, &parseError);
  if (root.isNull()) {
    error = pathToUtf8(file) + ": not valid JSON (" + parseError + ")";
    return false;
  }
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(file, ec);
  if (!parseRelease(root, (ec ? file : absolute).parent_path(), release, error)) {
    error = pathToUtf8(file) + ": " + error;
    return false;
  }
  return true;
}

}  // namespace zv::builder
