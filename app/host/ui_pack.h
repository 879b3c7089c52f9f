#pragma once
// The UI pack: the launcher's complete page folder carried as one resource
// ("ZUI1", an entry count, then name/size/bytes entries, little-endian), and
// its extraction into a folder guarded by a ".version" marker, so that an
// unchanged pack costs one small read per start.

#include <filesystem>
#include <string>
#include <string_view>

namespace zv {

enum class UiPackFailure {
  NotAPack,     // too short or without the "ZUI1" magic
  Damaged,      // an entry runs past the end or its name could leave the folder
  CannotWrite,  // a file of the pack could not be written
};

struct UiPackError {
  UiPackFailure kind = UiPackFailure::NotAPack;
  std::string text;  // "not a ui pack", "ui pack is damaged", "cannot write <name>"
};

// The marker of a pack: its FNV-1a hash and its length in bytes, both in
// decimal, joined by ":", without a line end.
std::string uiPackMarker(std::string_view pack);

// Writes every entry of the pack below folder (sub-folders are created).
// Entries written before a failure stay on disk.
[[nodiscard]] bool unpackUiPack(std::string_view pack, const std::filesystem::path& folder, UiPackError& error);

// Makes folder hold exactly the pack: when folder/.version already holds the
// pack's marker nothing is written; otherwise the folder is removed and the
// pack unpacked into it, and the marker is written last, so that an
// interrupted extraction is redone next time. An unchanged pack gives
// whether folder has an index.html; a fresh extraction gives whether the
// unpacking and the marker both succeeded (the caller checks index.html).
[[nodiscard]] bool extractUiPack(std::string_view pack, const std::filesystem::path& folder);

// True when folder holds the page's entry file, index.html.
bool hasPageIndex(const std::filesystem::path& folder);

}  // namespace zv
