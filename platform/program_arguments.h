#pragma once
// A program's command-line arguments as UTF-8 texts, for wmain (UTF-16 on
// Windows) and main (bytes elsewhere) alike.

#include <filesystem>
#include <string>
#include <vector>

#include "platform/text_path.h"

namespace zv {

// Through a path, so that Windows' UTF-16 arguments become UTF-8 and other
// systems' bytes pass unchanged. argv[0] is left out.
template <typename Char>
std::vector<std::string> utf8Arguments(int argc, Char** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(pathToUtf8(std::filesystem::path(argv[i])));
  return args;
}

}  // namespace zv
