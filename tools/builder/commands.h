#pragma once
// The command line of zarvo-builder.

#include <string>
#include <vector>

namespace zv::builder {

// args: the arguments after the program name, as UTF-8. Returns the exit
// code: 0 success, 1 failure, 2 a usage error.
int runCommand(const std::vector<std::string>& args);

// Prints the message after "zarvo-builder: " to standard error; returns 1.
int commandFailed(const std::string& message);

}  // namespace zv::builder
