#include "platform/file.h"

#include <algorithm>

#include "platform/text_path.h"

namespace zv {

std::filesystem::path withSuffix(const std::filesystem::path& path, std::string_view suffix) {
  std::filesystem::path result = path;
  result += pathFromUtf8(suffix);
  return result;
}

bool readTextFile(const std::filesystem::path& path, std::string& bytes, size_t maxBytes) {
  File file;
  std::string error;
  if (!file.open(path, File::Mode::Read, error)) return false;
  std::string out;
  // Sized once by the file's length (a hint: the file may still change),
  // not grown by doubling: cache.json runs to megabytes.
  uint64_t length = 0;
  if (file.size(length, error)) out.reserve(static_cast<size_t>(std::min<uint64_t>(length, maxBytes)));
  char buffer[65536];
  for (;;) {
    size_t got = 0;
    if (!file.read(buffer, sizeof buffer, got, error)) return false;
    if (got == 0) break;
    if (got > maxBytes - out.size()) return false;
    out.append(buffer, got);
  }
  bytes = std::move(out);
  return true;
}

}  // namespace zv
