#include "updater/manifest.h"

#include <algorithm>
#include <unordered_set>

#include "data/case_fold.h"
#include "data/name_index.h"
#include "data/json.h"
#include "data/json_reader.h"
#include "data/text_rules.h"
#include "data/hex.h"
#include "data/wildcard.h"
#include "updater/packed_file.h"

namespace zv {
namespace {

constexpr size_t maxIdBytes = 32;

// A missing or non-number size counts as -1 so that the entry test refuses it.
int64_t readSize(const Json& value) { return value.integerOr(-1); }

bool isValidDigest(std::string_view digest) { return digest.size() == kDigestDigits && isHexText(digest); }

// "chunks": {"size": chunk size, "sha256": the digests one after the other}.
// Absent is fine; anything else must be whole, one digest per chunk.
bool readChunkDigests(const Json& chunks, ManifestFile& out) {
  out.chunkSize = 0;
  out.chunkSha256.clear();
  if (chunks.isNull()) return true;
  const int64_t chunkSize = chunks.get("size").integerOr(0);
  if (chunkSize < 1 || chunkSize > kMaxPackedChunkSize || out.size < 1) return false;
  const uint64_t count = (static_cast<uint64_t>(out.size) - 1) / static_cast<uint64_t>(chunkSize) + 1;
  std::string digests = asciiLower(chunks.get("sha256").text());
  if (digests.size() % kDigestDigits != 0 || digests.size() / kDigestDigits != count || !isHexText(digests)) {
    return false;
  }
  out.chunkSize = static_cast<uint32_t>(chunkSize);
  out.chunkSha256 = std::move(digests);
  return true;
}

// The base client's entries as read, before their checks, with the
// "chunks" value of each (null when absent) beside them.
struct ReadFiles {
  std::vector<ManifestFile> files;
  std::vector<Json> chunks;

