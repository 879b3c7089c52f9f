#pragma once
// Making room for a file about to be installed: its folders, and a plain
// account of whatever stands where the file or one of its folders belongs.

#include <filesystem>
#include <functional>
#include <string_view>

#include "data/failure.h"

namespace zv {

// Creates the folders above target and removes an empty folder (one with no
// files below it) that stands at target. False: failure is FileInPlace (a
// file stands where one of those folders belongs, subject: that file),
// FolderInPlace (a folder with files, or a link to one, stands at target) or
// TargetInUse (the folders cannot be made for another reason).
[[nodiscard]] bool prepareTargetPlace(const std::filesystem::path& target, Failure& failure);

// Deletes what earlier releases left where the file at the client-relative
// path, or one of its folders, belongs: a file standing in a folder's place,
// and the files inside a folder standing in the file's place. Only files
// whose client-relative path listedBefore names go; the player's own stay,
// for prepareTargetPlace to report.
void clearEarlierFilesInPlace(const std::filesystem::path& client, std::string_view path,
                              const std::function<bool(std::string_view)>& listedBefore);

}  // namespace zv
