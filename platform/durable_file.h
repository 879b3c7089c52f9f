#pragma once
// Replacing a file so that a power loss leaves either the old file or the
// whole new one, never an empty or torn target: the new file's data reaches
// the disk before the rename that publishes it, and the rename reaches the
// disk before anything that vouches for the file is written.

#include <filesystem>
#include <functional>
#include <string>

#include "platform/file.h"

namespace zv {

// Flushes everything written through file to the disk, then closes it.
// path names the file in the error text.
[[nodiscard]] bool flushAndClose(File& file, const std::filesystem::path& path, std::string& error);

// Renames from over to, replacing an existing file, and waits until the
// rename is on disk (POSIX: the folder is synced; Windows: the move is made
// with write-through). from's data must be flushed already. On failure error
// holds the system's reason only; callers put the context in front.
[[nodiscard]] bool renameDurably(const std::filesystem::path& from, const std::filesystem::path& to,
                                 std::string& error);

// For a file written and closed elsewhere: flushes its data, then renames it
// durably over to.
[[nodiscard]] bool replaceFileDurably(const std::filesystem::path& from, const std::filesystem::path& to,
                                      std::string& error);

// A seam for tests: told of every step above as it is taken (a flush of
// path, a rename of path to to, a sync of the folder path). Set it only while
// no file is being replaced; an empty function removes it.
enum class DurableStep { Flush, Rename, FolderSync };
using DurableStepObserver =
    std::function<void(DurableStep step, const std::filesystem::path& path, const std::filesystem::path& to)>;
void setDurableStepObserver(DurableStepObserver observer);

namespace detail {
void reportDurableStep(DurableStep step, const std::filesystem::path& path, const std::filesystem::path& to = {});
// The platform's half: flush of a closed file, and the rename with its folder sync.
[[nodiscard]] bool flushClosedFile(const std::filesystem::path& path, std::string& error);
[[nodiscard]] bool renameAndSync(const std::filesystem::path& from, const std::filesystem::path& to,
                                 std::string& error);
}  // namespace detail

}  // namespace zv
