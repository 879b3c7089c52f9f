#pragma once
// Making room for a file about to be installed: its folders, and a plain
// account of whatever stands where the file or one of its folders belongs.

#include <filesystem>

#include "data/failure.h"

namespace zv {

// Creates the folders above target and removes an empty folder (one with
// no files below it) that stands at target. False: failure is FileInPlace (a file
// stands where one of those folders belongs, subject: that file),
// FolderInPlace (a folder with files, or a link to one, stands at target) or TargetInUse (the folders
// cannot be made for another reason).
[[nodiscard]] bool prepareTargetPlace(const std::filesystem::path& target, Failure& failure);

}  // namespace zv
