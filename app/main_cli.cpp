// zarvo-launcher's entry point: the arguments as UTF-8, then the launcher.

#include "app/cli_run.h"
#include "platform/program_arguments.h"

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) { return zv::cli::run(zv::utf8Arguments(argc, argv)); }
#else
int main(int argc, char** argv) { return zv::cli::run(zv::utf8Arguments(argc, argv)); }
#endif
