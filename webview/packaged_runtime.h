// The packaged (MSIX) web view runtime of one release channel, where the
// system offers dynamic package dependencies.
#pragma once

#include <filesystem>
#include <string>

namespace zv {

struct PackagedRuntime {
  std::filesystem::path folder;  // the package's installed folder
  std::wstring version;          // "major.minor.build.revision"
};

// False when the system lacks the package functions or has no such package.
[[nodiscard]] bool findPackagedRuntime(const wchar_t* packageFamily, PackagedRuntime& runtime);

}  // namespace zv
