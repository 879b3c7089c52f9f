#include "addons/toggle_key.h"

#include "data/ini_lines.h"
#include "data/text_rules.h"
#include "platform/file.h"
#include "platform/text_path.h"

namespace zv {
namespace {

constexpr std::string_view blanks = " \t";

// Built by appending: GCC 12 warns falsely about "[" + std::string at -O3.
std::string bracketed(std::string_view name) {
  std::string header(1, '[');
  header.append(name);
  header += ']';
  return header;
}

}  // namespace

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
  const std::string_view lineBreak =
      (text.empty() || text.find("\r\n") != std::string_view::npos) ? "\r\n" : "\n";
  std::vector<std::string> lines = splitIniLines(text);
  const std::string header = bracketed(asciiLower(section));
  const std::string wantedKey = asciiLower(key);
  const std::string entry = std::string(key) + "=" + std::string(value);
  bool found = false;
  bool set = false;
  size_t insertAt = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string_view trimmed = trimIni(lines[i], blanks);
    if (!trimmed.empty() && trimmed.front() == '[') {
      // Only the first matching section counts; the next header ends it.
      if (found) break;
      if (asciiLower(trimmed) == header) {
        found = true;
        insertAt = i + 1;
      }
      continue;
    }
    if (!found || trimmed.empty()) continue;
    insertAt = i + 1;
    const size_t equals = trimmed.find('=');
    if (equals != std::string_view::npos && asciiLower(trimIni(trimmed.substr(0, equals), blanks)) == wantedKey) {
      lines[i] = entry;
      set = true;
      break;
    }
  }
  if (!set && found) {
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), entry);
  } else if (!found) {
    if (!lines.empty() && !trimIni(lines.back(), blanks).empty()) lines.emplace_back();
    lines.push_back(bracketed(section));
    lines.push_back(entry);
  }
  std::string result = joinIniLines(lines, lineBreak);
  if (text.empty() || text.back() == '\n') result += lineBreak;
  return result;
}

bool writeToggleKey(const std::filesystem::path& clientFolder, std::string_view keyIni, std::string_view keyId) {
  const ToggleKey* key = findToggleKey(keyId);
  if (keyIni.empty() || key == nullptr) return true;
  // The manifest reader already refuses such paths; a file outside the client folder is never ours to edit.
  if (!isSafeRelativePath(keyIni)) return false;
  const std::filesystem::path path = joinRelative(clientFolder, keyIni);
  std::string text;
  // The INI ships with the add-on; a missing one is a failed install.
  if (!readTextFile(path, text)) return false;
  const std::string updated = setIniValue(text, "INPUT", "KeyEffects", std::to_string(key->virtualKey) + ",0,0,0");
  // An unchanged file is left alone, so a read-only INI that is already right is no failure.
  if (updated == text) return true;
  return writeTextFileAtomic(path, updated);
}

}  // namespace zv
