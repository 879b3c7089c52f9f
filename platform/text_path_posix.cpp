#include "platform/text_path.h"

namespace zv {

std::filesystem::path pathFromUtf8(std::string_view text) {
  return std::filesystem::path(std::string(text));
}

std::string pathToUtf8(const std::filesystem::path& path) {
  return path.native();
}

}  // namespace zv
