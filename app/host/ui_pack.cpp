#include "app/host/ui_pack.h"

#include <cstdint>
#include <system_error>

#include "data/fnv1a.h"
#include "data/text_rules.h"
#include "platform/file.h"
#include "platform/text_path.h"

namespace zv {
namespace {

constexpr std::string_view kMagic = "ZUI1";

// A little-endian number of 2 or 4 bytes that never runs past the end:
// false leaves pos alone.
bool readLittle(std::string_view pack, size_t& pos, size_t bytes, uint32_t& value) {
  if (pack.size() - pos < bytes) return false;
  value = 0;
  for (size_t i = 0; i < bytes; ++i) value |= uint32_t(static_cast<unsigned char>(pack[pos + i])) << (8 * i);
  pos += bytes;
  return true;
}

bool fail(UiPackError& error, UiPackFailure kind, std::string text) {
  error.kind = kind;
  error.text = std::move(text);
  return false;
}

bool damaged(UiPackError& error) { return fail(error, UiPackFailure::Damaged, "ui pack is damaged"); }

}  // namespace

std::string uiPackMarker(std::string_view pack) {
  return std::to_string(fnv1a(pack.data(), pack.size())) + ":" + std::to_string(pack.size());
}

bool unpackUiPack(std::string_view pack, const std::filesystem::path& folder, UiPackError& error) {
  if (pack.size() < 8 || pack.substr(0, kMagic.size()) != kMagic) {
    return fail(error, UiPackFailure::NotAPack, "not a ui pack");
  }
  size_t pos = kMagic.size();
  uint32_t count = 0;
  if (!readLittle(pack, pos, 4, count)) return damaged(error);
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t nameSize = 0;
    uint32_t dataSize = 0;
    if (!readLittle(pack, pos, 2, nameSize) || pack.size() - pos < nameSize) return damaged(error);
    const std::string_view name = pack.substr(pos, nameSize);
    pos += nameSize;
    if (!readLittle(pack, pos, 4, dataSize) || pack.size() - pos < dataSize) return damaged(error);
    if (!isSafeRelativePath(name)) return damaged(error);
    if (!writeTextFileAtomic(joinRelative(folder, name), pack.substr(pos, dataSize))) {
      return fail(error, UiPackFailure::CannotWrite, "cannot write " + std::string(name));
    }
    pos += dataSize;
  }
  return true;
}

bool extractUiPack(std::string_view pack, const std::filesystem::path& folder) {
  const std::string marker = uiPackMarker(pack);
  std::string stored;
  if (readTextFile(folder / ".version", stored) && stored == marker) return hasPageIndex(folder);

  // Removing first makes files that the new pack no longer holds disappear.
  // The folder is ours (named after the install), so nothing else is lost.
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  UiPackError error;
  if (!unpackUiPack(pack, folder, error)) return false;
  return writeTextFileAtomic(folder / ".version", marker);
}

bool hasPageIndex(const std::filesystem::path& folder) {
  std::error_code ec;
  return std::filesystem::is_regular_file(folder / "index.html", ec);
}

}  // namespace zv
