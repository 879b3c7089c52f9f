#include "platform/file.h"

#include <system_error>

#include "platform/file_info.h"
#include "platform/text_path.h"

namespace zv {

std::filesystem::path withSuffix(const std::filesystem::path& path, std::string_view suffix) {
  std::filesystem::path result = path;
  result += pathFromUtf8(suffix);
  return result;
}

bool readTextFile(const std::filesystem::path& path, std::string& bytes) {
  File file;
  std::string error;
  if (!file.open(path, File::Mode::Read, error)) return false;
  std::string out;
  char buffer[65536];
  for (;;) {
    size_t got = 0;
    if (!file.read(buffer, sizeof buffer, got, error)) return false;
    if (got == 0) break;
    out.append(buffer, got);
  }
  bytes = std::move(out);
  return true;
}

bool writeTextFileAtomic(const std::filesystem::path& path, std::string_view bytes) {
  std::error_code ignored;
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ignored);
  const std::filesystem::path temporary = withSuffix(path, ".tmp");
  std::string error;
  {
    File file;
    // Fresh: a link planted as the temporary file is replaced, not written through.
    if (!file.open(temporary, File::Mode::Fresh, error)) return false;
    if (!file.write(bytes, error)) return false;
  }
  if (replaceFile(temporary, path, error)) return true;
  // A folder in the target's place is never deleted to make room.
  if (!removeFile(path)) return false;
  return replaceFile(temporary, path, error);
}

}  // namespace zv