  ManifestFile& add() {
    chunks.emplace_back();
    return files.emplace_back();
  }
};

// What parseManifestFile reads from an entry; a value of another kind than
// expected counts as absent.
void readFileFields(const Json& entry, ManifestFile& out) {
  out.path = entry.get("path").stringOr("");
  out.size = readSize(entry.get("size"));
  out.sha256 = asciiLower(entry.get("sha256").text());
  out.packed = readSize(entry.get("packed"));
  out.once = entry.get("mode").text() == "once";
  out.source = entry.get("source").stringOr("");
  out.variant = entry.get("variant").stringOr("");
}

// The checks of one entry whose fields have been read.
bool checkFileEntry(ManifestFile& out, const Json& chunks, std::string& error) {
  if (!isSafeRelativePath(out.path) || (!out.source.empty() && !isSafeRelativePath(out.source))) {
    error = "unsafe path in manifest: " + out.path;
    return false;
  }
  // The server name is a file on the publisher's disk, which may be Windows.
  std::string problem = windowsNameProblem(out.path);
  if (problem.empty() && !out.source.empty()) problem = windowsNameProblem(out.source);
  if (!problem.empty()) {
    error = "unusable file name in manifest: " + out.path + " (" + problem + ")";
    return false;
  }
  if (!isValidDigest(out.sha256) || out.size < 0 || out.packed < 0) {
    error = "bad entry in manifest: " + out.path;
    return false;
  }
  if (!readChunkDigests(chunks, out)) {
    error = "bad chunk digests in manifest: " + out.path;
    return false;
  }
  return true;
}

// The fields of one file list entry straight from the text, as
// readFileFields reads them from a Json: a later repeat of a key counts,
// a value of another kind than expected is absent.
bool readFileEntry(JsonReader& reader, ManifestFile& file, Json& chunksValue) {
  file.size = -1;
  file.packed = -1;
  char first = 0;
  Json ignored;
  if (!reader.open(first)) return false;
  bool more = false;
  if (first != '{') {
    if (!reader.rest(ignored)) return false;
  } else if (!reader.objectStart(more)) {
    return false;
  }
  while (more) {
    std::string_view key;
    if (!reader.key(key)) return false;
    // Decided before the value is read: the key may be the reader's scratch.
    std::string* text = key == "path"      ? &file.path
                        : key == "sha256"  ? &file.sha256
                        : key == "source"  ? &file.source
                        : key == "variant" ? &file.variant
                                           : nullptr;
    int64_t* number = key == "size" ? &file.size : key == "packed" ? &file.packed : nullptr;
    const bool mode = key == "mode";
    const bool chunks = key == "chunks";
    if (!reader.open(first)) return false;
    if ((text != nullptr || mode) && first == '"') {
      std::string_view value;
      if (!reader.string(value)) return false;
      if (text != nullptr) text->assign(value);
      if (mode) file.once = value == "once";
    } else if (number != nullptr && (first == '-' || (first >= '0' && first <= '9'))) {
      *number = truncateToInt64(reader.number());
    } else {
      if (!reader.rest(chunks ? chunksValue : ignored)) return false;
      if (text != nullptr) text->clear();
      if (number != nullptr) *number = -1;
      if (mode) file.once = false;
    }
    reader.close();
    if (!reader.objectNext(more)) return false;
  }
  reader.close();
  for (char& c : file.sha256) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return true;
}

// "files" read entry by entry; anything but an array is no files. A
// repeated "files" replaces the earlier list.
bool readFileList(JsonReader& reader, ReadFiles& read) {
  read.files.clear();
  read.chunks.clear();
  char first = 0;
  if (!reader.open(first)) return false;
  bool more = false;
  if (first != '[') {
    Json ignored;
    if (!reader.rest(ignored)) return false;
  } else if (!reader.arrayStart(more)) {
    return false;
  }
  while (more) {
    ManifestFile& file = read.add();
    if (!readFileEntry(reader, file, read.chunks.back()) || !reader.arrayNext(more)) return false;
  }
  reader.close();
  return true;
}

// The whole document: the file list (tens of thousands of entries) read
// straight from the text, every other member of the root as a Json. False:
// the text is not valid JSON.
bool readDocument(JsonReader& reader, Json& root, ReadFiles& files) {
  char first = 0;
  if (!reader.open(first)) return false;
  bool more = false;
  if (first != '{') {
    if (!reader.rest(root)) return false;
  } else {
    root = Json::object();
    if (!reader.objectStart(more)) return false;
  }
  while (more) {
    std::string_view key;
    if (!reader.key(key)) return false;
    if (key == "files") {
      if (!readFileList(reader, files)) return false;
    } else {
      const std::string name(key);
      Json value;
      if (!reader.value(value)) return false;
      root.set(name, std::move(value));
    }
    if (!reader.objectNext(more)) return false;
  }
  reader.close();
  return reader.end();
}

// Base client paths, folded: views of the strings of their owner.
// Paths folded, end to end in one text, with an index: no allocation per
// path for tens of thousands of them.
class FoldedPaths {
 public:
  void reserve(size_t paths, size_t bytes) {
    text_.reserve(bytes);
    ends_.reserve(paths);
    index_.reserve(paths);
  }
  // Adds path folded; false (and nothing added) when it is there already.
  bool add(std::string_view path) {
    const size_t start = text_.size();
    appendFolded(text_, path);
    ends_.push_back(text_.size());
    const size_t item = ends_.size() - 1;
    if (index_.insert(at(item), item, [this](size_t i) { return at(i); }) == item) return true;
    ends_.pop_back();
    text_.resize(start);
    return false;
  }
  bool contains(std::string_view folded) const {
    return index_.find(folded, [this](size_t i) { return at(i); }) != NameIndex::npos;
  }
  size_t size() const { return ends_.size(); }
  // The i-th path added, folded.
  std::string_view at(size_t i) const {
    const size_t start = i == 0 ? 0 : ends_[i - 1];
    return std::string_view(text_).substr(start, ends_[i] - start);
  }

