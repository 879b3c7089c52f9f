#pragma once
// Putting a finished build in place in the output folder.

#include <filesystem>
#include <string>
#include <vector>

namespace zv::builder {

struct StagedFile {
  std::filesystem::path staged;  // where the packer wrote it
  std::filesystem::path target;  // its place below files/
};

// Moves the packed files into place, then replaces manifest.json and
// manifest.sig. Packed files go first, so a server that serves the folder
// never lists a file that is not there yet.
[[nodiscard]] bool publishBuild(const std::filesystem::path& outDir, const std::vector<StagedFile>& staged,
                                const std::string& manifest, const std::string& signature, std::string& error);

// Deletes files/<name>.zv of names the previous build made and this one no
// longer uses, and the folders that leaves empty. Files we did not make are
// never touched.
void removeStalePackedFiles(const std::filesystem::path& outDir, const std::vector<std::string>& names);

// outDir/files/<serverName>.zv
std::filesystem::path packedFilePath(const std::filesystem::path& outDir, const std::string& serverName);

}  // namespace zv::builder
