#pragma once
// The in-game key that switches an add-on's effect on and off: the keys a
// player may pick, and the edit that stores the chosen key's Windows
// virtual-key code in the add-on's INI file.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace zv {

struct ToggleKey {
  std::string id;     // stored in the add-on records and sent by the page
  std::string label;  // shown by the page
  int32_t virtualKey = 0;
};

// The keys in the order the page lists them; "insert" first, the fallback.
const std::vector<ToggleKey>& toggleKeyTable();

// The row with exactly this id (case-sensitive), or nullptr.
const ToggleKey* findToggleKey(std::string_view id);

// text with key=value set in the first [section] (names compared without
// ASCII case): the first matching entry is replaced, else the entry goes after
// the section's last non-empty line, else a new section is appended. Every
// other line stays as it was; all line breaks become CR LF when the text has
// any CR LF (or is empty), else LF.
std::string setIniValue(std::string_view text, std::string_view section, std::string_view key,
                        std::string_view value);

// Writes the key's code as "KeyEffects=<code>,0,0,0" in section INPUT of
// clientFolder/keyIni. True without touching anything when keyIni is empty,
// the key id is unknown, or the file already says so; false when the file
// cannot be read (it must exist) or written.
[[nodiscard]] bool writeToggleKey(const std::filesystem::path& clientFolder, std::string_view keyIni,
                                  std::string_view keyId);

}  // namespace zv
