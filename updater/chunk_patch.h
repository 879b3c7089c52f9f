#pragma once
// Bringing a wrong client file in line by fetching only the chunks that
// differ: the local file is hashed chunk by chunk against the manifest's
// chunk digests, the packed file's header and chunk table are read with one
// ranged request, the missing chunks' data with a few more (neighbours
// merged, several ranges per request, guarded by If-Range), and the new
// file is put together beside the target from local and fetched chunks,
// verified chunk by chunk and as a whole, and moved into place by the same
// rename as a download. Verified chunks wait in the work folder, so a cut
// or cancelled patch resumes without fetching them again.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "data/failure.h"
#include "net/fetcher.h"
#include "updater/manifest.h"

namespace zv {

enum class PatchOutcome {
  Installed,  // the target holds the file the manifest describes
  WholeFile,  // patching cannot work or does not pay here: download the whole packed file
  Failed,     // failure says why; verified chunks are kept for the next try
};

// Where a patch gets its bytes and puts what it fetched.
struct PatchPlaces {
  std::string url;                // of the packed file
  std::filesystem::path target;   // the client file
  std::filesystem::path chunks;   // chunksPath of the file
  uint64_t wholeLeft = 0;         // bytes a whole download still fetches: less than packed when a part waits
};

// Told the number of bytes received from the server so far in this call.
// Returning false cancels.
using ReceivedFn = std::function<bool(uint64_t received)>;

// Whether a patch may be tried: the entry carries chunk digests and a plain
// file stands at target.
bool canPatch(const ManifestFile& file, const std::filesystem::path& target);

// Patches places.target to the file the entry describes. Failed: Cancelled,
// a network failure or status of the fetcher, DiskFull or DiskWrite (the
// chunks file), TargetInUse, TargetLocked, FolderInPlace, FileInPlace. WholeFile
// (failure untouched) when the server ignores Range or has replaced the
// file, chunks fail their digest twice, the packed header does not fit, or
// the chunks would cost more than half of what a whole download still
// fetches (a local file much shorter or much changed, or a download of the
// whole file most of the way through). The installed file is not flushed: callers
// vouch for it only after flushing (DurableBatch), as for a download.
[[nodiscard]] PatchOutcome patchFile(Fetcher& fetcher, const ManifestFile& file, const PatchPlaces& places,
                                     const ReceivedFn& received, const std::atomic<bool>* cancel, Failure& failure);

}  // namespace zv
