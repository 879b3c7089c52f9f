// unpackUiPack on any bytes: no crash, no hang, memory bounded (nothing is
// allocated in proportion to the sizes a pack claims), every failure carries
// the text of its kind, and nothing is ever written outside the target
// folder, which is checked by walking the whole scratch area after each input.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include <unistd.h>

#include "app/host/ui_pack.h"
#include "platform/file.h"

namespace {

namespace fs = std::filesystem;

void check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "ui pack fuzz: %s\n", what);
    std::abort();
  }
}

const std::string kSentinelText = "outside the target folder";

// The scratch area: the target folder and, beside it, a file that must stay
// as it is. Named by the process, so that parallel fuzzing jobs keep apart;
// memory-backed where there is such a folder.
const fs::path& scratch() {
  static const fs::path folder = [] {
    std::error_code ec;
    const fs::path base = fs::is_directory("/dev/shm", ec) ? "/dev/shm" : fs::temp_directory_path();
    fs::path path = base / "zv-ui-pack-fuzz" / std::to_string(getpid());
    fs::remove_all(path, ec);
    fs::create_directories(path);
    check(zv::writeTextFileAtomic(path / "sentinel.txt", kSentinelText), "cannot write the sentinel");
    return path;
  }();
  return folder;
}

// Sum of the sizes of the files below target; aborts on anything outside it.
uint64_t checkScratch(const fs::path& root, const fs::path& target) {
  uint64_t bytes = 0;
  for (const auto& item : fs::recursive_directory_iterator(root)) {
    const fs::path relative = item.path().lexically_relative(root);
    if (relative == "sentinel.txt") continue;
    check(*relative.begin() == target.filename(), "a file was written outside the target folder");
    check(!item.is_symlink(), "a link appeared in the target folder");
    if (item.is_regular_file()) bytes += item.file_size();
  }
  std::string sentinel;
  check(zv::readTextFile(root / "sentinel.txt", sentinel) && sentinel == kSentinelText, "the sentinel changed");
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fs::path& root = scratch();
  const fs::path target = root / "target";
  const std::string_view pack(reinterpret_cast<const char*>(data), size);

  zv::UiPackError error;
  const bool ok = zv::unpackUiPack(pack, target, error);
  const uint64_t written = checkScratch(root, target);
  // Each file holds a slice of the pack, and a later entry only replaces an
  // earlier one: more bytes on disk than in the pack means a wrong slice.
  check(written <= size, "more bytes written than the pack holds");
  if (!ok) {
    switch (error.kind) {
      case zv::UiPackFailure::NotAPack:
        check(error.text == "not a ui pack", "wrong text for a non-pack");
        break;
      case zv::UiPackFailure::Damaged:
        check(error.text == "ui pack is damaged", "wrong text for a damaged pack");
        break;
      case zv::UiPackFailure::CannotWrite:
        check(error.text.rfind("cannot write ", 0) == 0, "wrong text for a write failure");
        break;
    }
  }
  std::error_code ec;
  fs::remove_all(target, ec);
  return 0;
}
