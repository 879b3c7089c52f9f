#pragma once
// Replacing a file so that a power loss leaves either the old file or the
// whole new one, never an empty or torn target: the new file's data reaches
// the disk before the rename that publishes it, and the rename reaches the
// disk before anything that vouches for the file is written.

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file.h"

namespace zv {

// Flushes everything written through file to the disk, then closes it.
// path names the file in the error text.
[[nodiscard]] bool flushAndClose(File& file, const std::filesystem::path& path, std::string& error);

// Renames from over to, replacing an existing file, and waits until the
// rename is on disk (the folder is synced; on Windows the move is also made
// with write-through). from's data must be flushed already. On failure error
// holds the system's reason only; callers put the context in front.
[[nodiscard]] bool renameDurably(const std::filesystem::path& from, const std::filesystem::path& to,
                                 std::string& error);

// For a file written and closed elsewhere: flushes its data, then renames it
// durably over to.
[[nodiscard]] bool replaceFileDurably(const std::filesystem::path& from, const std::filesystem::path& to,
                                      std::string& error);

// For a file published by a plain rename: flushes its data where it now
// stands. Its name reaches the disk with the next sync of its folder
// (DurableBatch). A file gone since counts as flushed.
[[nodiscard]] bool flushPublished(const std::filesystem::path& path, std::string& error);

// Files published by a plain rename whose data and names must be on disk
// before a record (the digest cache) vouches for them. Their folders are
// synced together, once, before that record is written; so is the data of
// files that were not flushed on their own (flushPublished): where the
// system can, with one sync of the file system, since a flush of a small
// new file alone costs about as much as that sync (its inode and folder
// are written with it); a single such file is flushed alone.
class DurableBatch {
 public:
  // path was just published; flushed: its data was flushed since.
  void add(std::filesystem::path path, bool flushed = false);
  // Flushes the data of every added file not flushed yet, then syncs their
  // folders, and forgets them. A file gone since is skipped: nothing vouches
  // for it. On failure the rest stay in the batch for the next flush.
  [[nodiscard]] bool flush(std::string& error);

 private:
  struct Entry {
    std::filesystem::path path;
    bool flushed;
  };
  std::vector<Entry> files_;
};

// writeTextFileAtomic (file.h) for a record that vouches for the files in
// vouchedFor: they and the new text are flushed in one go, then the text is
// renamed over path. The rename is left to reach the disk with the next
// flush: until then a power loss brings back the previous record, which
// vouches only for files flushed before it. False, with the record as it
// was, when anything could not be flushed.
[[nodiscard]] bool writeTextFileAtomic(const std::filesystem::path& path, std::string_view bytes,
                                       DurableBatch& vouchedFor);

// A seam for tests: told of every step above as it is taken (a flush of
// path, a rename of path to to, a sync of the folder path), on whichever
// thread takes it, several at once. Set it only while no file is being
// replaced; an empty function removes it.
enum class DurableStep { Flush, Rename, FolderSync };
using DurableStepObserver =
    std::function<void(DurableStep step, const std::filesystem::path& path, const std::filesystem::path& to)>;
void setDurableStepObserver(DurableStepObserver observer);

namespace detail {
void reportDurableStep(DurableStep step, const std::filesystem::path& path, const std::filesystem::path& to = {});
// The platform's half. A missing file is flushed without fail. The folder
// sync is best-effort: it cannot undo a rename, only make it lasting sooner.
[[nodiscard]] bool flushClosedFile(const std::filesystem::path& path, std::string& error);
// Where the system can, syncs the whole file systems holding paths at once
// (all data and all renames) and sets whole; else leaves whole false.
[[nodiscard]] bool syncFileSystems(const std::vector<std::filesystem::path>& paths, bool& whole, std::string& error);
[[nodiscard]] bool renameFile(const std::filesystem::path& from, const std::filesystem::path& to, std::string& error);
void syncFolder(const std::filesystem::path& folder);
}  // namespace detail

}  // namespace zv
