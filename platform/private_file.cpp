#include "platform/private_file.h"

#include <system_error>

#include "platform/durable_file.h"
#include "platform/file.h"
#include "platform/text_path.h"

namespace zv {

bool writePrivateFile(const std::filesystem::path& path, std::string_view bytes, bool replace, std::string& error) {
  if (!replace) return writeNewPrivateFile(path, bytes, error);
  const std::filesystem::path temporary = withSuffix(path, ".new");
  std::error_code ignored;
  std::filesystem::remove(temporary, ignored);
  if (!writeNewPrivateFile(temporary, bytes, error)) return false;
  std::string reason;
  if (!renameDurably(temporary, path, reason)) {
    error = "cannot replace " + pathToUtf8(path) + ": " + reason;
    std::filesystem::remove(temporary, ignored);
    return false;
  }
  return true;
}

}  // namespace zv
