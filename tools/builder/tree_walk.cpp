#include "tools/builder/tree_walk.h"

#include <algorithm>
#include <map>

#include "data/case_fold.h"
#include "data/text_rules.h"
#include "platform/text_path.h"
#include "tools/builder/client_names.h"
#include "tools/builder/path_pattern.h"

namespace zv::builder {
namespace {

namespace fs = std::filesystem;

std::string clientPath(const fs::path& relative) {
  std::string path;
  for (const fs::path& part : relative) {
    if (!path.empty()) path += '/';
    path += pathToUtf8(part);
  }
  return path;
}

bool excluded(const std::vector<std::string>& patterns, const std::string& path, bool isFolder) {
  return std::any_of(patterns.begin(), patterns.end(),
                     [&](const std::string& pattern) { return pathPatternMatches(pattern, path, isFolder); });
}

}  // namespace

bool walkFolder(const fs::path& root, const std::vector<std::string>& exclude, std::vector<SourceFile>& files,
                std::string& error) {
  files.clear();
  std::error_code ec;
  if (!fs::is_directory(root, ec)) {
    error = pathToUtf8(root) + " is not a folder";
    return false;
  }
  fs::recursive_directory_iterator it(root, fs::directory_options::none, ec);
  for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    const fs::path& full = it->path();
    const std::string path = clientPath(full.lexically_relative(root));
    const fs::file_status own = it->symlink_status(ec);
    if (ec) break;
    std::error_code linkError;
    const fs::file_status target = fs::is_symlink(own) ? it->status(linkError) : own;
    // What the publisher excluded is passed over whatever it is: a link to
    // a shared folder, a pipe or a socket that a tool keeps there.
    if (excluded(exclude, path, fs::is_directory(target))) {
      if (fs::is_directory(own)) it.disable_recursion_pending();
      continue;
    }
    if (linkError) {
      error = "cannot follow the link " + pathToUtf8(full) + ": " + linkError.message();
      return false;
    }
    if (fs::is_directory(target)) {
      if (fs::is_symlink(own)) {
        error = "links to folders are not followed: " + path;
        return false;
      }
      continue;
    }
    if (!fs::is_regular_file(target)) {
      error = "neither a file nor a folder: " + path;
      return false;
    }
    if (const std::string reason = unpublishableReason(path); !reason.empty()) {
      error = "cannot publish " + path + ": " + reason;
      return false;
    }
    const uintmax_t size = fs::file_size(full, ec);
    if (ec) {
      error = "cannot read the size of " + pathToUtf8(full) + ": " + ec.message();
      return false;
    }
    files.push_back({path, full, static_cast<uint64_t>(size)});
  }
  if (ec) {
    error = "cannot list " + pathToUtf8(root) + ": " + ec.message();
    return false;
  }
  std::sort(files.begin(), files.end(), [](const SourceFile& a, const SourceFile& b) { return a.path < b.path; });
  // The launcher and Windows see names that differ only in letter case, also
  // of non-ASCII letters, as one file; publishing both would make the client
  // flip between them.
  std::map<std::string, const SourceFile*> seen;
  for (const SourceFile& file : files) {
    const auto [where, fresh] = seen.emplace(foldCase(file.path), &file);
    if (!fresh) {
      error = "two files differ only in letter case: " + where->second->path + " and " + file.path;
      return false;
    }
  }
  return true;
}

}  // namespace zv::builder
