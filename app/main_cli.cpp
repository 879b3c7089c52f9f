// zarvo-launcher's entry point: the arguments as UTF-8, then the launcher.

#include <filesystem>
#include <string>
#include <vector>

#include "app/cli_run.h"
#include "platform/text_path.h"

namespace {

// Through a path, so that Windows' UTF-16 arguments become UTF-8 and other
// systems' bytes pass unchanged.
template <typename Char>
std::vector<std::string> utf8Arguments(int argc, Char** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(zv::pathToUtf8(std::filesystem::path(argv[i])));
  return args;
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) { return zv::cli::run(utf8Arguments(argc, argv)); }
#else
int main(int argc, char** argv) { return zv::cli::run(utf8Arguments(argc, argv)); }
#endif
