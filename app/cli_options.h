#pragma once
// zarvo-launcher's command line.

#include <string>
#include <vector>

namespace zv::cli {

enum class Command { Stdio, Check, Repair, Play, AddonInstall, AddonRemove, Addons, Help };

struct Options {
  Command command = Command::Stdio;
  std::string client;  // empty: the folder holding the launcher
  std::string data;    // empty: the user's data folder
  std::string addonId;
  std::string variant;
  std::string key;
  bool json = false;     // one-shot commands print the page's events instead of progress
  bool updated = false;  // started by a self-update of the launcher
};

// False: error says what is wrong with the arguments.
[[nodiscard]] bool parseOptions(const std::vector<std::string>& args, Options& options, std::string& error);

std::string usageText();

// The command-line text a self-updated launcher is restarted with: the same
// command and options, and "--updated".
std::string restartArguments(const Options& options);

}  // namespace zv::cli
