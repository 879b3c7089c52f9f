#pragma once
// The build command: a client folder in, a signed update tree out.

#include <filesystem>
#include <optional>
#include <string>

namespace zv::builder {

struct BuildOptions {
  std::filesystem::path sourceDir;
  std::filesystem::path outDir;
  std::filesystem::path keyFile;
  std::filesystem::path releaseFile;  // empty: none
  std::optional<std::string> build;   // --build, over the release file's
  bool repack = false;                // pack every file again
  bool progress = false;              // draw the progress line
};

// Runs the build; problems go to standard error. Returns the exit code.
int runBuild(const BuildOptions& options);

}  // namespace zv::builder