 private:
  std::string text_;
  std::vector<size_t> ends_;
  NameIndex index_;
};

bool parseAddonFiles(const Json& files, const FoldedPaths& basePaths, ManifestAddon& addon, std::string& error) {
  // One add-on may ship a path once per variant, but never a base client path.
  std::unordered_set<std::string> seen;
  for (const Json& element : files.elements()) {
    ManifestFile file;
    if (!parseManifestFile(element, file, error)) return false;
    const std::string folded = foldCase(file.path);
    // Safe paths contain no "|", so the key cannot be forged by a path.
    if (basePaths.contains(folded) || !seen.insert(folded + "|" + file.variant).second) {
      error = "addon " + addon.id + " file clashes with another file: " + file.path;
      return false;
    }
    addon.files.push_back(std::move(file));
  }
  return true;
}

bool parseAddon(const Json& entry, const FoldedPaths& basePaths,
                std::unordered_set<std::string>& ids, ManifestAddon& addon, std::string& error) {
  addon.id = entry.get("id").stringOr("");
  addon.name = entry.get("name").stringOr(addon.id);
  if (!isValidAddonId(addon.id) || !ids.insert(addon.id).second) {
    error = "bad addon id in manifest: " + addon.id;
    return false;
  }
  for (const Json& element : entry.get("variants").elements()) {
    AddonVariant variant;
    variant.id = element.get("id").stringOr("");
    variant.label = element.get("label").stringOr(variant.id);
    if (!isValidAddonId(variant.id)) {
      error = "bad addon variant in manifest: " + variant.id;
      return false;
    }
    addon.variants.push_back(std::move(variant));
  }
  addon.keyIni = entry.get("keyIni").stringOr("");
  addon.defaultKey = entry.get("defaultKey").stringOr("insert");
  if (!addon.keyIni.empty() && !isSafeRelativePath(addon.keyIni)) {
    error = "unsafe path in manifest: " + addon.keyIni;
    return false;
  }
  // Bad clean-up patterns are dropped, not reported: they only ever delete.
  for (const Json& element : entry.get("cleanup").elements()) {
    if (isValidCleanupPattern(element.text())) addon.cleanup.emplace_back(element.text());
  }
  return parseAddonFiles(entry.get("files"), basePaths, addon, error);
}

// On a Windows disk "a" cannot be a file while "a/b" needs it as a folder,
// whichever entry comes first; add-ons count too, as they install beside
// the client. paths holds the folded paths of manifest.files; the add-on
// files join them here.
bool checkFilesAndFolders(const Manifest& manifest, FoldedPaths& paths, std::string& error) {
  std::vector<const ManifestFile*> all;
  all.reserve(manifest.files.size());
  for (const ManifestFile& file : manifest.files) all.push_back(&file);
  std::vector<std::string> addonFolded;
  for (const ManifestAddon& addon : manifest.addons) {
    for (const ManifestFile& file : addon.files) {
      all.push_back(&file);
      addonFolded.push_back(foldCase(file.path));
      (void)paths.add(file.path);  // repeats are fine here
    }
  }
  const size_t baseCount = manifest.files.size();
  for (size_t i = 0; i < all.size(); ++i) {
    const std::string_view path = i < baseCount ? paths.at(i) : std::string_view(addonFolded[i - baseCount]);
    for (size_t slash = path.find('/'); slash != std::string_view::npos; slash = path.find('/', slash + 1)) {
      if (!paths.contains(path.substr(0, slash))) continue;
      // Folding keeps every letter's length, so the offsets hold in the original.
      error = "path is both a file and a folder in manifest: " + all[i]->path.substr(0, slash) + " (" +
              all[i]->path + ")";
      return false;
    }
  }
  return true;
}

// parseManifestText once the base client's entries are read (in document order).
bool checkManifest(const Json& root, ReadFiles& read, Manifest& out, std::string& error) {
  out = Manifest();
  if (!root.isObject() || root.get("format").integerOr(0) != 1) {
    error = "unknown manifest format";
    return false;
  }
  out.generated = root.get("generated").stringOr("");
  out.build = root.get("build").stringOr("");
  // Rollback protection rests on this number, so a member that is there but
  // unusable refuses the release rather than reading as "no sequence".
  const Json& sequence = root.get("sequence");
  if (!sequence.isNull()) {
    const double value = sequence.numberOr(0);
    if (!sequence.isNumber() || value < 1 || value > static_cast<double>(kMaxReleaseSequence) ||
        value != static_cast<double>(static_cast<int64_t>(value))) {
      error = "bad release sequence in manifest";
      return false;
    }
    out.sequence = static_cast<int64_t>(value);
  }

  // The launcher is replaced by its own procedure, so its path is not
  // compared with the client's files.
  const Json& launcher = root.get("launcher");
  if (launcher.isObject() && !parseManifestFile(launcher, out.launcher, error)) return false;

  // Each path is folded once.
  FoldedPaths basePaths;
  size_t pathBytes = 0;
  for (const ManifestFile& file : read.files) pathBytes += file.path.size();
  basePaths.reserve(read.files.size(), pathBytes);
  for (size_t i = 0; i < read.files.size(); ++i) {
    ManifestFile& file = read.files[i];
    if (!checkFileEntry(file, read.chunks[i], error)) return false;
    if (!basePaths.add(file.path)) {
      error = "duplicate path in manifest: " + file.path;
      return false;
    }
  }
  out.files = std::move(read.files);

  for (const Json& element : root.get("remove").elements()) {
    const std::string path(element.text());
    if (!isSafeRelativePath(path)) {
      error = "unsafe path in manifest: " + path;
      return false;
    }
    // On a Windows disk an entry that differs from a base file in letter case
    // only is that very file, which every check would delete and fetch again.
    if (basePaths.contains(foldCase(path))) continue;
    out.remove.push_back(path);
  }

  std::unordered_set<std::string> addonIds;
  for (const Json& element : root.get("addons").elements()) {
    ManifestAddon addon;
    if (!parseAddon(element, basePaths, addonIds, addon, error)) return false;
    out.addons.push_back(std::move(addon));
  }
  return checkFilesAndFolders(out, basePaths, error);
}

}  // namespace

bool parseManifestFile(const Json& entry, ManifestFile& out, std::string& error) {
  readFileFields(entry, out);
  return checkFileEntry(out, entry.get("chunks"), error);
}

bool parseManifestText(std::string_view text, Manifest& out, std::string& error) {
  JsonReader reader(text);
  Json root;
  ReadFiles read;
  // Room for as many entries as the text could hold (an entry takes over a
  // hundred bytes): growing the list by doubling would write every entry
  // again, and room never written is never touched.
  constexpr size_t kSmallestEntry = 100;
  read.files.reserve(text.size() / kSmallestEntry);
  if (!readDocument(reader, root, read)) {
    root = Json();  // not JSON: no format
    read = ReadFiles();
  }
  return checkManifest(root, read, out, error);
}

const ManifestAddon* findAddon(const Manifest& manifest, std::string_view id) {
  for (const ManifestAddon& addon : manifest.addons) {
    if (addon.id == id) return &addon;
  }
  return nullptr;
}

bool isValidAddonId(std::string_view id) {
  if (id.empty() || id.size() > maxIdBytes) return false;
  return std::all_of(id.begin(), id.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
  });
}

bool isValidCleanupPattern(std::string_view pattern) {
  const size_t slash = pattern.rfind('/');
  const std::string_view folder = slash == std::string_view::npos ? std::string_view() : pattern.substr(0, slash);
  const std::string_view name = slash == std::string_view::npos ? pattern : pattern.substr(slash + 1);
  if (folder.find_first_of("*?") != std::string_view::npos) return false;
  // "*", "**" and "*.*" alike would take the player's own files with the
  // add-on's: a pattern must name something that only some files have.
  if (!wildcardNeedsLiteral(name)) return false;
  std::string probe(pattern);
  std::replace_if(probe.begin(), probe.end(), [](char c) { return c == '*' || c == '?'; }, 'x');
  return isSafeRelativePath(probe);
}

}  // namespace zv
