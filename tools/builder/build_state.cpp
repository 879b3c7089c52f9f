#include "tools/builder/build_state.h"

#include <algorithm>

#include "data/json.h"
#include "platform/file.h"

namespace zv::builder {

std::filesystem::path buildStatePath(const std::filesystem::path& outDir) { return outDir / ".zarvo-build.json"; }

BuildState loadBuildState(const std::filesystem::path& outDir) {
  BuildState state;
  std::string text;
  if (!readTextFile(buildStatePath(outDir), text)) return state;
  const Json root = Json::parse(text);
  if (root.get("format").integerOr(0) != 1) return state;
  state.sequence = std::max<int64_t>(0, root.get("sequence").integerOr(0));
  state.chunkSize = static_cast<uint32_t>(root.get("chunkSize").integerOr(0));
  state.level = static_cast<int>(root.get("level").integerOr(0));
  for (const Json& entry : root.get("files").elements()) {
    const int64_t size = entry.get("size").integerOr(-1);
    const int64_t packed = entry.get("packed").integerOr(-1);
    if (size < 0 || packed < 0 || !entry.get("sha256").isString() || !entry.get("name").isString()) continue;
    state.files[entry.get("name").stringOr("")] = {entry.get("sha256").stringOr(""), static_cast<uint64_t>(size),
                                                   static_cast<uint64_t>(packed), entry.get("chunks").stringOr("")};
  }
  return state;
}

int64_t nextReleaseSequence(const std::filesystem::path& outDir, const BuildState& state) {
  int64_t highest = state.sequence;
  std::string text;
  if (readTextFile(outDir / "manifest.json", text)) {
    highest = std::max(highest, Json::parse(text).get("sequence").integerOr(0));
  }
  return highest + 1;
}

bool saveBuildState(const std::filesystem::path& outDir, const BuildState& state) {
  Json root = Json::object();
  root.set("format", 1);
  root.set("sequence", state.sequence);
  root.set("chunkSize", state.chunkSize);
  root.set("level", state.level);
  // A list rather than an object keyed by name: building an object checks
  // every key for a duplicate, which is slow for many thousands of files.
  Json files = Json::array();
  for (const auto& [name, file] : state.files) {
    Json entry = Json::object();
    entry.set("name", name);
    entry.set("sha256", file.sha256);
    entry.set("size", file.size);
    entry.set("packed", file.packed);
    if (!file.chunkSha256.empty()) entry.set("chunks", file.chunkSha256);
    files.push(std::move(entry));
  }
  root.set("files", std::move(files));
  return writeTextFileAtomic(buildStatePath(outDir), root.dump(true) + "\n");
}

}  // namespace zv::builder
