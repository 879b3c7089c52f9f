#include "addons/toggle_key.h"

#include "data/ini_lines.h"
#include "data/text_rules.h"
#include "platform/file.h"
#include "platform/text_path.h"

namespace zv {

const std::vector<ToggleKey>& toggleKeyTable() {
  // Built on first use; the runtime makes that thread-safe.
  static const std::vector<ToggleKey> table = {
      {"insert", "Insert", 45},       {"delete", "Delete", 46}, {"end", "End", 35},
      {"pageup", "Page Up", 33},      {"pagedown", "Page Down", 34}, {"pause", "Pause", 19},
      {"scrolllock", "Scroll Lock", 145},
  };
  return table;
}

const ToggleKey* findToggleKey(std::string_view id) {
  for (const ToggleKey& key : toggleKeyTable()) {
    if (key.id == id) return &key;
  }
  return nullptr;
}

std::string setIniValue(std::string_view text, std::string_view section, std::string_view key,
                        std::string_view value) {
  static constexpr IniRules rules{" \t", IniRules::Scope::FirstEntryOfFirstSection, IniRules::NewSection::AtEnd,
                                  IniRules::LineBreaks::AsInText};
  return setIniEntries(text, section, {{key, std::string(value)}}, rules);
}

bool writeToggleKey(const std::filesystem::path& clientFolder, std::string_view keyIni, std::string_view keyId) {
  const ToggleKey* key = findToggleKey(keyId);
  if (keyIni.empty() || key == nullptr) return true;
  // The manifest reader already refuses such paths; a file outside the client folder is never ours to edit.
  if (!isSafeRelativePath(keyIni)) return false;
  const std::filesystem::path path = joinRelative(clientFolder, keyIni);
  std::string bytes;
  std::string text;
  IniCoding coding{};
  // The INI ships with the add-on; a missing one is a failed install.
  if (!readTextFile(path, bytes) || !decodeIniFile(bytes, text, coding)) return false;
  const std::string updated = setIniValue(text, "INPUT", "KeyEffects", std::to_string(key->virtualKey) + ",0,0,0");
  // An unchanged file is left alone, so a read-only INI that is already right is no failure.
  if (updated == text) return true;
  return writeTextFileAtomic(path, encodeIniFile(updated, coding));
}

}  // namespace zv
