#include "tools/builder/bounded_read.h"

#include <fstream>

namespace zv::builder {

BoundedRead readBounded(const std::filesystem::path& path, size_t maxBytes, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return BoundedRead::Unreadable;
  text.clear();
  // Grows as the file does, so a small file never costs the whole limit.
  char buffer[65536];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    text.append(buffer, static_cast<size_t>(in.gcount()));
    if (text.size() > maxBytes) return BoundedRead::TooLarge;
  }
  return in.eof() ? BoundedRead::Ok : BoundedRead::Unreadable;
}

}  // namespace zv::builder
