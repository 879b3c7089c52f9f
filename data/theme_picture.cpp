#include "data/theme_picture.h"

#include <algorithm>

#include "data/text_rules.h"

namespace zv {
namespace {

constexpr size_t maxFileBytes = 200;
constexpr int32_t maxOffset = 3000;
constexpr int32_t maxHeight = 2000;
// Smaller pictures are a mistake rather than a design.
constexpr int32_t minHeight = 16;

int32_t clampedInteger(const Json& value, int32_t low, int32_t high) {
  // A non-number counts as 0; huge values and NaN come back as INT64_MIN and clamp low.
  return static_cast<int32_t>(std::clamp<int64_t>(value.integerOr(0), low, high));
}

bool endsWithPng(const std::string& file) { return file.size() >= 5 && asciiLower(file).ends_with(".png"); }

}  // namespace

bool parseArt(const Json& value, ThemePicture& out) {
  const std::string file(value.get("file").text());
  if (file.empty() || file.size() > maxFileBytes || !isSafeRelativePath(file) || !endsWithPng(file)) return false;
  const int32_t height = clampedInteger(value.get("height"), 0, maxHeight);
  if (height < minHeight) return false;
  out.file = file;
  out.x = clampedInteger(value.get("x"), -maxOffset, maxOffset);
  out.y = clampedInteger(value.get("y"), -maxOffset, maxOffset);
  out.height = height;
  return true;
}

Json artToJson(const ThemePicture& picture) {
  Json art = Json::object();
  if (picture.file.empty()) return art;
  art.set("file", picture.file);
  art.set("x", picture.x);
  art.set("y", picture.y);
  art.set("height", picture.height);
  return art;
}

}  // namespace zv
