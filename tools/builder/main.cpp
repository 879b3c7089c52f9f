// zarvo-builder's entry point: the arguments as UTF-8, then the commands.

#include "platform/program_arguments.h"
#include "tools/builder/commands.h"

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) { return zv::builder::runCommand(zv::utf8Arguments(argc, argv)); }
#else
int main(int argc, char** argv) { return zv::builder::runCommand(zv::utf8Arguments(argc, argv)); }
#endif
