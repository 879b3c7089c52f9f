#include "platform/file.h"

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
