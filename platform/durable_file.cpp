#include "platform/durable_file.h"

#include <algorithm>
#include <system_error>
#include <utility>

#include "platform/file_info.h"
#include "platform/text_path.h"

namespace zv {
namespace {

DurableStepObserver& observer() {
  static DurableStepObserver instance;
  return instance;
}

std::filesystem::path folderOf(const std::filesystem::path& path) {
  std::filesystem::path folder = path.parent_path();
  return folder.empty() ? std::filesystem::path(".") : folder;
}

// Writes bytes to path + ".tmp", creating missing parent folders; the file is
// left open for the caller to flush.
bool writeTemporary(const std::filesystem::path& path, std::string_view bytes, File& file,
                    std::filesystem::path& temporary, std::string& error) {
  std::error_code ignored;
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ignored);
  temporary = withSuffix(path, ".tmp");
  // Fresh: a link planted as the temporary file is replaced, not written through.
  return file.open(temporary, File::Mode::Fresh, error) && file.write(bytes, error);
}

// Renames temporary over path; where that fails, deletes the target and
// tries once more. A folder in the target's place is never deleted.
template <typename Rename>
bool publish(const std::filesystem::path& temporary, const std::filesystem::path& path, Rename rename) {
  std::string error;
  if (rename(temporary, path, error)) return true;
  // With the temporary file gone (another process published it), deleting
  // the target would only lose what that process wrote.
  std::error_code ec;
  if (!std::filesystem::is_regular_file(std::filesystem::symlink_status(temporary, ec))) return false;
  // A record that came read-only (a work folder copied from a disc) is
  // otherwise never saved again on Windows.
  return removeFileEvenReadOnly(path) && rename(temporary, path, error);
}

}  // namespace

void setDurableStepObserver(DurableStepObserver observer) { zv::observer() = std::move(observer); }

namespace detail {
void reportDurableStep(DurableStep step, const std::filesystem::path& path, const std::filesystem::path& to) {
  if (observer()) observer()(step, path, to);
}
}  // namespace detail

bool flushAndClose(File& file, const std::filesystem::path& path, std::string& error) {
  detail::reportDurableStep(DurableStep::Flush, path);
  std::string reason;
  const bool flushed = file.flush(reason);
  file.close();
  if (!flushed) error = pathToUtf8(path) + ": " + reason;
  return flushed;
}

bool renameDurably(const std::filesystem::path& from, const std::filesystem::path& to, std::string& error) {
  detail::reportDurableStep(DurableStep::Rename, from, to);
  if (!detail::renameFile(from, to, error)) return false;
  // Until the folder is synced a power loss may undo the rename. The file is
  // in place either way, so a folder that cannot be synced is not reported as
  // a failed rename: at worst the old file comes back, and its time tells the
  // digest cache it is not the new one.
  detail::reportDurableStep(DurableStep::FolderSync, folderOf(to));
  detail::syncFolder(folderOf(to));
  return true;
}

bool writeTextFileAtomic(const std::filesystem::path& path, std::string_view bytes) {
  File file;
  std::filesystem::path temporary;
  std::string error;
  if (!writeTemporary(path, bytes, file, temporary, error) || !flushAndClose(file, temporary, error)) return false;
  return publish(temporary, path, renameDurably);
}

bool writeTextFileAtomic(const std::filesystem::path& path, std::string_view bytes, DurableBatch& vouchedFor) {
  File file;
  std::filesystem::path temporary;
  std::string error;
  if (!writeTemporary(path, bytes, file, temporary, error)) return false;
  file.close();
  vouchedFor.add(temporary);
  if (!vouchedFor.flush(error)) return false;
  return publish(temporary, path, [](const std::filesystem::path& from, const std::filesystem::path& to,
                                     std::string& reason) {
    detail::reportDurableStep(DurableStep::Rename, from, to);
    return detail::renameFile(from, to, reason);
  });
}

bool flushPublished(const std::filesystem::path& path, std::string& error) {
  detail::reportDurableStep(DurableStep::Flush, path);
  return detail::flushClosedFile(path, error);
}

void DurableBatch::add(std::filesystem::path path, bool flushed) { files_.push_back({std::move(path), flushed}); }

bool DurableBatch::flush(std::string& error) {
  std::vector<std::filesystem::path> unflushed;
  for (const Entry& entry : files_) {
    if (!entry.flushed) unflushed.push_back(entry.path);
  }
  bool whole = false;
  // A single file (the record alone, when every file it vouches for was
  // flushed already) is flushed alone: a sync of the file system would also
  // write whatever else is in flight there.
  if (unflushed.size() > 1 && !detail::syncFileSystems(unflushed, whole, error)) return false;
  bool flushed = true;
  size_t done = 0;
  std::vector<std::filesystem::path> folders;
  for (; done < files_.size(); ++done) {
    if (!files_[done].flushed) {
      detail::reportDurableStep(DurableStep::Flush, files_[done].path);
      if (!whole && !detail::flushClosedFile(files_[done].path, error)) {
        flushed = false;
        break;
      }
    }
    std::filesystem::path folder = folderOf(files_[done].path);
    if (std::find(folders.begin(), folders.end(), folder) == folders.end()) folders.push_back(std::move(folder));
  }
  for (const std::filesystem::path& folder : folders) {
    detail::reportDurableStep(DurableStep::FolderSync, folder);
    if (!whole) detail::syncFolder(folder);
  }
  files_.erase(files_.begin(), files_.begin() + static_cast<std::ptrdiff_t>(done));
  return flushed;
}

bool replaceFileDurably(const std::filesystem::path& from, const std::filesystem::path& to, std::string& error) {
  return flushPublished(from, error) && renameDurably(from, to, error);
}

}  // namespace zv
