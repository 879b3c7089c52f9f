#pragma once
// Taking an add-on's files off the disk. The running game holds the add-on's
// DLLs open, so they go first: when one cannot be deleted nothing else is
// touched, and every file stays listed for a later attempt.

#include <filesystem>
#include <string>
#include <vector>

namespace zv {

// Deletes the client-relative paths (DLLs first, otherwise in the given
// order; unsafe paths are skipped), then, unless a DLL could not be deleted,
// the files its clean-up patterns match and the folders the deletions left
// empty, up to but never including clientFolder. leftOver gets the paths
// still on disk, in the order they were handled. True when none is left.
bool removeFiles(const std::filesystem::path& clientFolder, const std::vector<std::string>& paths,
                 const std::vector<std::string>& patterns, std::vector<std::string>& leftOver);

}  // namespace zv
