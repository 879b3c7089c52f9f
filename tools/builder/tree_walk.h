#pragma once
// Lists the files of a folder as client paths.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace zv::builder {

struct SourceFile {
  std::string path;             // "/"-separated UTF-8, relative to the walked folder
  std::filesystem::path file;   // where to read it
  uint64_t size = 0;
};

// Every regular file below root (links to files count as the file), sorted
// by path, leaving out paths that match an exclude pattern whatever they
// are. Refused, with a message naming the file: a name that cannot be
// published, two names that differ only in letter case, a link to a folder,
// anything that is neither a file nor a folder.
[[nodiscard]] bool walkFolder(const std::filesystem::path& root, const std::vector<std::string>& exclude,
                              std::vector<SourceFile>& files, std::string& error);

}  // namespace zv::builder
