#include "tools/builder/publish.h"

#include "data/text_rules.h"
#include "platform/durable_file.h"
#include "platform/file.h"
#include "platform/file_info.h"
#include "platform/text_path.h"

namespace zv::builder {
namespace {

namespace fs = std::filesystem;

bool writeWhole(const fs::path& path, const std::string& bytes, std::string& error) {
  File file;
  if (file.open(path, File::Mode::Truncate, error) && file.write(bytes, error) && file.flush(error)) return true;
  error = pathToUtf8(path) + ": " + error;
  return false;
}

// A failed rename's message names the file it was about.
bool renamed(const fs::path& from, const fs::path& to, std::string& error) {
  if (replaceFile(from, to, error)) return true;
  error = pathToUtf8(to) + ": " + error;
  return false;
}

}  // namespace

fs::path packedFilePath(const fs::path& outDir, const std::string& serverName) {
  return joinRelative(outDir / "files", serverName + ".zv");
}

bool publishBuild(const fs::path& outDir, const std::vector<StagedFile>& staged, const std::string& manifest,
                  const std::string& signature, std::string& error) {
  // A packed file whose name stays but whose content changed is replaced
  // here, while the old manifest is still served: a player checking in that
  // moment gets a digest mismatch and simply tries again. Moving everything
  // only after all packing succeeded keeps that moment short.
  DurableBatch packed;
  for (const StagedFile& file : staged) {
    std::error_code ec;
    fs::create_directories(file.target.parent_path(), ec);
    if (!renamed(file.staged, file.target, error)) return false;
    packed.add(file.target);
  }
  // On the disk before the manifest that lists them: after a power loss the
  // server must not hand out a manifest whose packed files are empty.
  if (!packed.flush(error)) return false;
  // Both texts are written in full before either is renamed, so the two
  // renames follow each other at once. manifest.json goes first: the
  // launcher fetches it before manifest.sig, and with this order only a
  // check whose two requests straddle both renames can see a new manifest
  // with the old signature (it asks for both once more); the other order
  // adds the checks that fall between them.
  const fs::path manifestPath = outDir / "manifest.json";
  const fs::path signaturePath = outDir / "manifest.sig";
  const fs::path manifestNew = withSuffix(manifestPath, ".tmp");
  const fs::path signatureNew = withSuffix(signaturePath, ".tmp");
  if (!writeWhole(manifestNew, manifest, error) || !writeWhole(signatureNew, signature, error)) return false;
  if (!renamed(manifestNew, manifestPath, error) || !renamed(signatureNew, signaturePath, error)) return false;
  // Both renames on the disk before the build state, written next, says
  // that this release is the one served.
  DurableBatch texts;
  texts.add(manifestPath, true);
  texts.add(signaturePath, true);
  return texts.flush(error);
}

void removeStalePackedFiles(const fs::path& outDir, const std::vector<std::string>& names) {
  const fs::path filesDir = outDir / "files";
  for (const std::string& name : names) {
    // The names come from our own state file; a tampered one must not steer
    // the deletion out of files/.
    if (!isSafeRelativePath(name)) continue;
    const fs::path path = packedFilePath(outDir, name);
    if (!removeFile(path)) continue;
    std::error_code ec;
    for (fs::path folder = path.parent_path(); folder != filesDir && folder.has_relative_path();
         folder = folder.parent_path()) {
      if (!fs::is_empty(folder, ec) || ec || !fs::remove(folder, ec)) break;
    }
  }
}

}  // namespace zv::builder
