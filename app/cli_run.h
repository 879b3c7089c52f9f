#pragma once
// zarvo-launcher from its arguments to its exit status.

#include <string>
#include <vector>

namespace zv::cli {

// The arguments after the program name, as UTF-8.
int run(const std::vector<std::string>& args);

}  // namespace zv::cli
