#include "tools/builder/build_command.h"

#include <chrono>
#include <cstdio>
#include <map>
#include <mutex>

#include "data/json.h"
#include "data/case_fold.h"
#include "platform/file_info.h"
#include "platform/folder_lock.h"
#include "platform/text_path.h"
#include "tools/builder/build_state.h"
#include "tools/builder/commands.h"
#include "tools/builder/keys.h"
#include "tools/builder/manifest_writer.h"
#include "tools/builder/packed_format.h"
#include "tools/builder/packer.h"
#include "tools/builder/progress.h"
#include "tools/builder/publish.h"
#include "tools/builder/release_plan.h"
#include "data/hex.h"
#include "crypto/sha256.h"
#include "updater/manifest.h"
#include "updater/ordered_parallel.h"
#include "zv_version.h"

namespace zv::builder {
namespace {

namespace fs = std::filesystem;

std::string utcNowText() {
  using namespace std::chrono;
  const auto now = floor<seconds>(system_clock::now());
  const auto day = floor<days>(now);
  const year_month_day date(day);
  const hh_mm_ss time(now - day);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                static_cast<int>(time.seconds().count()));
  return text;
}

// True when inner is outer or lies below it.
bool isWithin(const fs::path& inner, const fs::path& outer) {
  std::error_code ec;
  const fs::path a = fs::weakly_canonical(inner, ec);
  const fs::path b = fs::weakly_canonical(outer, ec);
  auto ai = a.begin();
  for (auto bi = b.begin(); bi != b.end(); ++bi, ++ai) {
    if (bi->empty()) continue;  // the trailing "" of "dir/"
    if (ai == a.end() || *ai != *bi) return false;
  }
  return true;
}

// The output folder inside a folder the build reads would be published by
// the next build, one level deeper every time; a folder read inside the
// output folder could be overwritten.
bool foldersApart(const BuildOptions& options, const Release& release, std::string& error) {
  const auto apart = [&](const fs::path& folder) {
    return !isWithin(options.outDir, folder) && !isWithin(folder, options.outDir);
  };
  if (!apart(options.sourceDir)) {
    error = "the output folder and the client folder must be apart (neither inside the other)";
    return false;
  }
  for (const ReleaseAddon& addon : release.addons) {
    std::vector<fs::path> folders;
    if (!addon.folder.empty()) folders.push_back(addon.folder);
    for (const ReleaseVariant& variant : addon.variants) folders.push_back(variant.folder);
    for (const fs::path& folder : folders) {
      if (apart(folder)) continue;
      error = "the output folder and " + pathToUtf8(folder) + ", a folder of add-on " + addon.id +
              ", must be apart (neither inside the other)";
      return false;
    }
  }
  return true;
}

bool hashAll(const std::vector<PlannedFile*>& files, Progress& progress, std::string& error) {
  uint64_t bytes = 0;
  for (const PlannedFile* file : files) bytes += file->size;
  progress.begin("hashing", files.size(), bytes);
  std::mutex mutex;
  forEachParallel(files.size(), [&](size_t i) {
    PlannedFile& file = *files[i];
    std::string digest;
    uint64_t size = 0;
    if (!sha256File(file.file, digest, nullptr, &size)) {
      std::lock_guard lock(mutex);
      if (error.empty()) error = "cannot read " + pathToUtf8(file.file);
      return;
    }
    if (size != file.size) {
      std::lock_guard lock(mutex);
      if (error.empty()) error = file.path + " changed while the release was being built; build again";
      return;
    }
    file.sha256 = std::move(digest);
    progress.add(1, file.size);
  });
  progress.end();
  return error.empty();
}

// The bytes of "chunks" digests the manifest will hold: 64 digits for each
// chunk of every file of more than one.
uint64_t chunkDigestBytes(const std::vector<PlannedFile*>& files, uint32_t chunkSize) {
  uint64_t bytes = 0;
  for (const PlannedFile* file : files) {
    const uint64_t chunks = chunkCount(file->size, chunkSize);
    if (chunks > 1) bytes += chunks * kDigestDigits;
  }
  return bytes;
}

// Files that share a server name must be the same file.
bool checkSharedNames(const std::vector<PlannedFile*>& files, std::string& error) {
  std::map<std::string, const PlannedFile*> first;
  for (const PlannedFile* file : files) {
    const auto [it, fresh] = first.emplace(file->serverName, file);
    if (!fresh && it->second->sha256 != file->sha256) {
      error = it->second->path + " and " + file->path + " differ but would share the server name " +
              file->serverName;
      return false;
    }
  }
  return true;
}

// The signing key among the files of the release (the key file itself, a
// link to it or a copy) would hand every player the power to sign releases.
bool keyStaysPrivate(const std::vector<PlannedFile*>& files, const fs::path& keyFile, std::string& error) {
  std::string keyDigest;
  if (!sha256File(keyFile, keyDigest)) return true;  // it was read a moment ago; the signing itself is unharmed
  for (const PlannedFile* file : files) {
    if (file->sha256 != keyDigest) continue;
    error = file->path + " is the signing key " + pathToUtf8(keyFile) +
            ": published, it would let anyone sign releases for your players; keep it out of the client folder";
    return false;
  }
  return true;
}

struct PackWork {
  std::vector<PackJob> jobs;
  std::vector<std::string> jobNames;  // server name of each job
  std::vector<StagedFile> staged;
  std::map<std::string, BuiltFile> builtByName;  // every server name of the plan
  size_t reused = 0;
};

PackWork planPacking(const std::vector<PlannedFile*>& files, const Plan& plan, const BuildState& previous,
                     const fs::path& outDir, const fs::path& staging, bool repack) {
  PackWork work;
  const bool sameSettings = previous.chunkSize == plan.chunkSize && previous.level == plan.level && !repack;
  for (const PlannedFile* file : files) {
    if (work.builtByName.count(file->serverName)) continue;
    const fs::path target = packedFilePath(outDir, file->serverName);
    const auto old = previous.files.find(file->serverName);
    uint64_t onDisk = 0;
    // A state from before chunk digests were kept lacks them: such a file is
    // packed again, once.
    const uint64_t chunks = chunkCount(file->size, plan.chunkSize);
    if (sameSettings && old != previous.files.end() && old->second.sha256 == file->sha256 &&
        old->second.size == file->size && fileSize(target, onDisk) && onDisk == old->second.packed &&
        old->second.chunkSha256.size() == (chunks > 1 ? chunks * kDigestDigits : 0)) {
      work.builtByName[file->serverName] = old->second;
      ++work.reused;
      continue;
    }
    work.builtByName[file->serverName] = {};
    PackJob job;
    job.source = file->file;
    job.target = staging / (std::to_string(work.jobs.size()) + ".zv");
    job.path = file->path;
    job.size = file->size;
    job.sha256 = file->sha256;
    work.staged.push_back({job.target, target});
    work.jobNames.push_back(file->serverName);
    work.jobs.push_back(std::move(job));
  }
  return work;
}

// One build at a time per output folder: a second one would clear the
// first one's staging folder, move the other's packed files under its own
// names and overwrite its state.
bool lockOutputFolder(FolderLock& lock, const fs::path& outDir, std::string& error) {
  switch (lock.tryTake(outDir / ".zarvo-build.lock", error)) {
    case FolderLock::Outcome::Taken:
      return true;
    case FolderLock::Outcome::Busy:
      error = "another build is writing into " + pathToUtf8(outDir) + "; build again when it has ended";
      return false;
    case FolderLock::Outcome::Failed:
      return false;
  }
  return false;
}

// Removes the staging folder on every way out of the build.
class StagingFolder {
 public:
  explicit StagingFolder(fs::path path) : path_(std::move(path)) {
    std::error_code ec;
    fs::remove_all(path_, ec);  // left by an interrupted build
  }
  ~StagingFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  StagingFolder(const StagingFolder&) = delete;
  StagingFolder& operator=(const StagingFolder&) = delete;
  bool create(std::string& error) {
    std::error_code ec;
    fs::create_directories(path_, ec);
    if (!ec) return true;
    error = "cannot create " + pathToUtf8(path_) + ": " + ec.message();
    return false;
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

}  // namespace

int runBuild(const BuildOptions& options) {
  std::string error;
  Seed seed{};
  if (!loadKeyFile(options.keyFile, seed, error)) return commandFailed(error);
  warnIfOpenToOthers(options.keyFile);
  Release release;
  if (!options.releaseFile.empty() && !loadRelease(options.releaseFile, release, error)) return commandFailed(error);
  if (!foldersApart(options, release, error)) return commandFailed(error);

  Plan plan;
  if (!makePlan(options.sourceDir, release, plan, error)) return commandFailed(error);
  plan.generated = std::string("zarvo-builder ") + kVersion + ", " + utcNowText();
  plan.build = options.build ? *options.build : release.build.empty() ? utcNowText() : release.build;
  for (const std::string& warning : plan.warnings) std::fprintf(stderr, "zarvo-builder: warning: %s\n", warning.c_str());
  // Every path and name rule is checked before any work is done and before
  // the output folder is touched.
  const std::vector<PlannedFile*> files = allFiles(plan);
  const uint64_t digestBytes = chunkDigestBytes(files, plan.chunkSize);
  const std::string outline = manifestText(manifestJson(plan, true));
  // The outline lacks the chunk digests: with too small a chunk size they
  // alone outgrow what a launcher reads, and what the build can hold.
  if (!launcherReads(outline.size() + digestBytes, digestBytes, error) || !launcherAccepts(outline, error)) {
    return commandFailed(error);
  }
  FolderLock lock;
  if (!lockOutputFolder(lock, options.outDir, error)) return commandFailed(error);

  Progress progress(options.progress);
  if (!hashAll(files, progress, error) || !checkSharedNames(files, error) ||
      !keyStaysPrivate(files, options.keyFile, error)) {
    return commandFailed(error);
  }

  const BuildState previous = loadBuildState(options.outDir);
  plan.sequence = nextReleaseSequence(options.outDir, previous);
  StagingFolder staging(options.outDir / ".zarvo-staging");
  PackWork work = planPacking(files, plan, previous, options.outDir, staging.path(), options.repack);
  uint64_t toPack = 0;
  for (const PackJob& job : work.jobs) toPack += job.size;
  if (!staging.create(error)) return commandFailed(error);
  progress.begin("packing", work.jobs.size(), toPack);
  PackOptions packOptions;
  packOptions.chunkSize = plan.chunkSize;
  packOptions.level = plan.level;
  const auto onProgress = [&](uint64_t filesDone, uint64_t bytesDone) { progress.set(filesDone, bytesDone); };
  const bool packed = packFiles(work.jobs, packOptions, onProgress, error);
  progress.end();
  if (!packed) return commandFailed(error);
  for (size_t i = 0; i < work.jobs.size(); ++i) {
    BuiltFile& built = work.builtByName[work.jobNames[i]];
    built.packed = work.jobs[i].packed;
    built.chunkSha256 = std::move(work.jobs[i].chunkSha256);
  }
  for (PlannedFile* file : files) {
    const BuiltFile& built = work.builtByName[file->serverName];
    file->packed = built.packed;
    file->chunkSha256 = built.chunkSha256;
  }

  const std::string manifest = manifestText(manifestJson(plan));
  if (!launcherReads(manifest.size(), digestBytes, error) || !launcherAccepts(manifest, error)) {
    return commandFailed(error);
  }
  uint8_t signature[kSignatureSize];
  signMessage(seed.data(), manifest, signature);
  // Names about to get new content leave the state first: should the build
  // stop halfway, no later build may take a new packed file for an old one.
  BuildState outgoing = previous;
  for (const std::string& name : work.jobNames) outgoing.files.erase(name);
  if (work.jobs.size() > 0 && !previous.files.empty() && !saveBuildState(options.outDir, outgoing)) {
    return commandFailed("cannot write " + pathToUtf8(buildStatePath(options.outDir)));
  }
  if (!publishBuild(options.outDir, work.staged, manifest, toHex(signature, sizeof signature) + "\n", error)) {
    return commandFailed(error);
  }

  BuildState state;
  state.sequence = plan.sequence;
  state.chunkSize = plan.chunkSize;
  state.level = plan.level;
  for (const PlannedFile* file : files) {
    state.files[file->serverName] = {file->sha256, file->size, file->packed, file->chunkSha256};
  }
  // In a folder that ignores letter case (Windows folds Cyrillic and Greek
  // too), a name that changed only in case is the very file just written: it
  // must not go as stale.
  std::map<std::string, std::string> current;  // folded: as written
  for (const auto& [name, built] : state.files) current[foldCase(name)] = name;
  std::vector<std::string> stale;
  for (const auto& [name, built] : previous.files) {
    if (state.files.count(name)) continue;
    const auto twin = current.find(foldCase(name));
    if (twin != current.end() && sameFileObject(packedFilePath(options.outDir, name),
                                                packedFilePath(options.outDir, twin->second))) {
      continue;
    }
    stale.push_back(name);
  }
  // Stale files go before the state is saved: an interrupted build then
  // still has them in the old state and deletes them next time.
  removeStalePackedFiles(options.outDir, stale);
  if (!saveBuildState(options.outDir, state)) {
    std::fprintf(stderr, "zarvo-builder: warning: cannot save %s; the next build packs every file again\n",
                 pathToUtf8(buildStatePath(options.outDir)).c_str());
  }

  uint64_t sourceBytes = 0, packedBytes = 0;
  for (const auto& [name, built] : state.files) {
    sourceBytes += built.size;
    packedBytes += built.packed;
  }
  std::printf("built %zu files: %zu packed, %zu unchanged; %s packed to %s; build \"%s\", release %lld\n",
              files.size(), work.jobs.size(), work.reused, sizeText(sourceBytes).c_str(), sizeText(packedBytes).c_str(),
              plan.build.c_str(), static_cast<long long>(plan.sequence));
  return 0;
}

}  // namespace zv::builder
